#include "SampleDocument.h"

#include "support/TempDir.h"
#include "text/Gbk.h"

#include <string>

namespace qm::test {

namespace {

std::string paragraph(const std::string& text) {
    return "<p class=MsoNormal><span style='font-family:宋体'>" + text + "</span></p>\r\n";
}

} // namespace

std::filesystem::path writeSampleDocument(const std::filesystem::path& folder,
                                          std::string_view name, int chapters) {
    std::string page =
        "<html>\r\n<head>\r\n"
        "<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">\r\n"
        "<meta name=Generator content=\"Microsoft Word 11 (filtered)\">\r\n"
        "<title>用户手册</title>\r\n"
        "<style>\r\n<!--\r\n p.MsoNormal {margin:0cm; font-size:10.5pt;}\r\n-->\r\n</style>\r\n"
        "</head>\r\n\r\n<body lang=ZH-CN style='text-justify-trim:punctuation'>\r\n\r\n"
        "<div class=Section1 style='layout-grid:15.6pt'>\r\n\r\n";
    page += paragraph("本手册说明软件的安装和使用。");
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        const std::string number = std::to_string(chapter);
        page += "<h1><a name=\"_Toc" + number + "\">第" + number + "章 概述</a></h1>\r\n";
        page += paragraph("第" + number + "章的正文。");
        for (int section = 1; section <= 2; ++section) {
            const std::string id = number + "." + std::to_string(section);
            page += "<h2>" + id + " 功能说明</h2>\r\n";
            page += paragraph(id + "节的正文，说明软件的功能。");
            if (section == 2) {
                page += "<h3>" + id + ".1 注意事项</h3>\r\n";
                page += paragraph("注意事项的正文。");
            }
        }
    }
    page += "\r\n</div>\r\n\r\n</body>\r\n\r\n</html>\r\n";

    const std::filesystem::path path = folder / (std::string(name) + ".htm");
    writeFile(path, gbk::fromUtf8(page));
    return path;
}

} // namespace qm::test
