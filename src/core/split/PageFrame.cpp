#include "split/PageFrame.h"

#include "split/DefaultHeader.h"
#include "split/StreamSearch.h"
#include "text/Gbk.h"

namespace qm {

const std::string& PageHead() {
    static const std::string text =
        "<html> \r\n<head> \r\n<meta http-equiv=Content-Type content=\"text/html; "
        "charset=gb2312\"> \r\n<meta name=Generator content=\"Microsoft Word 10 (filtered)\"> "
        "\r\n<title> ";
    return text;
}

const std::string& PageTail() {
    static const std::string text = "</div> \r\n</body> \r\n</html> ";
    return text;
}

const std::string& CreditLine() {
    static const std::string text = "<font color=\"ffffff\">Powered By " + std::string(kMakerName) +
                                    "&nbsp;&nbsp<a href=\"" + std::string(kMakerAddress) +
                                    "\"><font color=\"ffffff\">" + std::string(kMakerAddress) +
                                    "</font></a></font>";
    return text;
}

const std::string& DefaultAfterTitle() {
    static const std::string text = gbk::fromUtf8(BuildDefaultHeader());
    return text;
}

std::string ReadSourceHead(const std::filesystem::path& intermediateHtml) {
    ReadStream stream(intermediateHtml);
    std::int64_t titleEnd = FindTag("</title", stream, Origin::Current, 0);
    if (titleEnd < 0)
        return {};
    if (FindTag("<div", stream, Origin::Current, 0) < 0)
        return {};
    if (!SkipToStartTagEnd(stream, LastDelimiterWasClose(stream)))
        return {};
    std::int64_t end = stream.position();
    std::string head;
    stream.seek(titleEnd, Origin::Beginning);
    stream.read(head, end - titleEnd);
    return head;
}

} // namespace qm
