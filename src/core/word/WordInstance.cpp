#include "WordInstance.h"

#include "platform/Process.h"

#include <objbase.h>

#include <atomic>
#include <thread>

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;

// The command line registered for the class: "path" args, or path args with the path
// unquoted (spaces allowed where the file exists). A 32-bit Word on 64-bit Windows is
// registered in the 32-bit view of the registry, which COM reads too.
std::wstring serverCommand(const CLSID& clsid) {
    wchar_t text[64];
    if (StringFromGUID2(clsid, text, 64) == 0)
        return {};
    const std::wstring key = L"CLSID\\" + std::wstring(text) + L"\\LocalServer32";
    for (REGSAM view : {REGSAM{KEY_WOW64_64KEY}, REGSAM{KEY_WOW64_32KEY}}) {
        HKEY server = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, &server) !=
            ERROR_SUCCESS)
            continue;
        DWORD size = 0;
        std::wstring value;
        if (RegGetValueW(server, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) ==
                ERROR_SUCCESS &&
            size >= sizeof(wchar_t)) {
            value.resize(size / sizeof(wchar_t));
            if (RegGetValueW(server, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, value.data(),
                             &size) != ERROR_SUCCESS)
                value.clear();
        }
        RegCloseKey(server);
        value.resize(wcsnlen(value.c_str(), value.size()));
        if (!value.empty())
            return value;
    }
    return {};
}

bool wordClass(CLSID& clsid) {
    return SUCCEEDED(CLSIDFromProgID(L"Word.Application", &clsid));
}

// The command line COM itself would run: the registered one and the argument that
// tells a local server it was started to serve a client.
std::wstring automationCommand(std::wstring registered) {
    std::wstring lower = registered;
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(towlower(c));
    if (lower.find(L"-embedding") == std::wstring::npos &&
        lower.find(L"/embedding") == std::wstring::npos)
        registered += L" -Embedding";
    return registered;
}

// The program of a registered command line: quoted, or unquoted up to the first blank
// after which the named file exists (C:\Program Files\... written bare).
std::wstring programOf(const std::wstring& line) {
    if (!line.empty() && line[0] == L'"')
        return line.substr(1, line.find(L'"', 1) - 1);
    for (std::size_t blank = line.find(L' '); blank != std::wstring::npos;
         blank = line.find(L' ', blank + 1)) {
        const std::wstring candidate = line.substr(0, blank);
        if (GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES)
            return candidate;
    }
    return line.substr(0, line.find(L' '));
}

std::atomic<unsigned> instanceCount{0};

} // namespace

bool WordInstance::registered() {
    CLSID clsid;
    return wordClass(clsid) && !serverCommand(clsid).empty();
}

bool WordInstance::launch(const std::wstring& commandLine, std::chrono::milliseconds limit) {
    job_ = static_cast<HANDLE>(makeKillOnCloseJob());
    if (job_.load() == nullptr)
        return false;
    process_ = static_cast<HANDLE>(startProcessInJob(job_, programOf(commandLine), commandLine));
    if (process_ == nullptr)
        return false;
    processId_ = GetProcessId(process_);
    // A server registers its class object while starting, before it waits for messages;
    // asking COM before then would have COM start another Word, not ours.
    const DWORD waited = WaitForInputIdle(process_, static_cast<DWORD>(limit.count()));
    return waited != WAIT_FAILED || running();
}

bool WordInstance::connect(const CLSID& clsid) {
    IDispatch* dispatch = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&dispatch))) ||
        dispatch == nullptr)
        return false;
    application_ = automation::Object(dispatch);
    return true;
}

// Whether the Application we were given lives in our process: Word's main window takes
// the caption we give the Application, and its window tells its process. A Word that COM
// started for us meanwhile (not the user's: Word serves one client per start) joins our
// job, so that it is ended with ours. A Word that shows no such window (Word 2013 and
// later may keep none while no document is open) is taken to be the one we started and
// waited for, which registered its class before we asked.
bool WordInstance::ownsConnectedServer() {
    const std::wstring caption = L"quillmark-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(++instanceCount);
    automation::Args value;
    value.text(caption);
    if (FAILED(application_.put(L"Caption", value)))
        return false;
    HWND window = nullptr;
    for (int i = 0; i < 20 && window == nullptr; ++i) {
        window = FindWindowW(L"OpusApp", caption.c_str());
        if (window == nullptr)
            Sleep(50);
    }
    if (window == nullptr)
        return running();
    DWORD owner = 0;
    if (GetWindowThreadProcessId(window, &owner) == 0)
        return false;
    if (owner == processId_)
        return true;
    HANDLE other = OpenProcess(PROCESS_TERMINATE | PROCESS_SET_QUOTA | SYNCHRONIZE |
                                   PROCESS_QUERY_LIMITED_INFORMATION,
                               FALSE, owner);
    if (other == nullptr || !AssignProcessToJobObject(job_, other)) {
        if (other != nullptr)
            CloseHandle(other);
        return false;
    }
    TerminateProcess(process_, 0); // ours, started for nothing
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = other;
    processId_ = owner;
    return true;
}

bool WordInstance::start(std::chrono::milliseconds limit) {
    end();
    CLSID clsid;
    const std::wstring registered = wordClass(clsid) ? serverCommand(clsid) : std::wstring();
    if (registered.empty() || !launch(automationCommand(registered), limit) || !running() ||
        !connect(clsid) || !ownsConnectedServer()) {
        kill();
        return false;
    }
    return true;
}

bool WordInstance::running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void WordInstance::kill() {
    if (HANDLE job = job_; job != nullptr)
        TerminateJobObject(job, 1);
}

void WordInstance::end(std::chrono::milliseconds limit) {
    if (application_ && running()) {
        // A Quit that hangs is cut short: the job ends Word after the limit.
        std::atomic<bool> done{false};
        std::thread watchdog([&] {
            const auto until = Clock::now() + limit;
            while (!done && Clock::now() < until)
                Sleep(20);
            if (!done)
                kill();
        });
        automation::Args noSaving;
        noSaving.integer(0); // wdDoNotSaveChanges
        application_.call(L"Quit", noSaving);
        application_.reset();
        if (process_ != nullptr)
            WaitForSingleObject(process_, static_cast<DWORD>(limit.count()));
        done = true;
        watchdog.join();
    }
    application_.reset();
    kill();
    if (process_ != nullptr) {
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
    }
    if (HANDLE job = job_.exchange(nullptr); job != nullptr)
        CloseHandle(job);
    process_ = nullptr;
    processId_ = 0;
}

} // namespace qm
