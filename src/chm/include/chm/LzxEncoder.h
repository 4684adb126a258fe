#pragma once

#include "text/ByteSink.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qm::chm {

// The compressed content section of a CHM.
struct LzxStream {
    std::string data;                        // the LZX bit stream
    std::vector<std::uint64_t> frameOffsets; // where each 32 KiB frame starts in data
};

struct LzxOptions {
    unsigned threads = 0; // 0: one per core
    // Called on the appending thread each time a compressed interval is written out
    // (while append() or finish() waits for the workers), so that a long stream can be
    // stopped by throwing from it. The encoder is then only fit to be destroyed.
    std::function<void()> checkpoint;
};

// Compresses a stream fed in pieces as HTML Help Workshop's MSCompressed section: a
// 64 KiB window, a reset every 64 KiB (two frames), each frame ending on a 16-bit
// boundary. The data is padded with zeros to whole frames, because chmlib always
// decodes whole frames; the padding is not part of the content.
//
// Reset intervals are independent, so each is handed to a pool of worker threads as
// soon as it is filled, and the compressed intervals go to the sink in order. At most
// two intervals a thread are in flight: appending waits for the oldest when that many
// are, so memory stays small however long the stream. The bytes do not depend on the
// number of threads.
class LzxEncoder {
public:
    // out receives the compressed bytes, in order; it must outlive the encoder.
    explicit LzxEncoder(ByteSink& out, const LzxOptions& options = {});
    // Stops the workers (intervals not yet written are dropped unless finish() was
    // called).
    ~LzxEncoder();
    LzxEncoder(const LzxEncoder&) = delete;
    LzxEncoder& operator=(const LzxEncoder&) = delete;
    struct Workspace;

    void append(std::string_view data);
    // Compresses what is left and writes the end of the stream. Call once, last.
    void finish();

    std::uint64_t inputSize() const { return inputSize_; }
    std::uint64_t outputSize() const { return outputSize_; }
    // Where each 32 KiB frame starts in the output; complete after finish().
    const std::vector<std::uint64_t>& frameOffsets() const { return frameOffsets_; }

private:
    struct Job;
    void submit();
    void writeOldest();
    void work();

    ByteSink& out_;
    unsigned threads_;
    std::function<void()> checkpoint_;
    std::vector<char> filling_; // the interval being filled
    std::uint64_t inputSize_ = 0;
    std::uint64_t outputSize_ = 0;
    std::vector<std::uint64_t> frameOffsets_;

    std::mutex mutex_; // guards what follows
    std::condition_variable jobWaiting_;
    std::condition_variable jobDone_;
    std::deque<std::unique_ptr<Job>> inFlight_; // in stream order
    std::deque<Job*> waiting_;                  // not yet taken by a worker
    std::vector<std::vector<char>> spareInputs_;
    bool stopping_ = false;
    std::vector<std::thread> workers_; // started as intervals arrive, up to threads_
};

// The whole section at once, in memory.
LzxStream lzxCompress(std::string_view data, const LzxOptions& options = {});

} // namespace qm::chm
