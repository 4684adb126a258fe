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

void DesktopShell::openUrl(const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

std::vector<std::string> DesktopShell::chmViewers() {
    std::vector<std::string> found;
    for (const char* program : {"xchm", "kchmviewer"})
        if (!QStandardPaths::findExecutable(QString::fromUtf8(program)).isEmpty())
            found.emplace_back(program);
    return found;
}

void DesktopShell::openWith(const std::string& program, const std::filesystem::path& path) {
    QProcess::startDetached(QString::fromStdString(program),
                            {widgettext::fromPath(absolutePath(path))});
}

} // namespace qm
