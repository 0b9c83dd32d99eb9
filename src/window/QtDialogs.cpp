#include "window/QtDialogs.h"

#include "platform/DesktopApplications.h"
#include "terminal/ScreenText.h"
#include "window/Colors.h"
#include "window/QtText.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QUrl>

namespace torvane::app {

void QtDialogs::MessageBox(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, Q(caption), Q(text), QMessageBox::Ok, parent_);
    box.exec();
}

std::optional<std::string> QtDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                               const std::string& defaultText) {
    bool ok = false;
    const auto text =
        QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal, Q(defaultText), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

std::optional<std::string> QtDialogs::OpenFileDialog(const std::string& filter,
                                                     const std::string& initialDirectory) {
    const auto name =
        QFileDialog::getOpenFileName(parent_, QString(), Q(initialDirectory), QtFileFilter(filter));
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
}

std::optional<std::string> QtDialogs::SaveFileDialog(const std::string& filter,
                                                     const std::string& initialDirectory) {
    const auto name =
        QFileDialog::getSaveFileName(parent_, QString(), Q(initialDirectory), QtFileFilter(filter));
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
}

std::optional<std::uint32_t> QtDialogs::ColorDialog(std::uint32_t initial) {
    const auto colour = QColorDialog::getColor(ColorFromRgbValue(initial), parent_);
    if (!colour.isValid()) return std::nullopt;
    return RgbValueFromColor(colour);
}

void QtDialogs::ErrorBox(const std::string& message) {
    QMessageBox::critical(parent_, kApplicationTitle, Q(message));
}

QString QtFileFilter(const std::string& filter) {
    const auto parts = Q(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        auto patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

bool QtShell::ShellOpen(const std::string& target, const std::string& /*parameters*/,
                        const std::string& /*directory*/, int /*showMode*/) {
    const auto text = Q(target);
    // A web address keeps its scheme; anything else is a path on this machine.
    const QUrl url(text);
    const bool web = !url.scheme().isEmpty() && url.scheme().size() > 1 && !url.isLocalFile();
    // xdg-open reports success as soon as it has started, whether or not anything will appear: ask the
    // desktop's associations first, for the type itself and then for the types it is a kind of.
    QStringList types;
    if (web) {
        types << QStringLiteral("x-scheme-handler/") + url.scheme().toLower();
    } else {
        const auto type = QMimeDatabase().mimeTypeForFile(text);
        types << type.name() << type.allAncestors();
    }
    bool shown = false;
    for (const auto& type : types) {
        if (const auto app = DefaultApplicationFor(type.toStdString())) {
            shown = ShowsInAWindow(*app);
            break;
        }
    }
    return shown && QDesktopServices::openUrl(web ? url : QUrl::fromLocalFile(text));
}

} // namespace torvane::app
