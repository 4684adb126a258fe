#include "DesktopShell.h"

#include "WidgetText.h"

#include <QDesktopServices>
#include <QUrl>

namespace qm {

// The result is not examined: a desktop without a handler shows its own message or
// none, and the window reports nothing either way.
void DesktopShell::openPath(const std::filesystem::path& path) {
    // A page written into the current folder comes as a bare name; a file URL needs
    // the whole path.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    QDesktopServices::openUrl(QUrl::fromLocalFile(widgettext::fromPath(error ? path : absolute)));
}

void DesktopShell::openUrl(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

} // namespace qm
