#include "chm/FullTextIndex.h"

#include "chm/FiftiMain.h"
#include "chm/TextCodec.h"
#include "chm/WordBreaker.h"

#include <algorithm>
#include <map>

namespace qm::chm {

void FullTextIndex::addText(Words& words, std::uint32_t topic, const std::string& text,
                            std::uint64_t& counted) {
    std::uint32_t position = 0;
    for (std::string& word : breakWords(text)) {
        words[std::move(word)].add(topic, position++);
        ++counted;
    }
}

void FullTextIndex::addTopic(std::uint32_t topic, const PageText& text) {
    addText(title_, topic, text.title, wordsIndexed_);
    addText(body_, topic, text.body, wordsIndexed_);
    ++topics_;
}

std::string FullTextIndex::build(const TextCodec& codec, std::uint32_t codePage,
                                 std::uint32_t lcid) const {
    // Sorted by the stored bytes, title entry first: the order the B-tree is searched in.
    std::map<std::pair<std::string, int>, const PackedPostings*> sorted;
    auto add = [&](const Words& words, int order) {
        for (const auto& [utf8, postings] : words) {
            std::string bytes = codec.fromUtf8(utf8);
            // The code page lacks a character when fromUtf8 writes a reference for it.
            if (bytes.empty() || bytes.size() > kMaxFtsWordBytes ||
                bytes.find("&#") != std::string::npos)
                continue;
            sorted.emplace(std::pair{std::move(bytes), order}, &postings);
        }
    };
    add(title_, 0);
    add(body_, 1);

    std::vector<FtsWord> words;
    words.reserve(sorted.size());
    for (const auto& [key, postings] : sorted)
        words.push_back({key.first, key.second == 0, postings->bytes()});
    FiftiMainInfo info;
    info.topicCount = topics_;
    info.codePage = codePage;
    info.lcid = lcid;
    info.wordsIndexed = wordsIndexed_;
    return buildFiftiMain(words, info);
}

} // namespace qm::chm
