#include "addcode/Preview.h"

#include "text/Gbk.h"
#include "text/OutputFile.h"

namespace qm {

const std::string& previewSample() {
    // Written in UTF-8 here and converted once, like every built-in GBK text.
    static const std::string text = gbk::fromUtf8(
        "<h2><a name=\"_Toc92103748\"><span style=\"font-family:黑体\">系统要求</span></a></h2> "
        "\r\n"
        "<p class=MsoNormal align=left style='margin-top:0cm;margin-right:0cm;margin-bottom: \r\n"
        "3.1pt;margin-left:26.95pt;text-align:left'><span style='font-size:9.0pt; \r\n"
        "font-family:宋体'>硬件配置：</span><span lang=EN-US style='font-size:9.0pt'>1G \r\n"
        "CPU</span><span style='font-size:9.0pt;font-family:宋体'>以上，</span><span \r\n"
        "lang=EN-US style='font-size:9.0pt'>256M</span><span style='font-size:9.0pt; \r\n"
        "font-family:宋体'>以上内存，</span><span \r\n"
        "lang=EN-US style='font-size:9.0pt'>500M</span><span \r\n"
        "style='font-size:9.0pt;font-family:宋体'>以上硬盘空间</span></p> \r\n"
        "<p class=MsoNormal align=left style='margin-top:0cm;margin-right:0cm;margin-bottom: \r\n"
        "3.1pt;margin-left:26.95pt;text-align:left'><span style='font-size:9.0pt; \r\n"
        "font-family:宋体'>操作系统：</span><span \r\n"
        "lang=EN-US style='font-size:9.0pt'>windows2000/XP</span><span \r\n"
        "style='font-size:9.0pt;font-family:宋体'>（简体中文版，推荐使用</span><span \r\n"
        "lang=EN-US style='font-size:9.0pt'>XP</span><span \r\n"
        "style='font-size:9.0pt;font-family:宋体'>）</span></p> \r\n"
        "<p class=MsoNormal align=left style='margin-top:0cm;margin-right:0cm;margin-bottom: \r\n"
        "3.1pt;margin-left:26.95pt;text-align:left'><span style='font-size:9.0pt; \r\n"
        "font-family:宋体'>屏幕分辨率：建议使用</span><span lang=EN-US "
        "style='font-size:9.0pt'>1024 \r\n"
        "x 768</span><span style='font-size:9.0pt;font-family:宋体'>或更高，</span><span \r\n"
        "style='font-size:9.0pt;font-family:宋体'>颜色设为真彩色</span></p> \r\n"
        "<p class=MsoNormal align=left style='margin-top:0cm;margin-right:0cm;margin-bottom: \r\n"
        "3.1pt;margin-left:26.95pt;text-align:left'><span lang=EN-US style='font-size: \r\n"
        "9.0pt'>&nbsp;</span></p> ");
    return text;
}

std::filesystem::path
previewAdditionalCode(const std::filesystem::path& targetFolder, const std::string& pageHead,
                      const std::string& afterTitle, const std::string& beforeEntry,
                      const std::string& afterEntry, const std::string& pageTail) {
    static const std::string title = gbk::fromUtf8("附加代码效果预览");
    std::filesystem::path path = targetFolder / kPreviewFileName;
    OutputFile page(path);
    page.write(pageHead);
    page.write(title);
    page.write(afterTitle);
    page.write(beforeEntry);
    page.write(previewSample());
    page.write(afterEntry);
    page.write(pageTail);
    page.commit();
    return path;
}

} // namespace qm
