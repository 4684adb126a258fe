#pragma once

#include "text/ByteSink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::chm {

// The compressed content section of a CHM.
struct LzxStream {
    std::string data;                        // the LZX bit stream
    std::vector<std::uint64_t> frameOffsets; // where each 32 KiB frame starts in data
};

struct LzxOptions {
    unsigned threads = 0; // 0: one per core
};

// Compresses a stream fed in pieces as HTML Help Workshop's MSCompressed section: a
// 64 KiB window, a reset every 64 KiB (two frames), each frame ending on a 16-bit
// boundary. The data is padded with zeros to whole frames, because chmlib always
// decodes whole frames; the padding is not part of the content.
//
// Reset intervals are independent, so they are compressed in parallel, a batch of a
// few per thread at a time: while one batch is being compressed the next is filled,
// and a finished batch's bytes go to the sink at once. So memory holds at most two
// batches of input and their output, however long the stream. The bytes do not depend
// on the number of threads.
class LzxEncoder {
public:
    // out receives the compressed bytes, in order; it must outlive the encoder.
    explicit LzxEncoder(ByteSink& out, const LzxOptions& options = {});
    // Waits for the intervals still being compressed (their output is dropped unless
    // finish() was called).
    ~LzxEncoder();
    LzxEncoder(const LzxEncoder&) = delete;
    struct Workspace;
    LzxEncoder& operator=(const LzxEncoder&) = delete;

    void append(std::string_view data);
    // Compresses what is left and writes the end of the stream. Call once, last.
    void finish();

    std::uint64_t inputSize() const { return inputSize_; }
    std::uint64_t outputSize() const { return outputSize_; }
    // Where each 32 KiB frame starts in the output; complete after finish().
    const std::vector<std::uint64_t>& frameOffsets() const { return frameOffsets_; }

private:
    struct Batch;
    void launch();
    void drain();

    ByteSink& out_;
    unsigned threads_;
    std::size_t batchBytes_;
    // One a worker, kept from batch to batch; before the batches, so that a batch's
    // workers are waited for before the workspaces go.
    std::vector<std::unique_ptr<Workspace>> workspaces_;
    std::unique_ptr<Batch> filling_;
    std::unique_ptr<Batch> running_;
    std::unique_ptr<Batch> spare_; // a written batch, reused rather than reallocated
    std::uint64_t inputSize_ = 0;
    std::uint64_t outputSize_ = 0;
    std::vector<std::uint64_t> frameOffsets_;
};

// The whole section at once, in memory.
LzxStream lzxCompress(std::string_view data, const LzxOptions& options = {});

} // namespace qm::chm
