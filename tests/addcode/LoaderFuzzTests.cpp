#include "addcode/AdditionalCodeFile.h"
#include "text/Error.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

#include <random>

namespace qm {
namespace {

// Seeds: what the writer makes, and the odd corners of the format.
std::vector<std::string> seeds() {
    return {
        formatAdditionalCode({gbk::fromUtf8("<table>\r\n<tr><td>页眉</td></tr>"), "</table>"}),
        "<?xml version=\"1.0\" "
        "encoding=\"GB2312\"?><r><BeforeEntry/><AfterEntry>a&amp;b</AfterEntry></r>",
        "<?xml version='1.0' encoding='UTF-8'?><r><![CDATA[x]]><!-- c "
        "--><BeforeEntry>&#x41;</BeforeEntry></r>",
        "<!DOCTYPE r [<!ENTITY a \"b\">]><r><BeforeEntry>&a;</BeforeEntry></r>",
        "\xFF\xFE<\0r\0/\0>\0",
    };
}

// Whatever the bytes, the reader gives a result or a qm::Error: never a crash, a hang
// or another exception. Replayed with a fixed seed so that a failure repeats.
TEST(LoaderFuzz, MutatedAndRandomBytesGiveAResultOrAnError) {
    std::mt19937 random(20050105);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const std::string alphabet = "<>/?!&#;=\"' \r\n[]-%abBEeFnrtxy0123\x80\xB0\xFE\xFF";
    std::vector<std::string> corpus = seeds();
    int loaded = 0, refused = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string input = corpus[pick(corpus.size())];
        int edits = 1 + static_cast<int>(pick(8));
        for (int e = 0; e < edits; ++e) {
            std::size_t at = input.empty() ? 0 : pick(input.size());
            switch (pick(5)) {
            case 0: // overwrite a byte with anything
                if (!input.empty())
                    input[at] = static_cast<char>(pick(256));
                break;
            case 1: // insert a byte that matters to XML
                input.insert(at, 1, alphabet[pick(alphabet.size())]);
                break;
            case 2: // cut the rest
                input.resize(at);
                break;
            case 3: // repeat a piece, to nest and duplicate
                input.insert(at, input.substr(pick(input.size() + 1), 1 + pick(24)));
                break;
            default: // splice in part of another seed
                input.insert(at, corpus[pick(corpus.size())].substr(0, pick(64)));
            }
        }
        if (round % 10 == 0) { // and some plain noise
            input.assign(pick(200), '\0');
            for (char& c : input)
                c = static_cast<char>(pick(256));
        }
        try {
            parseAdditionalCode(input);
            ++loaded;
            if (loaded % 50 == 0)
                corpus.push_back(input);
        } catch (const Error&) {
            ++refused;
        }
    }
    // Both outcomes occur, so the mutations do reach the reader's rules.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace qm
