#include "support/TempDir.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace qm {
namespace {

// A disk that takes a few bytes at a time and is interrupted by a signal now and then,
// as pipes, network file systems and a busy system do.
class SlowDevice : public OutputDevice {
public:
    int create(const std::filesystem::path& temp, const std::filesystem::path& target) override {
        return diskDevice().create(temp, target);
    }
    std::int64_t write(int handle, const char* bytes, std::size_t count) override {
        if (++calls % 5 == 0) {
            errno = EINTR;
            return -1;
        }
        return diskDevice().write(handle, bytes, std::min<std::size_t>(count, 7));
    }
    int close(int handle) override { return diskDevice().close(handle); }
    int replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return diskDevice().replace(from, to);
    }
    int calls = 0;
};

TEST(OutputFile, ADeviceThatTakesLittleAtATimeGetsEveryByte) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 100000; ++i)
        bytes.push_back(static_cast<char>(i * 13 % 256));
    SlowDevice device;
    OutputFile out(dir / "a.bin", device);
    out.write(bytes.substr(0, 10));
    out.write(bytes.substr(10));
    out.commit();
    EXPECT_EQ(test::readFile(dir / "a.bin"), bytes);
    EXPECT_GT(device.calls, 1000);
}

TEST(OutputFile, ReplacesTheTargetOnlyAtCommit) {
    test::TempDir dir;
    test::writeFile(dir / "a.txt", "old");
    {
        OutputFile out(dir / "a.txt");
        out.write("new");
        EXPECT_EQ(test::readFile(dir / "a.txt"), "old");
        out.commit();
    }
    EXPECT_EQ(test::readFile(dir / "a.txt"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(OutputFile, AnAbandonedWriteLeavesTheEarlierFileAndNoTemporary) {
    test::TempDir dir;
    test::writeFile(dir / "a.txt", "old");
    {
        OutputFile out(dir / "a.txt");
        out.write(std::string(200000, 'x'));
    }
    EXPECT_EQ(test::readFile(dir / "a.txt"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(OutputFile, UncreatableFileNamesThePath) {
    try {
        OutputFile out("/nonexistent-folder/x.hhp");
        FAIL();
    } catch (const Error& e) {
        // The path, and what went wrong in words.
        EXPECT_EQ(std::string(e.what()), "Cannot create file /nonexistent-folder/x.hhp" +
                                             gbk::fromUtf8("（文件或文件夹不存在：") +
                                             "No such file or directory" + gbk::fromUtf8("）"));
    }
}

TEST(OutputFile, LinesEndInCrLf) {
    test::TempDir dir;
    saveLines(dir / "l.txt", {"a", "", "b"});
    EXPECT_EQ(test::readFile(dir / "l.txt"), "a\r\n\r\nb\r\n");
    saveLines(dir / "e.txt", {});
    EXPECT_EQ(test::readFile(dir / "e.txt"), "");
}

TEST(ReadStream, MissingFileIsCannotOpen) {
    try {
        ReadStream s("/nonexistent/x.htm");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file /nonexistent/x.htm" +
                                                  gbk::fromUtf8("（文件或文件夹不存在"),
                                              0),
                  0u);
    }
}

TEST(ReadStream, ReadsForwardAndBackwardAcrossBuffers) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.push_back(static_cast<char>(i * 7 % 251));
    test::writeFile(dir / "b", bytes);
    ReadStream s(dir / "b");
    EXPECT_EQ(s.size(), 300000);
    unsigned char b = 0;
    for (std::int64_t pos = 299999; pos >= 0; pos -= 997) {
        s.seek(pos, Origin::Beginning);
        ASSERT_TRUE(s.readByte(b));
        ASSERT_EQ(b, static_cast<unsigned char>(bytes[static_cast<std::size_t>(pos)]));
    }
    s.seek(0, Origin::End);
    EXPECT_FALSE(s.readByte(b));
    std::string all;
    s.seek(0, Origin::Beginning);
    EXPECT_EQ(s.read(all, 1 << 30), 300000);
    EXPECT_EQ(all, bytes);
}

} // namespace
} // namespace qm
