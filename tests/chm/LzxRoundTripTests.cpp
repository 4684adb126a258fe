// LZX round trips through libmspack's decoder, which was not written here.
#include "chm/LzxConstants.h"
#include "chm/LzxEncoder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <mspack.h>
#include <random>

extern "C" {
// libmspack's LZX decoder (lzx.h is not installed; these are its exported functions).
struct lzxd_stream;
struct lzxd_stream* lzxd_init(struct mspack_system* system, struct mspack_file* input,
                              struct mspack_file* output, int window_bits, int reset_interval,
                              int input_buffer_size, off_t output_length, char is_delta);
int lzxd_decompress(struct lzxd_stream* lzx, off_t out_bytes);
void lzxd_free(struct lzxd_stream* lzx);
}

namespace {

struct MemoryFile {
    const std::string* in = nullptr;
    std::size_t pos = 0;
    std::string* out = nullptr;
};

int memRead(struct mspack_file* file, void* buffer, int bytes) {
    auto* f = reinterpret_cast<MemoryFile*>(file);
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(bytes), f->in->size() - f->pos);
    std::memcpy(buffer, f->in->data() + f->pos, n);
    f->pos += n;
    return static_cast<int>(n);
}
int memWrite(struct mspack_file* file, void* buffer, int bytes) {
    reinterpret_cast<MemoryFile*>(file)->out->append(static_cast<const char*>(buffer),
                                                     static_cast<std::size_t>(bytes));
    return bytes;
}
void* memAlloc(struct mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}
void memFree(void* p) {
    std::free(p);
}
void memCopy(void* src, void* dest, size_t bytes) {
    std::memmove(dest, src, bytes);
}
void memMessage(struct mspack_file*, const char*, ...) {}

// Decodes an LZX stream as a CHM's section: 64 KiB window, reset every 2 frames.
std::optional<std::string> lzxDecode(const std::string& compressed, std::size_t length) {
    mspack_system sys{};
    sys.read = memRead;
    sys.write = memWrite;
    sys.alloc = memAlloc;
    sys.free = memFree;
    sys.copy = memCopy;
    sys.message = memMessage;
    MemoryFile in{&compressed, 0, nullptr};
    std::string output;
    MemoryFile out{nullptr, 0, &output};
    lzxd_stream* lzx =
        lzxd_init(&sys, reinterpret_cast<mspack_file*>(&in), reinterpret_cast<mspack_file*>(&out),
                  16, 2, 4096, static_cast<off_t>(length), 0);
    if (!lzx)
        return std::nullopt;
    int err = lzxd_decompress(lzx, static_cast<off_t>(length));
    lzxd_free(lzx);
    if (err != MSPACK_ERR_OK)
        return std::nullopt;
    return output;
}

std::string randomData(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

std::string textData(std::size_t n, std::uint32_t seed) {
    static const char* words[] = {
        "help ",    "topic ",   "the ",   "window ",   "系统",       "安装", "<p class=MsoNormal>",
        "</p>\r\n", "compile ", "index ", "contents ", "0123456789 "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n)
        s += words[rng() % std::size(words)];
    s.resize(n);
    return s;
}

void expectRoundTrip(const std::string& data, const std::string& what) {
    qm::chm::LzxStream stream = qm::chm::lzxCompress(data);
    const std::size_t frames = (data.size() + 0x7FFF) / 0x8000;
    ASSERT_EQ(stream.frameOffsets.size(), frames) << what;
    for (std::size_t f = 0; f < frames; ++f) {
        EXPECT_EQ(stream.frameOffsets[f] % 2, 0u) << what << " frame " << f;
        if (f > 0) {
            EXPECT_GT(stream.frameOffsets[f], stream.frameOffsets[f - 1]) << what;
        }
    }
    if (data.empty())
        return;
    std::optional<std::string> back = lzxDecode(stream.data, data.size());
    ASSERT_TRUE(back) << what << ": libmspack rejected the stream";
    ASSERT_EQ(back->size(), data.size()) << what;
    EXPECT_TRUE(*back == data) << what << ": the decoded bytes differ";
}

} // namespace

