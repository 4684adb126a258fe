#include "ProjectFixture.h"

#include "text/Gbk.h"

#include <fstream>
#include <random>

namespace qm::test {
namespace {

const char* const kWords[] = {
    "系统",    "安装",     "配置",    "用户",  "文件",   "窗口",   "菜单",   "选项",   "数据",
    "帮助",    "打开",     "保存",    "设置",  "工具",   "编辑",   "查看",   "格式",   "表格",
    "图片",    "目录",     "索引",    "搜索",  "the",    "system", "file",   "window", "menu",
    "option",  "data",     "install", "user",  "select", "click",  "button", "dialog", "version",
    "setting", "document", "page",    "topic", "and",    "of",     "to",     "in",     "is",
    "for",     "with",     "on",      "this",  "that"};

const char* const kTitles[] = {"概述",     "系统要求", "界面",   "菜单",    "安装",
                               "卸载",     "配置",     "使用",   "工具栏",  "快捷键",
                               "常见问题", "附录",     "术语表", "文件格式"};

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

struct Plan {
    std::vector<FixtureTopic> topics;
    std::vector<std::string> pages; // GBK bytes
    std::vector<std::string> pictureNames;
    std::vector<std::string> pictureBytes;
};

Plan makePlan(const FixtureOptions& o) {
    Plan plan;
    std::mt19937 rng(o.seed);
    const std::string content = o.baseName + ".Content";
    int position = 1;
    for (int k = 0; k < o.topics; ++k) {
        FixtureTopic t;
        if (k == 0) {
            t.title = "首页";
            t.position = 1;
            t.level = 0;
        } else {
            t.level = 1 + static_cast<int>(rng() % 3);
            t.title = std::to_string(k) + kTitles[rng() % std::size(kTitles)];
            position += 100 + static_cast<int>(rng() % 4000);
            t.position = position;
        }
        t.pageName = content + "/" + t.title + "." + std::to_string(t.position) + ".htm";
        plan.topics.push_back(t);
    }
    for (int p = 0; p < o.pictures; ++p) {
        char name[32];
        std::snprintf(name, sizeof name, "image%03d.png", p + 1);
        plan.pictureNames.push_back(content + "/" + o.baseName + ".files/" + name);
        std::string png = "\x89PNG\r\n\x1a\n";
        std::size_t size = 600 + rng() % 3000;
        for (std::size_t i = 0; i < size; ++i)
            png.push_back(static_cast<char>(rng() & 0xFF));
        plan.pictureBytes.push_back(png);
    }
    for (int k = 0; k < o.topics; ++k) {
        const FixtureTopic& t = plan.topics[static_cast<std::size_t>(k)];
        std::string html = "<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
                           "charset=gb2312\">\r\n<title>" +
                           t.title +
                           "</title>\r\n<style>\r\np.MsoNormal {margin:0cm; font-size:10.5pt; "
                           "font-family:\"Times New Roman\";}\r\n</style>\r\n</head>\r\n<body "
                           "lang=ZH-CN style='text-justify-trim:punctuation'>\r\n<h1>" +
                           t.title + "</h1>\r\n";
        for (int p = 0; p < o.paragraphsPerTopic; ++p) {
            html += "<p class=MsoNormal>";
            int words = 20 + static_cast<int>(rng() % 40);
            for (int w = 0; w < words; ++w) {
                std::string word = kWords[rng() % std::size(kWords)];
                html += word;
                if (static_cast<unsigned char>(word[0]) < 0x80)
                    html += ' ';
            }
            html += "</p>\r\n";
        }
        if (!plan.pictureNames.empty() && k % 3 == 1) {
            std::size_t which = static_cast<std::size_t>(k / 3) % plan.pictureNames.size();
            std::string pic = plan.pictureNames[which];
            html += "<p class=MsoNormal><img width=32 height=32 src=\"" + o.baseName + ".files/" +
                    pic.substr(pic.rfind('/') + 1) + "\"></p>\r\n";
        }
        if (o.topics > 1) {
            const FixtureTopic& other = plan.topics[static_cast<std::size_t>((k + 1) % o.topics)];
            html += "<p><a href=\"" + other.title + "." + std::to_string(other.position) +
                    ".htm\">" + other.title + "</a></p>\r\n";
        }
        html += "</body>\r\n</html>\r\n";
        plan.pages.push_back(gbk::fromUtf8(html));
    }
    return plan;
}

std::string sitemap(const Plan& plan, const std::string& prefix, bool index, bool gbkOut) {
    std::string header =
        "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"> \r\n<HTML> \r\n<HEAD> \r\n"
        "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\"> "
        "\r\n<!-- Sitemap 1.0 --> \r\n</HEAD><BODY><UL>";
    if (index)
        header += " ";
    std::vector<std::string> lines{header};
    int level = 0;
    for (const FixtureTopic& t : plan.topics) {
        int depth = t.level <= 1 ? 0 : t.level - 1;
        while (level < depth) {
            lines.push_back("<UL>");
            ++level;
        }
        while (level > depth) {
            lines.push_back("</UL>");
            --level;
        }
        std::string entry =
            "<LI> <OBJECT type=\"text/sitemap\"> \r\n<param name=\"Name\" value=\"" + t.title +
            "\"> \r\n";
        if (index)
            entry += "<param name=\"Name\" value=\"" + t.title + "\"> \r\n";
        entry += "<param name=\"Local\" value=\"" + prefix + t.title + "." +
                 std::to_string(t.position) + ".htm\"> \r\n</OBJECT> ";
        lines.push_back(entry);
    }
    while (level-- > 0)
        lines.push_back("</UL>");
    lines.push_back("</UL></BODY></HTML>");
    std::string text = crlf(lines);
    return gbkOut ? gbk::fromUtf8(text) : text;
}

void writeCommon(const std::filesystem::path& folder, const FixtureOptions& o, const Plan& plan) {
    for (std::size_t k = 0; k < plan.topics.size(); ++k)
        writeBytes(folder / plan.topics[k].pageName, plan.pages[k]);
    for (std::size_t p = 0; p < plan.pictureNames.size(); ++p)
        writeBytes(folder / plan.pictureNames[p], plan.pictureBytes[p]);
    (void)o;
}

std::string projectText(const FixtureOptions& o, const Plan& plan, char separator) {
    const std::string prefix = o.baseName + ".Content" + separator;
    const std::string defaultTopic =
        prefix + plan.topics[0].title + "." + std::to_string(plan.topics[0].position) + ".htm";
    const std::string title = o.baseName + " －帮助";
    std::vector<std::string> lines{"[OPTIONS] ",
                                   " Compatibility=1.1 or later ",
                                   "Compiled file=" + o.baseName + ".chm ",
                                   "Contents file=" + o.baseName + ".hhc ",
                                   "Default topic=" + defaultTopic + " ",
                                   "Display compile progress=No ",
                                   "Enhanced decompilation=Yes ",
                                   "Full text search stop list file=quelra.stp ",
                                   "Full-text search=Yes ",
                                   "Index file=" + o.baseName + ".hhk ",
                                   "Language=0x804 中文(中国) ",
                                   "Title=" + title + " ",
                                   "Default Window=Main ",
                                   "Default font=宋体,9,134 ",
                                   "[INFOTYPES] ",
                                   "[WINDOWS] \r\nMain=\"" + title + "\",\"" + o.baseName +
                                       ".hhc\",\"" + o.baseName + ".hhk\",\"" + defaultTopic +
                                       "\",\"" + defaultTopic +
                                       "\",,,,,0x1561,185,0x107E,[1,1,1000,776],0x0,0x0,,,,,0\r\n",
                                   "[FILES]"};
    for (const FixtureTopic& t : plan.topics)
        lines.push_back(prefix + t.title + "." + std::to_string(t.position) + ".htm");
    lines.push_back("");
    lines.push_back("[ALIAS]");
    lines.push_back("#include " + prefix + "Alias.h");
    lines.push_back("");
    lines.push_back("[MAP]");
    lines.push_back("#include " + prefix + "HelpID.h");
    return crlf(lines);
}

void writeContextFiles(const std::filesystem::path& folder, const FixtureOptions& o,
                       const Plan& plan, char separator, bool gbkOut) {
    std::vector<std::string> alias, map;
    for (std::size_t k = 0; k < plan.topics.size(); ++k) {
        const FixtureTopic& t = plan.topics[k];
        // chmcmd takes the blanks around '=' for part of the name; the twin leaves them out.
        alias.push_back("IDH_" + std::to_string(k + 1) + (gbkOut ? " = " : "=") + o.baseName +
                        ".Content" + separator + t.title + "." + std::to_string(t.position) +
                        ".htm");
        map.push_back("#define IDH_" + std::to_string(k + 1) + " 100" + std::to_string(k + 1));
    }
    std::string a = crlf(alias), m = crlf(map);
    writeBytes(folder / (o.baseName + ".Content") / "Alias.h", gbkOut ? gbk::fromUtf8(a) : a);
    writeBytes(folder / (o.baseName + ".Content") / "HelpID.h", m);
}

} // namespace

Fixture writeGeneratedProject(const std::filesystem::path& folder, const FixtureOptions& o) {
    Plan plan = makePlan(o);
    writeCommon(folder, o, plan);
    writeContextFiles(folder, o, plan, '\\', true);
    const std::string prefix = o.baseName + ".Content\\";
    writeBytes(folder / (o.baseName + ".hhc"), sitemap(plan, prefix, false, true));
    writeBytes(folder / (o.baseName + ".hhk"), sitemap(plan, prefix, true, true));
    writeBytes(folder / (o.baseName + ".hhp"), gbk::fromUtf8(projectText(o, plan, '\\')));
    Fixture f;
    f.project = folder / (o.baseName + ".hhp");
    f.topics = plan.topics;
    f.pictures = plan.pictureNames;
    return f;
}

std::filesystem::path writeUtf8Twin(const std::filesystem::path& folder, const FixtureOptions& o) {
    Plan plan = makePlan(o);
    writeCommon(folder, o, plan);
    writeContextFiles(folder, o, plan, '/', false);
    const std::string prefix = o.baseName + ".Content/";
    writeBytes(folder / (o.baseName + ".hhc"), sitemap(plan, prefix, false, false));
    writeBytes(folder / (o.baseName + ".hhk"), sitemap(plan, prefix, true, false));
    // chmcmd crashes building a binary index of this index file, so the twin asks for none.
    std::string project = projectText(o, plan, '/');
    project.insert(project.find("[INFOTYPES]"), "Binary Index=No \r\n");
    writeBytes(folder / (o.baseName + ".hhp"), project);
    return folder / (o.baseName + ".hhp");
}

} // namespace qm::test
