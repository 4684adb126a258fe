#include "addcode/AdditionalCodeFile.h"
#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>
#include <libxml/parserInternals.h>

#include <vector>

namespace qm {
namespace {

// Every file libxml2 would open for a document (DTDs, external entities) goes through
// the external entity loader; recording its calls shows that nothing was opened.
std::vector<std::string>* requested = nullptr;

xmlParserInputPtr recordingLoader(const char* url, const char*, xmlParserCtxtPtr) {
    if (requested)
        requested->push_back(url ? url : "(null)");
    return nullptr;
}

class HostileFile : public ::testing::Test {
protected:
    void SetUp() override {
        requested = &requests_;
        previous_ = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(recordingLoader);
        test::writeFile(secret(), "the user's private text");
    }
    void TearDown() override {
        xmlSetExternalEntityLoader(previous_);
        requested = nullptr;
    }
    std::filesystem::path secret() const { return dir_ / "secret.txt"; }

    // Loads the file and expects a refusal that leaks nothing and opened nothing.
    void expectRefused(const std::string& file) {
        test::writeFile(dir_ / "hostile.ahtml", file);
        try {
            LoadedAdditionalCode loaded = loadAdditionalCodeFile(dir_ / "hostile.ahtml");
            ADD_FAILURE() << "loaded: " << loaded.beforeEntry.value_or("(none)");
        } catch (const Error& e) {
            // After the sentence naming the file, the parser's reason.
            std::string message = e.what();
            message = message.substr(message.find("\r\n") + 2);
            EXPECT_EQ(message.substr(0, message.find('\r')),
                      "A document type declaration (DOCTYPE) is not allowed in this file");
            EXPECT_EQ(message.find("private"), std::string::npos);
        }
        EXPECT_TRUE(requests_.empty()) << requests_.front();
    }

    test::TempDir dir_;
    std::vector<std::string> requests_;
    xmlExternalEntityLoader previous_ = nullptr;
};

TEST_F(HostileFile, ExternalEntityPointingAtALocalFile) {
    expectRefused("<?xml version=\"1.0\" encoding=\"GB2312\"?>\n"
                  "<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" +
                  secret().string() +
                  "\">]>\n"
                  "<r><BeforeEntry>&x;</BeforeEntry></r>");
}

TEST_F(HostileFile, NestedEntityExpansion) {
    std::string dtd = "<!ENTITY a0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        dtd += "<!ENTITY a" + std::to_string(i) + " \"" + [&] {
            std::string refs;
            for (int k = 0; k < 10; ++k)
                refs += "&a" + std::to_string(i - 1) + ";";
            return refs;
        }() + "\">";
    expectRefused("<?xml version=\"1.0\"?>\n<!DOCTYPE r [" + dtd +
                  "]>\n<r><BeforeEntry>&a9;</BeforeEntry></r>");
}

TEST_F(HostileFile, ExternalDtdAndParameterEntities) {
    test::writeFile(dir_ / "evil.dtd", "<!ENTITY x SYSTEM \"file://" + secret().string() + "\">");
    expectRefused("<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"file://" +
                  (dir_ / "evil.dtd").string() + "\">\n<r><BeforeEntry>&x;</BeforeEntry></r>");
    expectRefused("<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY % p SYSTEM "
                  "\"http://example.invalid/p\"> %p;]>\n"
                  "<r><BeforeEntry>a</BeforeEntry></r>");
}

TEST_F(HostileFile, XIncludeIsNotFollowed) {
    test::writeFile(dir_ / "x.ahtml",
                    "<r xmlns:xi=\"http://www.w3.org/2001/XInclude\"><BeforeEntry>a</BeforeEntry>"
                    "<xi:include href=\"" +
                        secret().string() + "\" parse=\"text\"/></r>");
    LoadedAdditionalCode loaded = loadAdditionalCodeFile(dir_ / "x.ahtml");
    EXPECT_EQ(loaded.beforeEntry, "a");
    EXPECT_FALSE(loaded.afterEntry.has_value());
    EXPECT_TRUE(requests_.empty());
}

TEST_F(HostileFile, UndeclaredEntityIsAnError) {
    test::writeFile(dir_ / "x.ahtml", "<r><BeforeEntry>&nbsp;</BeforeEntry></r>");
    try {
        loadAdditionalCodeFile(dir_ / "x.ahtml");
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  gbk::fromUtf8("附加代码文件“") + gbk::fromPath(dir_ / "x.ahtml") +
                      gbk::fromUtf8("”第1行有错误，不是正确的附加代码文件，无法读取。") +
                      "\r\nEntity 'nbsp' not defined\r\nLine: 1\r\n"
                      "<r><BeforeEntry>&nbsp;</BeforeEntry></r>");
    }
}

} // namespace
} // namespace qm
