// Documentation generators that write HTML Help projects and run the compiler on them:
// Doxygen through HHC_LOCATION (hhc), Sphinx's htmlhelp builder (quillmark-hhc).
#include "ChmReaders.h"
#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using qm::test::runCommand;
using qm::test::shellQuote;

bool haveCommand(const std::string& name) {
    return runCommand("command -v " + name + " >/dev/null") == 0;
}

std::string quoted(const std::filesystem::path& path) {
    return shellQuote(path.string());
}

} // namespace

TEST(Doxygen, BuildsTheChmOfACProjectThroughHhcLocation) {
    if (!haveCommand("doxygen"))
        GTEST_SKIP() << "doxygen is absent (apt-get install doxygen); test skipped";
    qm::test::TempDir dir;
    qm::test::writeFile(dir / "calc.h", "/** @file calc.h\n"
                                        " *  @brief A tiny calculator.\n"
                                        " */\n"
                                        "/** Adds two numbers. @param a first @param b second\n"
                                        " *  @return the sum of a and b */\n"
                                        "int calc_add(int a, int b);\n");
    // Doxygen would turn the search and the dynamic menus off itself, with an error line.
    qm::test::writeFile(dir / "Doxyfile", "PROJECT_NAME = Calc\n"
                                          "INPUT = calc.h\n"
                                          "OUTPUT_DIRECTORY = out\n"
                                          "GENERATE_LATEX = NO\n"
                                          "GENERATE_HTMLHELP = YES\n"
                                          "CHM_FILE = calc.chm\n"
                                          "HHC_LOCATION = " +
                                              (qm::test::binaryDir() / "hhc").string() +
                                              "\n"
                                              "SEARCHENGINE = NO\n"
                                              "HTML_DYNAMIC_MENUS = NO\n"
                                              "HAVE_DOT = NO\n"
                                              "GENERATE_LEGEND = NO\n"
                                              "QUIET = YES\n");
    std::string out;
    EXPECT_EQ(runCommand("cd " + quoted(dir.path()) + " && doxygen Doxyfile", &out), 0) << out;
    // Doxygen's only word on the compiler: an exit status other than 1 is this error.
    EXPECT_EQ(out.find("failed to run html help compiler"), std::string::npos) << out;
    const auto chm = qm::test::readWithChmlib(dir / "out/html/calc.chm");
    ASSERT_TRUE(chm.has_value()) << out;
    ASSERT_TRUE(chm->count("/index.html")) << out;
    ASSERT_TRUE(chm->count("/calc_8h.html")) << out;
    EXPECT_NE(chm->at("/calc_8h.html").find("Adds two numbers"), std::string::npos);
    EXPECT_TRUE(chm->count("/index.hhc"));
}

TEST(Sphinx, HtmlHelpOutputCompilesIntoAChm) {
    if (!haveCommand("sphinx-build"))
        GTEST_SKIP() << "sphinx-build is absent (apt-get install python3-sphinx "
                        "python3-sphinxcontrib.htmlhelp); test skipped";
    qm::test::TempDir dir;
    // Debian's builder is an extension without an entry point: conf.py names it.
    qm::test::writeFile(dir / "src/conf.py", "project = 'Tiny'\n"
                                             "extensions = ['sphinxcontrib.htmlhelp']\n"
                                             "htmlhelp_basename = 'tiny'\n"
                                             "html_copy_source = False\n");
    qm::test::writeFile(dir / "src/index.rst",
                        "Tiny\n====\n\nThe *tiny* manual.\n\n.. toctree::\n\n   usage\n");
    qm::test::writeFile(dir / "src/usage.rst",
                        "Usage\n=====\n\n.. index:: running\n\nRun it with care.\n");
    std::string out;
    const int built = runCommand(
        "sphinx-build -q -b htmlhelp " + quoted(dir / "src") + " " + quoted(dir / "out"), &out);
    if (built != 0 && out.find("sphinxcontrib.htmlhelp") != std::string::npos)
        GTEST_SKIP() << "Sphinx lacks its htmlhelp builder (apt-get install "
                        "python3-sphinxcontrib.htmlhelp); test skipped: "
                     << out;
    ASSERT_EQ(built, 0) << out;
    EXPECT_EQ(runCommand(shellQuote((qm::test::binaryDir() / "quillmark-hhc").string()) + " " +
                             quoted(dir / "out/tiny.hhp"),
                         &out),
              0)
        << out;
    EXPECT_EQ(out.find("Warning"), std::string::npos) << out;
    const auto chm = qm::test::readWithChmlib(dir / "out/tiny.chm");
    ASSERT_TRUE(chm.has_value()) << out;
    ASSERT_TRUE(chm->count("/usage.html")) << out;
    EXPECT_NE(chm->at("/usage.html").find("Run it with care."), std::string::npos);
    ASSERT_TRUE(chm->count("/tiny.hhk"));
    EXPECT_NE(chm->at("/tiny.hhk").find("running"), std::string::npos);
}
