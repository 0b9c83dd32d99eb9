#include "terminal/HeadlessView.h"

#include "engine/WorkTime.h"
#include "terminal/ScreenText.h"

#include <cerrno>
#include <cstring>

namespace torvane::app {

void HeadlessView::Fail(int error) {
    failed_ = true;
    std::fprintf(err_,
                 "torvane: the run log cannot be written to standard output (%s); the run stops and its "
                 "results follow here.\n",
                 std::strerror(error));
    std::fflush(err_);
    if (OnOutputFailed) OnOutputFailed();
}

void HeadlessView::Print(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    if (!failed_) {
        if (closed_) {
            Fail(EBADF);
        } else {
            errno = 0;
            const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()),
                                             out_) == static_cast<std::size_t>(bytes.size()) &&
                                 std::fputc('\n', out_) != EOF && std::fflush(out_) == 0;
            if (written) return;
            const int error = errno ? errno : EIO;
            std::clearerr(out_);
            Fail(error);
        }
    }
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), err_);
    std::fputc('\n', err_);
    std::fflush(err_);
}

void HeadlessView::Hear(const engine::RunEvent& event) {
    namespace e = engine::event;
    std::visit(engine::Overloaded{
                   [this](const e::Line& x) { AppendLine(x.Where, x.Text); },
                   [this](const e::Message& x) { ShowMessage(x.Caption, x.Text); },
                   [this](const e::Failure& x) { ShowError(x.Text); },
                   [this](const e::WorkTime& x) { ShowWorkTime(x.Seconds); },
                   [this](const e::Temperature& x) { celsius_ = x.Celsius; },
                   [](const auto&) {},
               },
               event);
}

void HeadlessView::AppendLine(engine::Pane, const QString& line) {
    Print(line);
}

void HeadlessView::ShowWorkTime(std::int64_t seconds) {
    const long long minute = seconds / 60;
    if (minute == lastMinute_) return;
    lastMinute_ = minute;
    if (minute == 0) return;
    QString line = QStringLiteral("Work time: ") + engine::WorkTimeText(seconds);
    if (celsius_) line += QStringLiteral("; CPU Temp: ") + ShownTemperature(*celsius_, TemperatureUnit);
    Print(line);
}

void HeadlessView::ShowMessage(const QString& caption, const QString& text) {
    Print(caption + ": " + text);
}

void HeadlessView::ShowError(const QString& text) {
    std::fprintf(err_, "torvane: %s\n", text.toUtf8().constData());
    std::fflush(err_);
}

} // namespace torvane::app
