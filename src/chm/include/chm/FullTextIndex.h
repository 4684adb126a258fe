#pragma once

#include "chm/FiftiMain.h"
#include "chm/PageText.h"
#include "chm/SpoolFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The words of the CHM's topics, gathered page by page, and the $FIftiMain built from
// them when the project asks for full-text search.
namespace qm::chm {

class TextCodec;

class FullTextIndex {
public:
    // Postings are held in memory up to about heldPostings bytes; beyond that they
    // wait in a temporary file, so that a large compile's memory stays bounded.
    explicit FullTextIndex(std::size_t heldPostings = kHeldPostings) : heldLimit_(heldPostings) {}

    // Adds a topic's words. Topics come in increasing order of their #TOPICS number.
    // Words are numbered from 0 in the title and on from there in the body; a word's
    // numbers are what the viewer matches phrases (and so words of several
    // ideographs) with. checkpoint, when given, is called between slices of a large
    // body, so that the caller can stop (by throwing) while a huge page is indexed.
    void addTopic(std::uint32_t topic, const PageText& text,
                  const std::function<void()>& checkpoint = {});

    // The same in pieces, for a body too large to hold whole: beginTopic with the
    // title, addBody with each piece of the body in order, endTopic.
    void beginTopic(std::uint32_t topic, std::string_view title);
    void addBody(std::string_view piece, const std::function<void()>& checkpoint = {});
    void endTopic();

    std::uint32_t topicCount() const { return topics_; }

    // $FIftiMain, the words in the code page of codec (a word the code page cannot
    // hold, or longer than the index allows, is left out), written to out.
    void build(const TextCodec& codec, std::uint32_t codePage, std::uint32_t lcid,
               ByteSink& out) const;
    std::string build(const TextCodec& codec, std::uint32_t codePage, std::uint32_t lcid) const;

    // Gives back the room the postings grew into beyond their size, one word at a
    // time, before they are held alongside the index being built.
    void compact();

private:
    using Words = std::unordered_map<std::string, PackedPostings>; // UTF-8 word → postings

    static constexpr std::size_t kHeldPostings = std::size_t{8} << 20;

    // Adds the words of text numbered from first; returns the number after the last
    // word. end, when given, receives the number after all the text took.
    std::uint32_t addText(Words& words, std::uint32_t topic, std::string_view text,
                          std::uint32_t first, std::uint32_t* end = nullptr);
    // Moves every word's postings to the temporary file once more are held than allowed.
    void spillIfFull();

    void indexBody(std::string_view body, const std::function<void()>& checkpoint);

    Words title_;
    Words body_;
    // The topic being added: its number, the number of its next word, and the end of
    // its body so far that may still be the start of a word.
    std::uint32_t topic_ = 0;
    std::uint32_t next_ = 0;
    std::string pending_;
    std::uint32_t topics_ = 0;
    std::uint64_t wordsIndexed_ = 0;
    std::size_t heldLimit_;
    std::size_t held_ = 0;               // postings bytes in memory
    std::unique_ptr<SpoolFile> spilled_; // made at the first spill
};

} // namespace qm::chm
