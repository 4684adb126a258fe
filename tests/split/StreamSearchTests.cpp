#include "split/StreamSearch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

class StreamSearchTest : public ::testing::Test {
protected:
    ReadStream& open(const std::string& bytes) {
        test::writeFile(dir_ / "s", bytes);
        stream_ = std::make_unique<ReadStream>(dir_ / "s");
        return *stream_;
    }
    test::TempDir dir_;
    std::unique_ptr<ReadStream> stream_;
};

TEST_F(StreamSearchTest, ForwardLeavesTheStreamAfterTheMatch) {
    ReadStream& s = open("xx<<body>");
    EXPECT_EQ(searchStream("<body", s, Origin::Beginning, 0, false), 3);
    EXPECT_EQ(s.position(), 8);
    EXPECT_EQ(searchStream("<body", s, Origin::Current, 0, false), -1);
    EXPECT_EQ(s.position(), 9);
    EXPECT_EQ(searchStream("", s, Origin::Beginning, 0, false), -1);
}

TEST_F(StreamSearchTest, BackwardFindsTheOccurrenceEndingNearest) {
    ReadStream& s = open("</div>a</div>b");
    EXPECT_EQ(searchStream("</div>", s, Origin::End, 0, true), 7);
    EXPECT_EQ(s.position(), 7);
    EXPECT_EQ(searchStream("</div>", s, Origin::Current, 0, true), 0);
    EXPECT_EQ(searchStream("</div>", s, Origin::Beginning, 5, true), -1);
}

TEST_F(StreamSearchTest, MatchesAcrossBufferBoundaries) {
    std::string bytes(65536 - 3, 'a');
    bytes += "</div>";
    bytes += std::string(70000, 'b');
    bytes += "</div>";
    bytes += std::string(65533, 'c');
    ReadStream& s = open(bytes);
    std::int64_t last = static_cast<std::int64_t>(bytes.rfind("</div>"));
    EXPECT_EQ(searchStream("</div>", s, Origin::End, 0, true), last);
    EXPECT_EQ(searchStream("</div>", s, Origin::Current, 0, true), 65533);
    EXPECT_EQ(searchStream("</div>", s, Origin::Beginning, 0, false), 65533);
    EXPECT_EQ(searchStream("</div>", s, Origin::Current, 0, false), last);
}

TEST_F(StreamSearchTest, ReadByteBackwardStopsAtTheStart) {
    ReadStream& s = open("ab");
    s.seek(0, Origin::End);
    unsigned char b = 0;
    EXPECT_EQ(readByteBackward(s, b), 1);
    EXPECT_EQ(b, 'b');
    EXPECT_EQ(s.position(), 1);
    EXPECT_EQ(readByteBackward(s, b), 1);
    EXPECT_EQ(b, 'a');
    EXPECT_EQ(readByteBackward(s, b), 0);
}

TEST_F(StreamSearchTest, FindTagNeedsADelimiter) {
    ReadStream& s = open("<bodyx><body\n lang=x><div>");
    EXPECT_EQ(findTag("<body", s, Origin::Beginning, 0), 7);
    EXPECT_EQ(s.position(), 13);
    EXPECT_FALSE(lastDelimiterWasClose(s));
    EXPECT_TRUE(skipToStartTagEnd(s, false));
    EXPECT_EQ(s.position(), 21);
    EXPECT_EQ(findTag("<div", s, Origin::Current, 0), 21);
    EXPECT_TRUE(lastDelimiterWasClose(s));
    EXPECT_EQ(findTag("<BODY", s, Origin::Beginning, 0), -1);
}

} // namespace
} // namespace qm
