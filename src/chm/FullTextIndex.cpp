#include "chm/FullTextIndex.h"

#include "chm/FiftiMain.h"
#include "chm/TextCodec.h"
#include "chm/WordBreaker.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace qm::chm {
namespace {

// How much of a body is indexed between two checkpoints.
constexpr std::size_t kSliceBytes = 64 * 1024;

// Where a slice of the body may end without changing its words or their numbers:
// after a blank or an ASCII mark other than a point (each ends a word), or before a
// Chinese or Japanese character or mark (each a word or number of its own). Text
// without spaces, a Chinese page, is cut so too, so that no slice is the whole page.
std::size_t sliceEnd(std::string_view text) {
    if (text.size() <= kSliceBytes)
        return text.size();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = kSliceBytes; i < text.size(); ++i) {
        const unsigned char c = byte(i);
        if (c < 0x80 && c != '.' && !std::isalnum(c))
            return i + 1;
        // U+3000..U+9FFF: E3 80 80 .. E9 BF BF; not bopomofo and the like (U+3100..U+33FF),
        // which are letters.
        if (c >= 0xE3 && c <= 0xE9 && i + 2 < text.size()) {
            const std::uint32_t cp = ((c & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6);
            if (cp < 0x3100 || cp >= 0x3400)
                return i;
        }
    }
    return text.size();
}

} // namespace

std::uint32_t FullTextIndex::addText(Words& words, std::uint32_t topic, std::string_view text,
                                     std::uint32_t first, std::uint32_t* end) {
    std::uint32_t next = first;
    std::uint32_t taken = 0;
    for (IndexedWord& word : breakWords(text, &taken)) {
        next = first + word.position;
        held_ += words[std::move(word.text)].add(topic, next++);
        ++wordsIndexed_;
    }
    if (end)
        *end = first + taken;
    spillIfFull();
    return next;
}

void FullTextIndex::spillIfFull() {
    if (held_ <= heldLimit_)
        return;
    if (!spilled_)
        spilled_ = std::make_unique<SpoolFile>();
    for (Words* words : {&title_, &body_})
        for (auto& [word, postings] : *words)
            postings.spill(*spilled_);
    held_ = 0;
}

void FullTextIndex::addTopic(std::uint32_t topic, const PageText& text,
                             const std::function<void()>& checkpoint) {
    beginTopic(topic, text.title);
    indexBody(text.body, checkpoint);
    endTopic();
}

void FullTextIndex::beginTopic(std::uint32_t topic, std::string_view title) {
    // The body's words are numbered on from the title's, as HTML Help Workshop numbers
    // them, so that no phrase can join a word of the title to one of the body.
    topic_ = topic;
    pending_.clear();
    next_ = addText(title_, topic, title, 0);
}

void FullTextIndex::addBody(std::string_view piece, const std::function<void()>& checkpoint) {
    pending_.append(piece);
    if (pending_.size() < 2 * kSliceBytes)
        return;
    // What follows the last cut may be continued by the next piece.
    std::string_view whole = pending_;
    std::size_t done = 0;
    while (whole.size() - done >= 2 * kSliceBytes) {
        const std::size_t cut = sliceEnd(whole.substr(done));
        if (done + cut == whole.size())
            break; // no place to cut yet: one long word
        addText(body_, topic_, whole.substr(done, cut), next_, &next_);
        done += cut;
        if (checkpoint)
            checkpoint();
    }
    pending_.erase(0, done);
}

void FullTextIndex::endTopic() {
    indexBody(pending_, {});
    pending_.clear();
    pending_.shrink_to_fit();
    ++topics_;
}

void FullTextIndex::indexBody(std::string_view body, const std::function<void()>& checkpoint) {
    // The body in slices that end where a word ends: the words and their numbers are
    // those of the whole.
    while (!body.empty()) {
        const std::size_t cut = sliceEnd(body);
        addText(body_, topic_, body.substr(0, cut), next_, &next_);
        body.remove_prefix(cut);
        if (checkpoint && !body.empty())
            checkpoint();
    }
}

void FullTextIndex::compact() {
    for (Words* words : {&title_, &body_})
        for (auto& [word, postings] : *words)
            postings.compact();
}

std::string FullTextIndex::build(const TextCodec& codec, std::uint32_t codePage,
                                 std::uint32_t lcid) const {
    MemorySink out;
    build(codec, codePage, lcid, out);
    return out.data();
}

void FullTextIndex::build(const TextCodec& codec, std::uint32_t codePage, std::uint32_t lcid,
                          ByteSink& out) const {
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
        words.push_back({key.first, key.second, postings});
    FiftiMainInfo info;
    info.topicCount = topics_;
    info.codePage = codePage;
    info.lcid = lcid;
    info.wordsIndexed = wordsIndexed_;
    info.spilled = spilled_.get();
    buildFiftiMain(words, info, out);
}

} // namespace qm::chm
