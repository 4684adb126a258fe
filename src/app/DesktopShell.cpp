#include "DesktopShell.h"

#include "WidgetText.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace qm {

namespace {

std::filesystem::path absolutePath(const std::filesystem::path& path) {
    // A page written into the current folder comes as a bare name; a file URL needs
    // the whole path.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

} // namespace

// The result is not examined: a desktop without a handler shows its own message or
// none, and the window reports nothing either way.
void DesktopShell::openPath(const std::filesystem::path& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(widgettext::fromPath(absolutePath(path))));
}

void DesktopShell::openUrl(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

QStringList DesktopShell::chmViewers() {
    QStringList found;
    for (const QString& program : {QStringLiteral("xchm"), QStringLiteral("kchmviewer")})
        if (!QStandardPaths::findExecutable(program).isEmpty())
            found.append(program);
    return found;
}

void DesktopShell::openWith(const QString& program, const std::filesystem::path& path) {
    QProcess::startDetached(program, {widgettext::fromPath(absolutePath(path))});
}

} // namespace qm
