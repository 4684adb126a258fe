#include "word/DocumentSniffer.h"

#include "support/Samples.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sys/stat.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using Verdict = DocumentCheck::Verdict;

struct Row {
    fs::path file;
    Verdict verdict;
    std::string why; // a piece of the reason, for NotADocument
};

void expectRows(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file.string());
        DocumentCheck c = checkDocument(r.file);
        EXPECT_EQ(c.verdict, r.verdict);
        if (r.verdict == Verdict::NotADocument) {
            EXPECT_NE(c.why.find(r.why), std::string::npos) << c.why;
        }
    }
}

std::string utf16(std::string_view ascii) {
    std::string out;
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out + std::string(2, '\0');
}

// A copy of a compound file whose root stream from is renamed to to.
std::string renameStream(std::string bytes, std::string_view from, std::string_view to) {
    const std::string name = utf16(from);
    for (std::size_t at = bytes.find(name); at != std::string::npos;
         at = bytes.find(name, at + 1)) {
        if (bytes.compare(at + 0x40, 2, std::string{static_cast<char>(name.size()), '\0'}) != 0)
            continue; // not a directory entry
        const std::string renamed = utf16(to);
        bytes.replace(at, renamed.size(), renamed);
        bytes[at + 0x40] = static_cast<char>(renamed.size());
        return bytes;
    }
    ADD_FAILURE() << "no stream " << from;
    return bytes;
}

TEST(DocumentSniffer, TellsWhatAFileIsInsteadOfAWordDocument) {
    test::TempDir dir;
    test::writeFile(dir / "empty.doc", "");
    test::writeFile(dir / "report.doc", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< >>\n");
    std::string noise(20000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    test::writeFile(dir / "noise.doc", noise);
    // Word opens text and pages saved under .doc; a .docx or .rtf promises its own format.
    test::writeFile(dir / "notes.doc", "Meeting notes\r\n\tagenda\r\n");
    test::writeFile(dir / "page.doc", "\xEF\xBB\xBF<html><body><p>x</p></body></html>");
    test::writeFile(dir / "notes.docx", "Meeting notes\r\n");
    test::writeFile(dir / "notes.rtf", "Meeting notes\r\n");
    test::writeFile(dir / "plain.rtf", "{\\rtf1\\ansi Plain.\\par}");
    ASSERT_EQ(::mkfifo((dir / "pipe.doc").c_str(), 0600), 0);

    expectRows({
        {dir / "missing.doc", Verdict::Missing, {}},
        {dir.path(), Verdict::NotADocument, "文件夹"},
        {dir / "pipe.doc", Verdict::NotADocument, "管道"},
        {"/dev/null", Verdict::NotADocument, "设备"},
        {dir / "empty.doc", Verdict::NotADocument, "空"},
        {dir / "report.doc", Verdict::NotADocument, "PDF"},
        {dir / "noise.doc", Verdict::NotADocument, "无法识别"},
        {dir / "notes.doc", Verdict::Document, {}},
        {dir / "page.doc", Verdict::Document, {}},
        {dir / "notes.docx", Verdict::NotADocument, "文本"},
        {dir / "notes.rtf", Verdict::NotADocument, "文本"},
        {dir / "plain.rtf", Verdict::Document, {}},
    });
}

TEST(DocumentSniffer, ReadsRealFiles) {
    const fs::path samples = test::samplesDir();
    if (samples.empty())
        GTEST_SKIP() << test::kNoSamples;
    std::vector<Row> rows;
    std::ifstream manifest(samples / "doc" / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        const std::string file = line.substr(0, line.find('\t'));
        rows.push_back(
            {samples / "doc" / file,
             file == "poi__PasswordProtected.doc" ? Verdict::PasswordProtected : Verdict::Document,
             {}});
    }
    ASSERT_GE(rows.size(), 40u);

    // Other files under a Word document's name, copied (the samples stay as they are).
    test::TempDir dir;
    auto copy = [&](const fs::path& from, const char* name) {
        fs::copy_file(samples / from, dir / name);
        return dir / name;
    };
    const std::string plain = test::readFile(samples / "doc" / "msoffcrypto__plain.doc");
    test::writeFile(dir / "half.doc", plain.substr(0, plain.size() / 2));
    test::writeFile(dir / "header.doc", plain.substr(0, 300));
    test::writeFile(dir / "locked.docx", renameStream(plain, "WordDocument", "EncryptionInfo"));
    test::writeFile(dir / "book.doc", renameStream(plain, "WordDocument", "Workbook"));
    rows.insert(rows.end(),
                {
                    {dir / "half.doc", Verdict::NotADocument, "不完整"},
                    {dir / "header.doc", Verdict::NotADocument, "不完整"},
                    {dir / "locked.docx", Verdict::PasswordProtected, {}},
                    {dir / "book.doc", Verdict::NotADocument, "其他程序"},
                    {copy("hhp/teraterm-ja/doc/ja/html/reference/image/ssh.ppt", "slides.doc"),
                     Verdict::NotADocument, "其他程序"},
                    {copy("html/countingpi_cn/index.files/themedata.thmx", "theme.docx"),
                     Verdict::NotADocument, "其他程序"},
                    {copy("hhp/othello-zh/Othello.chm", "help.doc"), Verdict::NotADocument, "CHM"},
                    {copy("html/wjt_utf16/index.htm", "utf16.doc"), Verdict::Document, {}},
                });
    expectRows(rows);
}

// Damaged compound files give a verdict: never a crash, a hang or a read beyond the file
// (which the sanitizer build sees). Replayed with a fixed seed.
TEST(DocumentSniffer, DamagedCompoundFilesNeverBreakTheCheck) {
    if (test::samplesDir().empty())
        GTEST_SKIP() << test::kNoSamples;
    const std::string plain = test::readFile(test::samplesDir() / "doc" / "msoffcrypto__plain.doc");
    std::mt19937 random(20260607);
    test::TempDir dir;
    int verdicts[5] = {};
    for (int round = 0; round < 200; ++round) {
        std::string bytes = plain;
        // The header, and the last sectors: the allocation table and the directory.
        for (int e = 0; e <= round % 4; ++e) {
            std::size_t at = random() % 2 ? random() % 512 : bytes.size() - 1 - random() % 2560;
            bytes[at] = static_cast<char>(random());
        }
        if (round % 7 == 0)
            bytes.resize(random() % bytes.size());
        std::ofstream(dir / "d.doc", std::ios::binary | std::ios::trunc) << bytes;
        ++verdicts[static_cast<int>(checkDocument(dir / "d.doc").verdict)];
    }
    EXPECT_GT(verdicts[static_cast<int>(Verdict::Document)], 20);
    EXPECT_GT(verdicts[static_cast<int>(Verdict::NotADocument)], 20);
}

} // namespace
} // namespace qm
