#include "app/headless/HeadlessView.h"

#include <QCoreApplication>

namespace torvane::app {

void HeadlessView::Print(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void HeadlessView::AppendLine(engine::Pane pane, const QString& line) {
    ++lines_[static_cast<int>(pane)];
    Print(line);
}

void HeadlessView::ClearPane(engine::Pane pane) {
    lines_[static_cast<int>(pane)] = 0;
}

int HeadlessView::LineCount(engine::Pane pane) const {
    return lines_[static_cast<int>(pane)];
}

void HeadlessView::SetCounters(const QString& days, const QString& hours, const QString& minutes,
                               const QString& seconds) {
    const long long minute = days.toLongLong() * 1440 + hours.toLongLong() * 60 + minutes.toLongLong();
    if (minute == lastMinute_) return;
    lastMinute_ = minute;
    if (minute == 0) return;
    Print(QStringLiteral("Work time: ") + days + QStringLiteral(" d, ") + hours + QStringLiteral(" h, ") +
          minutes + QStringLiteral(" m, ") + seconds + QStringLiteral(" s"));
}

void HeadlessView::ShowMessage(const QString& caption, const QString& text) {
    Print(caption + ": " + text);
}

void HeadlessView::Quit() {
    QCoreApplication::exit(0);
}

} // namespace torvane::app
