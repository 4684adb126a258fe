#pragma once

#include "Automation.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>

namespace qm {

// A Word of our own: started by us, for automation, from the server registered for
// Word.Application, in a job object that ends it when the job is closed (with our
// process, should that die first). Never a Word that was already running: the user's own
// Word is neither attached to nor told anything. Calls come from the thread that
// started it, which has COM initialised. kill() may be called from any thread.
class WordInstance {
public:
    WordInstance() = default;
    WordInstance(const WordInstance&) = delete;
    WordInstance& operator=(const WordInstance&) = delete;
    ~WordInstance() { end(); }

    // True when Word.Application names a local server (Word is installed).
    static bool registered();

    // Starts Word and connects to the Application object it registers; waits at most
    // limit. False when it could not; nothing of it is left running then.
    bool start(std::chrono::milliseconds limit);

    bool running() const;
    automation::Object& application() { return application_; }

    // Asks Word to quit without saving (waiting at most limit), then ends whatever of it
    // is left. Nothing of ours runs afterwards.
    void end(std::chrono::milliseconds limit = std::chrono::milliseconds{15'000});
    // Ends our Word at once: a call in progress returns with an error.
    void kill();

private:
    bool launch(const std::wstring& commandLine, std::chrono::milliseconds limit);
    bool connect(const CLSID& clsid);
    bool ownsConnectedServer();

    std::atomic<HANDLE> job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    automation::Object application_;
};

} // namespace qm
