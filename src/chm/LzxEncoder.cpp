#include "chm/LzxEncoder.h"

#include "chm/LzxBlockWriter.h"
#include "chm/LzxConstants.h"
#include "chm/LzxParser.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace qm::chm {
namespace {

constexpr std::size_t kIntervalsPerThread = 8;

struct CompressedInterval {
    std::string bytes;
    std::vector<std::size_t> frameOffsets; // relative to the interval's start
};

CompressedInterval compressInterval(std::string_view data, std::size_t start) {
    using namespace lzx;
    const std::size_t realEnd = std::min(data.size(), start + kResetInterval);
    const std::size_t realSize = realEnd - start;
    const std::size_t paddedSize = (realSize + kFrameSize - 1) / kFrameSize * kFrameSize;

    std::vector<std::uint8_t> buffer(paddedSize, 0);
    std::memcpy(buffer.data(), data.data() + start, realSize);

    std::vector<Token> tokens = parseInterval(buffer.data(), paddedSize, realSize, ParseOptions{});

    // One block for the whole interval: its trees are sent once rather than per frame.
    BitWriter bits;
    BlockWriter blocks(bits);
    CompressedInterval out;
    out.frameOffsets.push_back(0);
    bits.put(0, 1); // no Intel E8 translation
    blocks.writeBlock(tokens.data(), tokens.size(), static_cast<std::uint32_t>(paddedSize),
                      out.frameOffsets);
    bits.alignToWord();
    out.bytes = std::move(bits.bytes());
    return out;
}

} // namespace

LzxStream lzxCompress(std::string_view data, const LzxOptions& options) {
    LzxStream stream;
    if (data.empty())
        return stream;
    const std::size_t intervals = (data.size() + lzx::kResetInterval - 1) / lzx::kResetInterval;
    std::vector<CompressedInterval> results(intervals);

    unsigned threads =
        options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    // A thread's working memory (hash chains, the cost table of the parse) is worth it
    // only with several intervals to share out; small help files compress at once anyway.
    threads = static_cast<unsigned>(
        std::min<std::size_t>(threads, std::max<std::size_t>(1, intervals / kIntervalsPerThread)));
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < intervals; i = next++)
            results[i] = compressInterval(data, i * lzx::kResetInterval);
    };
    if (threads <= 1) {
        work();
    } else {
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t)
            pool.emplace_back(work);
        for (std::thread& t : pool)
            t.join();
    }

    std::size_t total = 0;
    for (const CompressedInterval& r : results)
        total += r.bytes.size();
    stream.data.reserve(total + 4);
    for (CompressedInterval& r : results) {
        for (std::size_t offset : r.frameOffsets)
            stream.frameOffsets.push_back(stream.data.size() + offset);
        stream.data += r.bytes;
        r.bytes = std::string();
    }
    // libmspack, asked for output that ends exactly at a reset interval, starts the
    // next interval and reads its header before it stops; give it zero bits to read.
    if (data.size() % lzx::kResetInterval == 0)
        stream.data.append(4, '\0');
    return stream;
}

} // namespace qm::chm
