// quillmark-hhc, run as a user runs it.
#include "HhcCommand.h"

#include "ChmReaders.h"
#include "ProjectFixture.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

std::string hhc() {
    return qm::test::shellQuote((qm::test::binaryDir() / "quillmark-hhc").string());
}

} // namespace

TEST(HhcCommand, ParsesItsOptions) {
    auto parsed =
        qm::hhc::parseArguments({"-q", "-o", "out.chm", "-j", "3", "--timestamp", "99", "p.hhp"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_TRUE(parsed.options.quiet);
    EXPECT_EQ(parsed.options.project, "p.hhp");
    EXPECT_EQ(parsed.options.compile.output.filename(), "out.chm");
    EXPECT_TRUE(parsed.options.compile.output.is_absolute());
    EXPECT_EQ(parsed.options.compile.threads, 3u);
    EXPECT_EQ(parsed.options.compile.timestamp, 99);
    EXPECT_TRUE(parsed.options.compile.utf8Messages);
    EXPECT_FALSE(qm::hhc::parseArguments({}).error.empty());
    EXPECT_FALSE(qm::hhc::parseArguments({"a.hhp", "b.hhp"}).error.empty());
    EXPECT_FALSE(qm::hhc::parseArguments({"--bogus", "a.hhp"}).error.empty());
    EXPECT_FALSE(qm::hhc::parseArguments({"-o"}).error.empty());
    EXPECT_TRUE(qm::hhc::parseArguments({"--help"}).options.help);
}

TEST(HhcCommand, HelpVersionAndUsageErrors) {
    std::string out;
    EXPECT_EQ(qm::test::runCommand(hhc() + " --help", &out), 0);
    EXPECT_NE(out.find("Usage: quillmark-hhc"), std::string::npos);
    EXPECT_EQ(qm::test::runCommand(hhc() + " --version", &out), 0);
    EXPECT_NE(out.find("quillmark-hhc "), std::string::npos);
    EXPECT_EQ(qm::test::runCommand(hhc(), &out), 2);
    EXPECT_EQ(qm::test::runCommand(hhc() + " --nonsense x.hhp", &out), 2);
}

TEST(HhcCommand, CompilesPrintsProgressAndClosingLine) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    std::string err; // runCommand captures standard error; standard output goes to a file
    int status =
        qm::test::runCommand("(" + hhc() + " " + qm::test::shellQuote(fixture.project.string()) +
                                 " >" + qm::test::shellQuote((dir / "out.txt").string()) + ")",
                             &err);
    std::string out = qm::test::readFile(dir / "out.txt");
    EXPECT_EQ(status, 0) << out << err;
    EXPECT_TRUE(std::filesystem::exists(dir / "manual.chm"));
    EXPECT_NE(out.find("Compiled "), std::string::npos) << out;
    EXPECT_EQ(out.find("Compiling "), std::string::npos) << "progress goes to standard error";
    EXPECT_NE(err.find("Compiling manual.hhc"), std::string::npos) << err;
    EXPECT_NE(err.find("首页"), std::string::npos) << "progress is UTF-8 on the terminal";
}

TEST(HhcCommand, QuietOutputOptionAndFailure) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    std::string out;
    EXPECT_EQ(qm::test::runCommand(hhc() + " -q -o " +
                                       qm::test::shellQuote((dir / "x" / "other.chm").string()) +
                                       " " + qm::test::shellQuote(fixture.project.string()),
                                   &out),
              0);
    EXPECT_TRUE(out.empty()) << out;
    EXPECT_TRUE(std::filesystem::exists(dir / "x" / "other.chm"));
    EXPECT_FALSE(std::filesystem::exists(dir / "manual.chm"));

    EXPECT_EQ(qm::test::runCommand(
                  hhc() + " -q " + qm::test::shellQuote((dir / "missing.hhp").string()), &out),
              1);
    EXPECT_NE(out.find("missing.hhp"), std::string::npos) << "errors are printed even when quiet";
}

TEST(HhcCommand, AStopRequestEndsTheCompileWithoutAChm) {
    qm::test::TempDir dir;
    qm::test::Fixture fixture = qm::test::writeGeneratedProject(dir.path(), {});
    qm::hhc::HhcOptions options;
    options.project = fixture.project;
    options.quiet = true;
    volatile std::sig_atomic_t stop = 1; // as Ctrl-C sets it
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(qm::hhc::runCompile(options, out, out, &stop), 130);
    std::fclose(out);
    EXPECT_FALSE(std::filesystem::exists(dir / "manual.chm"));
    stop = 0;
    EXPECT_EQ(qm::hhc::runCompile(options, stdout, stderr, &stop), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "manual.chm"));
}
