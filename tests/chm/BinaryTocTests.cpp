// A project asking for a binary table of contents: the contents still come from its
// .hhc, and the compile says so.
#include "chm/Compiler.h"

#include "ChmReaders.h"
#include "RecordingListener.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace qm::chm;
using qm::test::writeFile;

TEST(BinaryToc, IsAWarningAndTheContentsComeFromTheHhc) {
    qm::test::TempDir dir;
    const std::string hhc = "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" "
                            "value=\"A\"><param name=\"Local\" value=\"a.htm\"></object></ul>";
    writeFile(dir / "a.htm", "<html><title>A</title><body>alpha</body></html>");
    writeFile(dir / "p.hhc", hhc);
    writeFile(dir / "p.hhp", "[OPTIONS]\r\nCompiled file=p.chm\r\nContents file=p.hhc\r\n"
                             "Binary TOC=Yes\r\n[FILES]\r\na.htm\r\n");
    qm::test::RecordingListener listener;
    const CompileResult result = compileProject(dir / "p.hhp", listener);
    ASSERT_TRUE(result.written) << listener.allLog();
    ASSERT_EQ(listener.warnings.size(), 1u) << listener.allLog();
    EXPECT_NE(
        listener.warnings[0].find("Binary TOC is not written; the contents come from the .hhc."),
        std::string::npos);
    const auto contents = qm::test::readWithChmlib(result.chm);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->at("/p.hhc"), hhc);
    EXPECT_FALSE(contents->count("/#TOCIDX"));
}
