#pragma once

#include "SampleDocument.h"
#include "project/ProjectCompiler.h"
#include "word/DocumentConverter.h"
#include "word/StopFlag.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace qm::test {

// Holds the run's thread inside a step until the test lets go or the run is stopped,
// asking about the stop as the real converter and compiler do.
struct Hold {
    std::atomic<bool> started{false};
    std::atomic<bool> released{false};
    std::atomic<bool> sawStop{false};
    std::atomic<bool> gaveUp{false}; // nobody let go: the window's loop never turned

    // True when let go, false when stopped.
    bool wait(const std::function<bool()>& stopped) {
        started = true;
        // A bound for a broken window only; no test waits for it.
        for (int i = 0; i < 15000; ++i) {
            if (stopped()) {
                sawStop = true;
                return false;
            }
            if (released)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        gaveUp = true;
        return true;
    }
};

// A slow converter: once let go it writes the sample document as the page.
class HeldConverter : public DocumentConverter {
public:
    bool convert(const std::filesystem::path&, const std::filesystem::path& htmlPath,
                 bool) override {
        if (!hold.wait([this] { return stop_ != nullptr && stop_->isSet(); }))
            return false;
        writeSampleDocument(htmlPath.parent_path(), htmlPath.stem().string(), 3);
        return true;
    }
    Hold hold;
};

// A slow compiler that reports progress while it is held and then fails, as a
// compiler that cannot write the CHM does.
class HeldCompiler : public ProjectCompiler {
public:
    bool compile(const std::filesystem::path&, const LogFn&, const ProgressFn& progress) override {
        hold.wait([&] { return !progress("Compiling page.htm"); });
        return false;
    }
    Hold hold;
};

} // namespace qm::test
