#include "chm/LzxEncoder.h"

#include "LzxBlockWriter.h"
#include "LzxParser.h"
#include "chm/LzxConstants.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>

namespace qm::chm {
namespace {

// Intervals in flight a thread: one being compressed, one waiting to be written or
// taken, so that a worker seldom waits while the next interval is filled.
constexpr std::size_t kIntervalsPerThread = 2;

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

// Where each frame's tokens end, and their symbol counts.
struct FrameTokens {
    std::size_t end = 0;
    lzx::SymbolCounts counts;
};

// The tokens of an interval of `size` bytes, one block a frame or one for the whole
// interval. One block sends its trees once; a block a frame fits the codes to each
// frame. The cheaper in bits is written.
CompressedInterval writeBlocks(const std::vector<lzx::Token>& tokens, std::size_t size) {
    using namespace lzx;
    std::vector<FrameTokens> frames((size + kFrameSize - 1) / kFrameSize);
    std::size_t at = 0;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const std::size_t frameBytes = std::min(kFrameSize, size - f * kFrameSize);
        for (std::size_t covered = 0; at < tokens.size() && covered < frameBytes; ++at) {
            covered += tokens[at].length(); // no token crosses a frame
            frames[f].counts.add(tokens[at].code());
        }
        frames[f].end = at;
    }
    SymbolCounts all;
    for (const FrameTokens& frame : frames)
        all.add(frame.counts);
    const BlockCodes whole = BlockCodes::fromCounts(all);
    std::vector<BlockCodes> perFrame;
    std::uint64_t perFrameBits = 0;
    if (frames.size() > 1)
        for (const FrameTokens& frame : frames) {
            perFrame.push_back(BlockCodes::fromCounts(frame.counts));
            perFrameBits +=
                perFrame.back().tokenBits +
                blockHeaderBits(perFrame.back(),
                                perFrame.size() > 1 ? &perFrame[perFrame.size() - 2] : nullptr);
        }
    const bool split =
        !perFrame.empty() && perFrameBits < whole.tokenBits + blockHeaderBits(whole, nullptr);

    BitWriter bits;
    BlockWriter blocks(bits);
    CompressedInterval out;
    out.frameOffsets.push_back(0);
    bits.put(0, 1); // no Intel E8 translation
    if (!split) {
        blocks.writeBlock(tokens.data(), tokens.size(), static_cast<std::uint32_t>(size), whole,
                          out.frameOffsets);
    } else {
        for (std::size_t f = 0, first = 0; f < frames.size(); first = frames[f++].end) {
            if (f > 0) { // a block that starts a frame starts on 16 bits
                bits.alignToWord();
                out.frameOffsets.push_back(bits.bytesWritten());
            }
            const std::size_t frameBytes = std::min(kFrameSize, size - f * kFrameSize);
            blocks.writeBlock(tokens.data() + first, frames[f].end - first,
                              static_cast<std::uint32_t>(frameBytes), perFrame[f],
                              out.frameOffsets);
        }
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
    return writeBlocks(tokens, paddedSize);
}

} // namespace

struct LzxEncoder::Job {
    std::vector<char> input; // one reset interval; only the stream's last may be short
    CompressedInterval result;
    std::exception_ptr error;
    bool done = false;
};

LzxEncoder::LzxEncoder(ByteSink& out, const LzxOptions& options)
    : out_(out), threads_(options.threads ? options.threads
                                          : std::max(1u, std::thread::hardware_concurrency())),
      checkpoint_(options.checkpoint) {}

LzxEncoder::~LzxEncoder() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobWaiting_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void LzxEncoder::append(std::string_view data) {
    while (!data.empty()) {
        if (filling_.capacity() < lzx::kResetInterval) {
            std::lock_guard lock(mutex_);
            if (!spareInputs_.empty()) {
                filling_ = std::move(spareInputs_.back());
                spareInputs_.pop_back();
            }
        }
        // Room as it is needed, doubling up to an interval, so that a small help file
        // does not pay for a whole one; a vector's reserve takes no more than asked for.
        const std::size_t take = std::min(lzx::kResetInterval - filling_.size(), data.size());
        if (filling_.size() + take > filling_.capacity())
            filling_.reserve(std::min(lzx::kResetInterval,
                                      std::max(filling_.size() + take, 2 * filling_.capacity())));
        filling_.insert(filling_.end(), data.begin(),
                        data.begin() + static_cast<std::ptrdiff_t>(take));
        data.remove_prefix(take);
        inputSize_ += take;
        if (filling_.size() == lzx::kResetInterval)
            submit();
    }
}

void LzxEncoder::finish() {
    if (!filling_.empty())
        submit();
    while (!inFlight_.empty())
        writeOldest();
    // libmspack, asked for output that ends exactly at a reset interval, starts the
    // next interval and reads its header before it stops; give it zero bits to read.
    if (inputSize_ > 0 && inputSize_ % lzx::kResetInterval == 0) {
        out_.write(std::string_view("\0\0\0\0", 4));
        outputSize_ += 4;
    }
}

// Hands the filled interval to the workers, first writing the oldest ones out while
// as many as allowed are in flight.
void LzxEncoder::submit() {
    while (inFlight_.size() >= kIntervalsPerThread * threads_)
        writeOldest();
    auto job = std::make_unique<Job>();
    job->input = std::move(filling_);
    filling_ = {};
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(job.get());
        inFlight_.push_back(std::move(job));
        if (workers_.size() < threads_ && workers_.size() < inFlight_.size())
            workers_.emplace_back([this] { work(); });
    }
    jobWaiting_.notify_one();
}

// Waits for the oldest interval in flight and writes its bytes.
void LzxEncoder::writeOldest() {
    std::unique_ptr<Job> job;
    {
        std::unique_lock lock(mutex_);
        jobDone_.wait(lock, [this] { return inFlight_.front()->done; });
        job = std::move(inFlight_.front());
        inFlight_.pop_front();
    }
    if (job->error)
        std::rethrow_exception(job->error);
    for (std::size_t offset : job->result.frameOffsets)
        frameOffsets_.push_back(outputSize_ + offset);
    out_.write(job->result.bytes);
    outputSize_ += job->result.bytes.size();
    // Its input's room is kept for an interval still to be filled.
    job->input.clear();
    {
        std::lock_guard lock(mutex_);
        spareInputs_.push_back(std::move(job->input));
    }
    if (checkpoint_)
        checkpoint_();
}

// A worker: takes the waiting intervals one by one until the encoder stops.
void LzxEncoder::work() {
    Workspace workspace;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock lock(mutex_);
            jobWaiting_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            job = waiting_.front();
            waiting_.pop_front();
        }
        try {
            job->result = compressInterval({job->input.data(), job->input.size()}, 0, workspace);
        } catch (...) {
            job->error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            job->done = true;
        }
        jobDone_.notify_all();
    }
}

LzxStream lzxCompress(std::string_view data, const LzxOptions& options) {
    MemorySink sink;
    LzxEncoder encoder(sink, options);
    encoder.append(data);
    encoder.finish();
    return {sink.data(), encoder.frameOffsets()};
}

} // namespace qm::chm
