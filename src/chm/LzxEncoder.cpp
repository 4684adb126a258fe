#include "chm/LzxEncoder.h"

#include "chm/LzxBlockWriter.h"
#include "chm/LzxConstants.h"
#include "chm/LzxParser.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <thread>
#include <utility>

namespace qm::chm {
namespace {

// A batch gives each thread this many intervals: enough that threads seldom wait for
// the slowest one at the end of a batch (the next batch is being filled meanwhile),
// few enough that two batches are a small part of the compile's memory.
constexpr std::size_t kIntervalsPerThread = 4;

struct CompressedInterval {
    std::string bytes;
    std::vector<std::size_t> frameOffsets; // relative to the interval's start
};

} // namespace

// A worker's memory, reused for every interval it compresses.
struct LzxEncoder::Workspace {
    std::vector<std::uint8_t> buffer; // the interval, padded to whole frames
    lzx::ParseWorkspace parse;
};

namespace {

// The tokens of an interval of `size` bytes as blocks of blockSize bytes each (a
// multiple of the frame size; the last may be shorter).
CompressedInterval writeBlocks(const std::vector<lzx::Token>& tokens, std::size_t size,
                               std::size_t blockSize) {
    using namespace lzx;
    BitWriter bits;
    BlockWriter blocks(bits);
    CompressedInterval out;
    out.frameOffsets.push_back(0);
    bits.put(0, 1); // no Intel E8 translation
    std::size_t first = 0;
    for (std::size_t blockStart = 0; blockStart < size; blockStart += blockSize) {
        if (blockStart > 0) { // a block that starts a frame starts on 16 bits
            bits.alignToWord();
            out.frameOffsets.push_back(bits.bytesWritten());
        }
        const std::size_t blockBytes = std::min(blockSize, size - blockStart);
        std::size_t last = first, covered = 0;
        while (last < tokens.size() && covered < blockBytes) // no token crosses a frame
            covered += tokens[last++].length();
        blocks.writeBlock(tokens.data() + first, last - first,
                          static_cast<std::uint32_t>(blockBytes), out.frameOffsets);
        first = last;
    }
    bits.alignToWord();
    out.bytes = std::move(bits.bytes());
    return out;
}

CompressedInterval compressInterval(std::string_view data, std::size_t start,
                                    LzxEncoder::Workspace& workspace) {
    using namespace lzx;
    const std::size_t realEnd = std::min(data.size(), start + kResetInterval);
    const std::size_t realSize = realEnd - start;
    const std::size_t paddedSize = (realSize + kFrameSize - 1) / kFrameSize * kFrameSize;

    std::vector<std::uint8_t>& buffer = workspace.buffer;
    buffer.assign(paddedSize, 0);
    std::memcpy(buffer.data(), data.data() + start, realSize);

    const std::vector<Token>& tokens =
        parseInterval(buffer.data(), paddedSize, realSize, ParseOptions{}, workspace.parse);

    // One block for the whole interval sends its trees once; a block per frame fits
    // the codes to each frame. Both are written and the smaller kept.
    CompressedInterval whole = writeBlocks(tokens, paddedSize, paddedSize);
    if (paddedSize > kFrameSize) {
        CompressedInterval perFrame = writeBlocks(tokens, paddedSize, kFrameSize);
        if (perFrame.bytes.size() < whole.bytes.size())
            return perFrame;
    }
    return whole;
}

} // namespace

struct LzxEncoder::Batch {
    std::vector<char> input; // whole reset intervals; only the stream's last may be short
    std::vector<CompressedInterval> results;
    std::atomic<std::size_t> next{0};
    // Last, so that destroying a batch first waits for its workers.
    std::vector<std::future<void>> workers;
};

LzxEncoder::LzxEncoder(ByteSink& out, const LzxOptions& options)
    : out_(out), threads_(options.threads ? options.threads
                                          : std::max(1u, std::thread::hardware_concurrency())),
      batchBytes_(kIntervalsPerThread * threads_ * lzx::kResetInterval), workspaces_(threads_),
      filling_(std::make_unique<Batch>()) {}

LzxEncoder::~LzxEncoder() = default;

void LzxEncoder::append(std::string_view data) {
    while (!data.empty()) {
        const std::size_t take = std::min(batchBytes_ - filling_->input.size(), data.size());
        // Room as it is needed, doubling up to a batch, so that a small help file does
        // not pay for a whole batch; a vector's reserve takes no more than asked for.
        std::vector<char>& input = filling_->input;
        if (input.size() + take > input.capacity())
            input.reserve(
                std::min(batchBytes_, std::max(input.size() + take, 2 * input.capacity())));
        input.insert(input.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
        data.remove_prefix(take);
        inputSize_ += take;
        if (filling_->input.size() == batchBytes_)
            launch();
    }
}

void LzxEncoder::finish() {
    if (!filling_->input.empty())
        launch();
    drain();
    // libmspack, asked for output that ends exactly at a reset interval, starts the
    // next interval and reads its header before it stops; give it zero bits to read.
    if (inputSize_ > 0 && inputSize_ % lzx::kResetInterval == 0) {
        out_.write(std::string_view("\0\0\0\0", 4));
        outputSize_ += 4;
    }
}

// Hands the filled batch to the workers, after the batch before it is written out.
void LzxEncoder::launch() {
    drain();
    running_ = std::exchange(filling_, spare_ ? std::move(spare_) : std::make_unique<Batch>());
    Batch& batch = *running_;
    const std::size_t intervals =
        (batch.input.size() + lzx::kResetInterval - 1) / lzx::kResetInterval;
    batch.results.resize(intervals);
    const std::size_t workers =
        std::min<std::size_t>(threads_, intervals); // even two intervals halve the wait
    // The batch before has finished, so its workers' workspaces are free.
    for (std::size_t w = 0; w < workers; ++w) {
        if (!workspaces_[w])
            workspaces_[w] = std::make_unique<Workspace>();
        batch.workers.push_back(
            std::async(std::launch::async, [&batch, intervals, &workspace = *workspaces_[w]] {
                for (std::size_t i = batch.next++; i < intervals; i = batch.next++)
                    batch.results[i] = compressInterval({batch.input.data(), batch.input.size()},
                                                        i * lzx::kResetInterval, workspace);
            }));
    }
}

// Waits for the running batch and writes its intervals in order.
void LzxEncoder::drain() {
    if (!running_)
        return;
    std::unique_ptr<Batch> batch = std::move(running_);
    for (std::future<void>& worker : batch->workers)
        worker.get();
    for (const CompressedInterval& r : batch->results) {
        for (std::size_t offset : r.frameOffsets)
            frameOffsets_.push_back(outputSize_ + offset);
        out_.write(r.bytes);
        outputSize_ += r.bytes.size();
    }
    // Kept for the next batch to fill, with its input's room.
    batch->input.clear();
    batch->results.clear();
    batch->workers.clear();
    batch->next = 0;
    spare_ = std::move(batch);
}

LzxStream lzxCompress(std::string_view data, const LzxOptions& options) {
    MemorySink sink;
    LzxEncoder encoder(sink, options);
    encoder.append(data);
    encoder.finish();
    return {sink.data(), encoder.frameOffsets()};
}

} // namespace qm::chm
