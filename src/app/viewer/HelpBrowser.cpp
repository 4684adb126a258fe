#include "HelpBrowser.h"

#include "viewer/HelpFile.h"

#include <QTextDocument>

namespace qm {

namespace {

constexpr const char* kScheme = "chm";

} // namespace

HelpBrowser::HelpBrowser(const viewer::HelpFile& help, QWidget* parent)
    : QTextBrowser(parent), help_(help) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QUrl HelpBrowser::pageUrl(const std::string& path, const std::string& fragment) {
    QUrl url;
    url.setScheme(QString::fromLatin1(kScheme));
    url.setPath(QString::fromStdString(path));
    if (!fragment.empty())
        url.setFragment(QString::fromStdString(fragment));
    return url;
}

// Every resource of a page is looked up in the help: a page by its address, a picture
// or a style sheet by its reference resolved against the page being shown, as the
// help's own viewer resolves it. Anything outside the help loads as nothing: the
// answer is an empty value, not a null one, because Qt would read a null one from
// the disk itself (file: pictures of a hostile page).
QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    std::string path;
    if (name.scheme() == QLatin1String("data")) {
        return {}; // Qt decodes data: addresses itself
    } else if (name.scheme() == QLatin1String(kScheme)) {
        path = name.path().toStdString();
    } else {
        const viewer::LinkTarget target =
            help_.resolve(currentPage_.empty() ? "/" : currentPage_,
                          name.toString(QUrl::PrettyDecoded).toStdString());
        if (target.kind != viewer::LinkTarget::Kind::Page) {
            ++missing_;
            return QByteArray();
        }
        path = target.path;
    }
    if (type == QTextDocument::HtmlResource) {
        const std::optional<std::string> html = help_.pageHtml(path);
        if (!html)
            return QString();
        currentPage_ = *help_.findFile(path);
        missing_ = 0;
        return QString::fromStdString(*html);
    }
    if (type == QTextDocument::StyleSheetResource)
        return QString::fromStdString(help_.pageHtml(path).value_or(""));
    const std::optional<std::string> bytes = help_.readFile(path);
    if (!bytes) {
        ++missing_;
        return QByteArray();
    }
    return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
}

} // namespace qm
