#include "WordSession.h"

#include "word/StopFlag.h"

#include <objbase.h>

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPoll{50};

// Word turns calls away while it is busy (starting, or showing something); a call it
// asks us to retry is retried for a while. The watchdog bounds the whole wait.
class RetryingFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
            *object = static_cast<IMessageFilter*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejection) override {
        constexpr DWORD kGiveUp = 60'000;
        return rejection == SERVERCALL_RETRYLATER && elapsed < kGiveUp ? 100
                                                                       : static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

private:
    ULONG references_ = 1;
};

} // namespace

WordSession::WordSession(const StopFlag* stop)
    : com_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)),
      stop_(stop) {
    filter_ = new RetryingFilter;
    if (FAILED(CoRegisterMessageFilter(filter_, &previousFilter_))) {
        filter_->Release(); // a multithreaded apartment has no message filter
        filter_ = nullptr;
    }
    watchdog_ = std::thread([this] { watch(); });
}

WordSession::~WordSession() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    watchdog_.join();
    word_.end();
    if (filter_ != nullptr) {
        IMessageFilter* ours = nullptr;
        CoRegisterMessageFilter(previousFilter_, &ours);
        if (ours != nullptr)
            ours->Release();
        if (previousFilter_ != nullptr)
            previousFilter_->Release();
        filter_->Release();
    }
    if (SUCCEEDED(com_))
        CoUninitialize();
}

// A Word started while our hidden one runs would be ours, shown to the user with our
// document (Microsoft KB 188546): a first Word takes that place, ours starts second, and
// the first quits.
bool WordSession::startWord(std::chrono::milliseconds limit) {
    placeholder_.start(limit);
    bool watchFired = false;
    {
        std::lock_guard lock(mutex_);
        watchFired = outcome_ != Watch::Finished;
    }
    // Not after the watchdog ended the placeholder: the run is stopping or out of time.
    const bool started = !watchFired && word_.start(limit);
    placeholder_.end();
    return started;
}

bool WordSession::ensureWord() {
    if (word_.running())
        return true;
    arm(kStartLimit);
    bool ready = startWord(kStartLimit);
    // Macros stay off before any document is opened: an auto macro never runs.
    automation::Args forceDisable;
    forceDisable.integer(3); // msoAutomationSecurityForceDisable
    ready = ready && SUCCEEDED(word_.application().put(L"AutomationSecurity", forceDisable));
    automation::Args hidden;
    hidden.boolean(false);
    automation::Args noAlerts;
    noAlerts.integer(0); // wdAlertsNone
    ready = ready && SUCCEEDED(word_.application().put(L"Visible", hidden)) &&
            SUCCEEDED(word_.application().put(L"DisplayAlerts", noAlerts));
    if (disarm() != Watch::Finished || !ready) {
        word_.end();
        return false;
    }
    return true;
}

void WordSession::arm(std::chrono::milliseconds limit) {
    std::lock_guard lock(mutex_);
    armed_ = true;
    deadline_ = Clock::now() + limit;
    outcome_ = Watch::Finished;
}

WordSession::Watch WordSession::disarm() {
    std::lock_guard lock(mutex_);
    armed_ = false;
    return outcome_;
}

void WordSession::watch() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        wake_.wait_for(lock, kPoll);
        if (!armed_)
            continue;
        const bool stopped = stop_ != nullptr && stop_->isSet();
        if (stopped || Clock::now() >= deadline_) {
            // The call in progress returns with an error once Word is gone.
            outcome_ = stopped ? Watch::Stopped : Watch::TimedOut;
            armed_ = false;
            word_.kill();
            placeholder_.kill();
        }
    }
}

} // namespace qm