TEST(LzxRoundTrip, SizesAroundFrameAndResetBoundaries) {
    for (std::size_t size :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{100}, std::size_t{32767},
          std::size_t{32768}, std::size_t{32769}, std::size_t{65535}, std::size_t{65536},
          std::size_t{65537}, std::size_t{98304}, std::size_t{131077}}) {
        expectRoundTrip(textData(size, 1), "text " + std::to_string(size));
        expectRoundTrip(randomData(size, 2), "random " + std::to_string(size));
    }
}

TEST(LzxRoundTrip, RunsZerosAndMixedContent) {
    expectRoundTrip(std::string(200000, '\0'), "zeros");
    expectRoundTrip(std::string(70000, 'a'), "one letter");
    std::string mixed =
        textData(50000, 3) + randomData(40000, 4) + std::string(30000, 'x') + textData(90000, 5);
    expectRoundTrip(mixed, "mixed");
    // Frames unlike each other in one interval, where a block per frame pays.
    std::string alternating;
    for (std::uint32_t i = 0; i < 3; ++i)
        alternating += textData(32768, 10 + i) + randomData(32768, 20 + i);
    expectRoundTrip(alternating + textData(1000, 9), "text and random frames");
    std::string periodic;
    for (int i = 0; i < 30000; ++i)
        periodic += static_cast<char>(i % 7) + std::string("ab", static_cast<std::size_t>(i % 3));
    expectRoundTrip(periodic, "periodic");
}

TEST(LzxRoundTrip, ManyRandomInputs) {
    std::mt19937 rng(42);
    for (int i = 0; i < 30; ++i) {
        std::size_t size = rng() % 150000;
        std::string data = (i % 3 == 0) ? randomData(size, static_cast<std::uint32_t>(rng()))
                                        : textData(size, static_cast<std::uint32_t>(rng()));
        if (i % 5 == 0 && size > 10)
            for (int k = 0; k < 200; ++k)
                data[rng() % size] = static_cast<char>(rng());
        expectRoundTrip(data, "random input " + std::to_string(i));
    }
}

TEST(LzxRoundTrip, CompressesText) {
    std::string text = textData(400000, 9);
    qm::chm::LzxStream stream = qm::chm::lzxCompress(text);
    EXPECT_LT(stream.data.size(), text.size() / 3);
}

TEST(LzxRoundTrip, BytesDoNotDependOnTheNumberOfThreads) {
    // Enough reset intervals that 2 and 7 threads really share them out.
    std::string data = textData(2500000, 11) + randomData(500000, 12);
    qm::chm::LzxOptions one, two, many;
    one.threads = 1;
    two.threads = 2;
    many.threads = 7;
    qm::chm::LzxStream a = qm::chm::lzxCompress(data, one);
    qm::chm::LzxStream b = qm::chm::lzxCompress(data, two);
    qm::chm::LzxStream c = qm::chm::lzxCompress(data, many);
    EXPECT_TRUE(a.data == b.data);
    EXPECT_TRUE(a.data == c.data);
    EXPECT_EQ(a.frameOffsets, b.frameOffsets);
}

TEST(LzxRoundTrip, PiecesAcrossBatchesGiveTheBytesOfOneCall) {
    // One thread takes batches of 8 reset intervals (512 KiB): pieces of odd sizes
    // cross frame, interval and batch boundaries, and the end lands on an interval's.
    std::string data = textData(9 * 0x10000 * 2, 13);
    qm::chm::LzxOptions one;
    one.threads = 1;
    qm::chm::LzxStream whole = qm::chm::lzxCompress(data, one);
    qm::MemorySink sink;
    qm::chm::LzxEncoder encoder(sink, one);
    std::mt19937 rng(14);
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t piece = std::min<std::size_t>(rng() % 100000, data.size() - at);
        encoder.append(std::string_view(data).substr(at, piece));
        at += piece;
    }
    encoder.finish();
    EXPECT_EQ(encoder.inputSize(), data.size());
    EXPECT_EQ(encoder.outputSize(), sink.data().size());
    EXPECT_TRUE(sink.data() == whole.data);
    EXPECT_EQ(encoder.frameOffsets(), whole.frameOffsets);
    std::optional<std::string> back = lzxDecode(sink.data(), data.size());
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == data);
}
