#pragma once

#include <QTextBrowser>

#include <string>

namespace qm::viewer {
class HelpFile;
}

namespace qm {

// Qt's rich-text browser fed from a CHM: pages, pictures and style sheets come from
// the help file, never from the disk or the network. Pages are addressed as
// "chm:/dir/page.htm#anchor" (pageUrl); links are not followed here but reported by
// anchorClicked, for the window to decide where they lead.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    // help is borrowed and must outlive the browser.
    HelpBrowser(const viewer::HelpFile& help, QWidget* parent = nullptr);

    // The address of a page of the help (path "/dir/page.htm", UTF-8).
    static QUrl pageUrl(const std::string& path, const std::string& fragment = {});
    // The page in view (UTF-8 path), or empty before the first.
    const std::string& currentPage() const { return currentPage_; }
    // Pictures a page asked for that the help does not hold, since the last page.
    int missingResources() const { return missing_; }

    QVariant loadResource(int type, const QUrl& name) override;

private:
    const viewer::HelpFile& help_;
    std::string currentPage_;
    int missing_ = 0;
};

} // namespace qm
