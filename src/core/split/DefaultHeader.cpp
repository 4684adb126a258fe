#include "split/DefaultHeader.h"

#include <string>
#include <vector>

namespace qm {
namespace {

struct Font {
    const char* family;
    const char* panose;
};

// The fonts a Word document of a Chinese office commonly names, with their PANOSE
// numbers, so that pages keep their look when the source's own head is not used.
const Font kFonts[] = {
    {"Helvetica", "2 11 6 4 2 2 2 2 2 4"},     {"Courier", "2 7 4 9 2 2 5 2 4 4"},
    {"\"Tms Rmn\"", "2 2 6 3 4 5 5 2 3 4"},    {"Helv", "2 11 6 4 2 2 2 3 2 4"},
    {"\"New York\"", "2 4 5 3 6 5 6 2 3 4"},   {"System", "0 0 0 0 0 0 0 0 0 0"},
    {"Wingdings", "5 0 0 0 0 0 0 0 0 0"},      {"\"MS Mincho\"", "2 2 6 9 4 2 5 8 3 4"},
    {"Batang", "2 3 6 0 0 1 1 1 1 1"},         {"宋体", "2 1 6 0 3 1 1 1 1 1"},
    {"SimSun", "2 1 6 0 3 1 1 1 1 1"},         {"新宋体", "2 1 6 9 3 1 1 1 1 1"},
    {"黑体", "2 1 6 0 3 1 1 1 1 1"},           {"SimHei", "2 1 6 0 3 1 1 1 1 1"},
    {"楷体_GB2312", "2 1 6 9 3 1 1 1 1 1"},    {"仿宋_GB2312", "2 1 6 9 3 1 1 1 1 1"},
    {"隶书", "2 1 5 9 3 1 1 1 1 1"},           {"幼圆", "2 1 5 9 3 1 1 1 1 1"},
    {"\"MS Gothic\"", "2 11 6 9 7 2 5 8 2 4"}, {"Dotum", "2 11 6 0 0 1 1 1 1 1"},
    {"PMingLiU", "2 2 3 0 0 0 0 0 0 0"},       {"MingLiU", "2 2 3 9 0 0 0 0 0 0"},
    {"Mangal", "2 4 5 3 5 2 3 3 2 2"},         {"\"Times New Roman\"", "2 2 6 3 5 4 5 2 3 4"},
    {"Arial", "2 11 6 4 2 2 2 2 2 4"},         {"\"Courier New\"", "2 7 3 9 2 2 5 2 4 4"},
    {"Symbol", "5 5 1 2 1 7 6 2 5 7"},         {"Verdana", "2 11 6 4 3 5 4 4 2 4"},
    {"Tahoma", "2 11 6 4 3 5 4 4 2 4"},        {"\"Arial Black\"", "2 11 10 4 2 1 2 2 2 4"},
    {"\"@宋体\"", "2 1 6 0 3 1 1 1 1 1"},      {"\"@黑体\"", "2 1 6 0 3 1 1 1 1 1"},
    {"Gungsuh", "2 3 6 0 0 1 1 1 1 1"},        {"GungsuhChe", "2 3 6 9 0 1 1 1 1 1"},
};

const std::vector<std::string> kNormal = {
    "margin:0cm;",         "margin-bottom:.0001pt;",
    "text-align:justify;", "text-justify:inter-ideograph;",
    "font-size:10.5pt;",   "font-family:\"Times New Roman\";}",
};

std::vector<std::string> heading(const char* size) {
    return {"margin-top:17.0pt;",
            "margin-right:0cm;",
            "margin-bottom:16.5pt;",
            "margin-left:0cm;",
            "text-align:justify;",
            "text-justify:inter-ideograph;",
            "line-height:240%;",
            "page-break-after:avoid;",
            std::string("font-size:") + size + ";",
            "font-family:\"Times New Roman\";",
            "font-weight:bold;}"};
}

void addLine(std::string& out, const std::string& line) {
    out += line;
    out += "\r\n";
}

void addRule(std::string& out, const std::string& selector,
             const std::vector<std::string>& declarations) {
    addLine(out, selector);
    for (std::size_t i = 0; i < declarations.size(); ++i)
        addLine(out, (i == 0 ? "\t{" : "\t") + declarations[i]);
}

} // namespace

std::string buildDefaultHeader() {
    std::string out;
    addLine(out, "</title>");
    addLine(out, "");
    addLine(out, "<style>");
    addLine(out, "<!--");

    addLine(out, " /* Font Definitions */");
    bool first = true;
    for (const Font& font : kFonts) {
        addLine(out, first ? " @font-face" : "@font-face");
        addLine(out, std::string("\t{font-family:") + font.family + ";");
        addLine(out, std::string("\tpanose-1:") + font.panose + ";}");
        first = false;
    }

    addLine(out, " /* Style Definitions */");
    addRule(out, " p.MsoNormal, li.MsoNormal, div.MsoNormal", kNormal);
    const char* headingSizes[] = {"22.0pt", "16.0pt", "16.0pt", "14.0pt", "14.0pt", "12.0pt"};
    for (int level = 1; level <= 6; ++level)
        addRule(out, "h" + std::to_string(level), heading(headingSizes[level - 1]));
    for (int level = 7; level <= 9; ++level) {
        std::string name = "MsoHeading" + std::to_string(level);
        addRule(out, "p." + name + ", li." + name + ", div." + name, heading("12.0pt"));
    }
    for (const char* family : {"MsoIndex", "MsoToc"}) {
        for (int level = 1; level <= 9; ++level) {
            std::string name = family + std::to_string(level);
            addRule(out, "p." + name + ", li." + name + ", div." + name, kNormal);
        }
    }
    for (const char* name : {"MsoHeader", "MsoFooter", "MsoCaption", "MsoList", "MsoListBullet",
                             "MsoListNumber", "MsoBodyText", "MsoBodyTextIndent", "MsoTitle",
                             "MsoSubtitle", "MsoDate", "MsoDocumentMap", "MsoPlainText"}) {
        std::string n = name;
        addRule(out, "p." + n + ", li." + n + ", div." + n, kNormal);
    }
    addRule(out, "a:link, span.MsoHyperlink", {"color:blue;", "text-decoration:underline;}"});
    addRule(out, "a:visited, span.MsoHyperlinkFollowed",
            {"color:purple;", "text-decoration:underline;}"});
    addRule(out, "p",
            {"margin-right:0cm;", "margin-left:0cm;", "font-size:12.0pt;", "font-family:宋体;}"});
    addRule(out, "address",
            {"margin:0cm;", "margin-bottom:.0001pt;", "font-size:12.0pt;",
             "font-family:\"Times New Roman\";", "font-style:italic;}"});
    addRule(out, "pre",
            {"margin:0cm;", "margin-bottom:.0001pt;", "font-size:12.0pt;", "font-family:宋体;}"});
    addRule(out, "ins", {"text-decoration:none;}"});
    addRule(out, "span.msoIns", {"text-decoration:underline;}"});
    addRule(out, "span.msoDel", {"text-decoration:line-through;", "color:red;}"});

    addLine(out, " /* Page Definitions */");
    addLine(out, " @page Section1");
    addLine(out, "\t{size:17.0cm 22.0cm;");
    addLine(out, "\tmargin:73.7pt 39.7pt 68.05pt 39.7pt;");
    addLine(out, "\tlayout-grid:15.6pt;}");
    addLine(out, "div.Section1");
    addLine(out, "\t{page:Section1;}");

    addLine(out, " /* List Definitions */");
    addLine(out, " ol");
    addLine(out, "\t{margin-bottom:0cm;}");
    addLine(out, "ul");
    addLine(out, "\t{margin-bottom:0cm;}");

    addLine(out, "-->");
    addLine(out, "</style>");
    addLine(out, "");
    addLine(out, "</head>");
    addLine(out, "");
    addLine(out, "<body lang=ZH-CN link=blue vlink=purple ");
    addLine(out, "style='tab-interval:21.0pt;text-justify-trim:");
    addLine(out, "punctuation'>");
    out += "<div class=Section1 style='layout-grid:15.6pt'>";
    return out;
}

} // namespace qm
