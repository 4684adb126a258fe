#include "platform/FileLock.h"

#include "ExtendedPath.h"

#include <windows.h>

#include <algorithm>

namespace qm {
namespace {

std::string holderIn(HANDLE file) {
    char text[24] = {};
    DWORD got = 0;
    OVERLAPPED at{};
    if (!ReadFile(file, text, sizeof text - 1, &got, &at))
        got = 0;
    std::string id(text, got);
    bool digits = !id.empty() &&
                  std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits ? id : std::string();
}

HANDLE openLockFile(const std::filesystem::path& file) {
    // Shared in every way, so that another user's run opens the same file to lock it;
    // a reparse point at its place is opened as itself, never followed.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD flags = FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT;
    const std::wstring name = extendedPath(file);
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                           flags, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        h = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
    return h;
}

} // namespace

FileLock::FileLock(const std::filesystem::path& file) {
    HANDLE h = openLockFile(file);
    if (h == INVALID_HANDLE_VALUE)
        return;
    // Windows' locks bar reading what they cover: the byte locked lies far past the end,
    // so that the holder's number at the start stays readable.
    OVERLAPPED beyond{};
    beyond.OffsetHigh = 1;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &beyond)) {
        if (GetLastError() == ERROR_LOCK_VIOLATION) {
            state_ = State::Busy;
            holder_ = holderIn(h);
            if (holder_.empty())
                holder_.push_back('?');
        }
        CloseHandle(h);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    state_ = State::Held;
    // The holder's number, for the message of a second run; only over a number of ours.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h, &size) && size.QuadPart <= 20 &&
        (size.QuadPart == 0 || !holderIn(h).empty())) {
        const std::string text = std::to_string(GetCurrentProcessId());
        OVERLAPPED at{};
        DWORD written = 0;
        if (WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, &at)) {
            LARGE_INTEGER end{};
            end.QuadPart = static_cast<LONGLONG>(text.size());
            SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
            SetEndOfFile(h);
        }
    }
}

FileLock::~FileLock() {
    if (handle_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle_)); // releases the lock
}

} // namespace qm
