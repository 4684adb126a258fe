// A large page is searched like a small one: its text reaches the full-text index in
// pieces, and the words and their numbers are those of the whole text.
#include "chm/FullTextIndex.h"
#include "chm/PageText.h"
#include "chm/TextCodec.h"
#include "chm/WordBreaker.h"
#include "html/Entities.h"

#include "FiftiMainReader.h"

#include <gtest/gtest.h>
#include <map>

using namespace qm::chm;

namespace {

// Chinese without a single space, with dotted names, numbers and Latin words between.
std::string unspacedBody(std::size_t bytes) {
    std::uint32_t state = 99;
    auto next = [&] { return state = state * 1103515245u + 12345u; };
    std::string body;
    while (body.size() < bytes) {
        for (int i = 0; i < 300; ++i)
            qm::html::appendUtf8(body, static_cast<char32_t>(0x4E00 + (next() >> 16) % 40));
        const char* extras[] = {"archive.zip", "，", "1.5", "Setup", "。", "&amp;", "x"};
        body += extras[(next() >> 16) % 7];
    }
    return body;
}

} // namespace

TEST(LargePages, AnUnspacedBodyInPiecesIsIndexedAsOneText) {
    const std::string body = unspacedBody(400 * 1024);
    const std::string page =
        "<html><head><title>Big page</title></head><body><p>" + body + "</p></body></html>";
    FullTextIndex index;
    // Pieces of awkward sizes, as the page streams them and smaller.
    streamPageText(
        page, "UTF-8", [&](const std::string& title) { index.beginTopic(0, title); },
        [&](std::string_view piece) {
            for (std::size_t size : {1u, 7u, 4099u, 70001u}) {
                const std::size_t take = std::min(size, piece.size());
                index.addBody(piece.substr(0, take));
                piece.remove_prefix(take);
            }
            index.addBody(piece);
        });
    index.endTopic();
    const qm::test::FiftiMainReader reader(index.build(TextCodec("GBK"), 936, 0x804));

    // The reference: the whole body broken at once, numbered after the title's two words.
    const std::string decoded = extractPageText(page, "UTF-8").body;
    std::map<std::string, std::vector<std::uint32_t>> expected;
    for (const IndexedWord& w : breakWords(decoded))
        expected[w.text].push_back(w.position + 2);
    ASSERT_TRUE(expected.count("archive.zip"));
    ASSERT_TRUE(expected.count("1.5"));
    std::size_t words = 0;
    for (const qm::test::FtsEntry& e : reader.all()) {
        if (e.inTitle)
            continue;
        const std::string utf8 = TextCodec("GBK").toUtf8(e.word);
        ASSERT_EQ(e.topics.size(), 1u) << utf8;
        EXPECT_EQ(e.topics[0].codes, expected[utf8]) << utf8;
        ++words;
    }
    EXPECT_EQ(words, expected.size());
}
