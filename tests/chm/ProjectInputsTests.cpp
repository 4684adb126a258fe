// What a project may read: nothing outside its folder goes into the CHM, headers it
// includes are read wherever they are, and a broken include costs one warning.
#include "chm/Compiler.h"

#include "HhcCommand.h"

#include "ChmReaders.h"
#include "RecordingListener.h"
#include "support/TempDir.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace qm::chm;
using qm::test::RecordingListener;
using qm::test::TempDir;
using qm::test::writeFile;

namespace {

const std::string kPage = "<html><title>A</title><body>alpha</body></html>";

struct Compiled {
    CompileResult result;
    RecordingListener listener;
};

std::unique_ptr<Compiled> compile(const std::filesystem::path& project) {
    auto c = std::make_unique<Compiled>();
    CompileOptions options;
    options.timestamp = 1700000000;
    c->result = compileProject(project, c->listener, options);
    return c;
}

int countContaining(const std::vector<std::string>& lines, std::string_view text) {
    int n = 0;
    for (const std::string& line : lines)
        n += line.find(text) != std::string::npos;
    return n;
}

} // namespace

TEST(ProjectInputs, FilesOutsideTheFolderStayOutOfTheChm) {
    TempDir dir;
    const std::string secret = "a secret that is not for the help";
    writeFile(dir / "x.htm", "<html><body>" + secret + "</body></html>");
    writeFile(dir / "p/a.htm", kPage + "<a href=\"../x.htm\">x</a>");
    std::filesystem::create_symlink(dir / "x.htm", dir / "p/link.htm");
    writeFile(dir / "p/p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\na.htm\r\n"
                               "/etc/passwd\r\n..\\x.htm\r\nlink.htm\r\nC:\\Windows\\win.ini\r\n");
    auto c = compile(dir / "p/p.hhp");
    ASSERT_TRUE(c->result.written) << c->listener.allLog();
    EXPECT_EQ(c->result.files, 1);
    // /etc/passwd, ..\x.htm (twice: [FILES] and the link), link.htm, C:\...
    EXPECT_EQ(countContaining(c->listener.warnings, "outside the project"), 5)
        << c->listener.allLog();
    EXPECT_EQ(countContaining(c->listener.warnings, "does not exist"), 0) << c->listener.allLog();
    const auto contents = qm::test::readWithChmlib(c->result.chm);
    ASSERT_TRUE(contents);
    for (const auto& [name, bytes] : *contents) {
        EXPECT_EQ(bytes.find(secret), std::string::npos) << name;
        EXPECT_EQ(bytes.find("root:"), std::string::npos) << name;
    }
}

TEST(ProjectInputs, AHeaderOutsideTheFolderIsReadWithAWarning) {
    TempDir dir;
    writeFile(dir / "src/ids.h", "#define IDH_A 10\r\n");
    writeFile(dir / "help/a.htm", kPage);
    writeFile(dir / "help/p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\na.htm\r\n"
                                  "[ALIAS]\r\nIDH_A=a.htm\r\n[MAP]\r\n#include ..\\src\\ids.h\r\n");
    auto c = compile(dir / "help/p.hhp");
    ASSERT_TRUE(c->result.written) << c->listener.allLog();
    ASSERT_EQ(c->listener.warnings.size(), 1u) << c->listener.allLog();
    EXPECT_NE(c->listener.warnings[0].find("outside the project"), std::string::npos);
    // The number came through: #IVB holds it.
    const auto ivb = qm::test::chmlibLookup(c->result.chm, "/#IVB");
    ASSERT_TRUE(ivb);
    EXPECT_NE(ivb->find(std::string("\x0A\0\0\0", 4)), std::string::npos);
}

TEST(ProjectInputs, AnIncludeLoopIsOneWarningNamingIt) {
    TempDir dir;
    writeFile(dir / "a.htm", kPage);
    writeFile(dir / "one.h", "#define IDH_A 10\r\n#include two.h\r\n");
    writeFile(dir / "two.h", "#define IDH_B 11\r\n#include ONE.H\r\n");
    writeFile(dir / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\na.htm\r\n"
                             "[ALIAS]\r\nIDH_A=a.htm\r\nIDH_B=a.htm\r\n#include p.hhp\r\n"
                             "[MAP]\r\n#include one.h\r\n");
    auto c = compile(dir / "p.hhp");
    ASSERT_TRUE(c->result.written) << c->listener.allLog();
    ASSERT_EQ(c->listener.warnings.size(), 2u) << c->listener.allLog();
    EXPECT_NE(c->listener.warnings[0].find("p.hhp -> p.hhp"), std::string::npos)
        << c->listener.warnings[0];
    EXPECT_NE(c->listener.warnings[1].find("one.h -> two.h -> ONE.H"), std::string::npos)
        << c->listener.warnings[1];
}

TEST(ProjectInputs, AMissingIncludeIsOneWarningAndTheLinesAfterItStillCount) {
    TempDir dir;
    writeFile(dir / "a.htm", kPage);
    writeFile(dir / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\nTitle=T\r\n[FILES]\r\na.htm\r\n"
                             "[ALIAS]\r\n#include absent.h\r\nIDH_A=a.htm\r\n"
                             "[MAP]\r\n#include absent.h\r\n#define IDH_A 10\r\n");
    auto c = compile(dir / "p.hhp");
    ASSERT_TRUE(c->result.written) << c->listener.allLog();
    EXPECT_EQ(c->listener.warnings.size(), 2u) << c->listener.allLog();
    EXPECT_EQ(countContaining(c->listener.warnings, "absent.h"), 2);
    EXPECT_TRUE(qm::test::chmlibLookup(c->result.chm, "/#IVB"));
}

namespace {

struct NotAProject {
    const char* what;
    std::string bytes;
};

class ProjectsWithNothingToCompile : public ::testing::TestWithParam<NotAProject> {};

TEST_P(ProjectsWithNothingToCompile, FailWithExitOneAndNoChm) {
    TempDir dir;
    writeFile(dir / "a.htm", kPage);
    writeFile(dir / "p.hhp", GetParam().bytes);
    qm::hhc::HhcOptions options;
    options.project = dir / "p.hhp";
    options.compile.utf8Messages = true;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(qm::hhc::runCompile(options, out, err), 1);
    std::rewind(err);
    char buffer[512] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, err);
    EXPECT_NE(std::string(buffer, n).find("no CHM"), std::string::npos) << buffer;
    std::fclose(out);
    std::fclose(err);
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().extension(), ".chm") << e.path();
}

INSTANTIATE_TEST_SUITE_P(
    Projects, ProjectsWithNothingToCompile,
    ::testing::Values(NotAProject{"empty", ""}, NotAProject{"blank", " \r\n\r\n"},
                      NotAProject{"no options", "[FILES]\r\na.htm\r\n"},
                      NotAProject{"binary",
                                  std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR[OPTIONS]", 24)},
                      NotAProject{"a CHM", std::string("ITSF\x03\0\0\0`\0\0\0\x01\0\0\0", 16)},
                      NotAProject{"no files", "[OPTIONS]\r\nCompiled file=p.chm\r\nTitle=T\r\n"},
                      NotAProject{"only missing files",
                                  "[OPTIONS]\r\nCompiled file=p.chm\r\n[FILES]\r\nb.htm\r\n"}),
    [](const auto& param) {
        std::string name = param.param.what;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        return name;
    });

} // namespace
