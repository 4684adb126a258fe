#include "chm/FullTextIndex.h"

#include "chm/FiftiMain.h"
#include "chm/TextCodec.h"
#include "chm/WordBreaker.h"

#include <algorithm>
#include <map>

namespace qm::chm {
namespace {

// How much of a body is indexed between two checkpoints.
constexpr std::size_t kSliceBytes = 64 * 1024;

} // namespace

std::uint32_t FullTextIndex::addText(Words& words, std::uint32_t topic, std::string_view text,
                                     std::uint32_t first, std::uint64_t& counted,
                                     std::uint32_t* end) {
    std::uint32_t next = first;
    std::uint32_t taken = 0;
    for (IndexedWord& word : breakWords(text, &taken)) {
        next = first + word.position;
        words[std::move(word.text)].add(topic, next++);
        ++counted;
    }
    if (end)
        *end = first + taken;
    return next;
}

void FullTextIndex::addTopic(std::uint32_t topic, const PageText& text,
                             const std::function<void()>& checkpoint) {
    // The body's words are numbered on from the title's, as HTML Help Workshop numbers
    // them, so that no phrase can join a word of the title to one of the body.
    std::uint32_t next = addText(title_, topic, text.title, 0, wordsIndexed_);
    // The body in slices that end after a space, which ends a word: the words and
    // their numbers are those of the whole.
    std::string_view body = text.body;
    while (!body.empty()) {
        std::size_t cut =
            body.size() <= kSliceBytes ? std::string_view::npos : body.find(' ', kSliceBytes);
        cut = cut == std::string_view::npos ? body.size() : cut + 1;
        addText(body_, topic, body.substr(0, cut), next, wordsIndexed_, &next);
        body.remove_prefix(cut);
        if (checkpoint && !body.empty())
            checkpoint();
    }
    ++topics_;
}

std::string FullTextIndex::build(const TextCodec& codec, std::uint32_t codePage,
                                 std::uint32_t lcid) const {
    // Sorted by the stored bytes, body entry first, as HTML Help Workshop orders them:
    // the order the B-tree is searched in.
    std::map<std::pair<std::string, bool>, const PackedPostings*> sorted; // (bytes, in title)
    auto add = [&](const Words& words, bool inTitle) {
        for (const auto& [utf8, postings] : words) {
            std::string bytes = codec.fromUtf8(utf8);
            // The code page lacks a character when fromUtf8 writes a reference for it.
            if (bytes.empty() || bytes.size() > kMaxFtsWordBytes ||
                bytes.find("&#") != std::string::npos)
                continue;
            sorted.emplace(std::pair{std::move(bytes), inTitle}, &postings);
        }
    };
    add(body_, false);
    add(title_, true);

    std::vector<FtsWord> words;
    words.reserve(sorted.size());
    for (const auto& [key, postings] : sorted)
        words.push_back({key.first, key.second, postings->bytes()});
    FiftiMainInfo info;
    info.topicCount = topics_;
    info.codePage = codePage;
    info.lcid = lcid;
    info.wordsIndexed = wordsIndexed_;
    return buildFiftiMain(words, info);
}

} // namespace qm::chm
