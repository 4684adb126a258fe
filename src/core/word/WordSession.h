#pragma once

#include "WordInstance.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qm {

class StopFlag;

// What a batch's conversions with Word share: COM on the calling thread, a message
// filter that retries the calls a busy Word turns away, our Word, and a watchdog thread
// that ends our Word when a call passes its limit or the run's stop flag is set.
class WordSession {
public:
    enum class Watch { Finished, TimedOut, Stopped };

    explicit WordSession(const StopFlag* stop);
    WordSession(const WordSession&) = delete;
    WordSession& operator=(const WordSession&) = delete;
    ~WordSession();

    // Our Word, started when none runs (see startWord); false when it cannot be had
    // within kStartLimit or the stop flag is set meanwhile.
    bool ensureWord();
    // How long Word may take to start: apart from the limit on a document, which a slow
    // first start (Word setting itself up for a new user) must not use up.
    static constexpr std::chrono::milliseconds kStartLimit{std::chrono::minutes(2)};
    WordInstance& word() { return word_; }

    // Between arm() and disarm() our Word is ended when limit passes or the stop flag is
    // set; disarm() tells which, if either, happened.
    void arm(std::chrono::milliseconds limit);
    Watch disarm();

private:
    bool startWord(std::chrono::milliseconds limit);
    void watch();

    HRESULT com_;
    IMessageFilter* filter_ = nullptr;
    IMessageFilter* previousFilter_ = nullptr;
    WordInstance word_;
    WordInstance placeholder_; // see startWord
    const StopFlag* stop_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool armed_ = false;
    std::chrono::steady_clock::time_point deadline_;
    Watch outcome_ = Watch::Finished;
    std::thread watchdog_;
};

} // namespace qm
