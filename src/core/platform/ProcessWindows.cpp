#include "platform/Process.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kStopPoll{50};

std::wstring wide(const std::string& utf8) {
    std::filesystem::path p(std::u8string(utf8.begin(), utf8.end()));
    return p.wstring();
}

// One argument quoted as the C runtime's command-line parser reads it back.
void appendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!line.empty())
        line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

// Our environment with the entries of own set over it, as a block for CreateProcessW.
std::wstring environmentBlock(const std::vector<std::string>& own) {
    std::vector<std::wstring> entries;
    for (const std::string& e : own)
        entries.push_back(wide(e));
    wchar_t* ours = GetEnvironmentStringsW();
    for (const wchar_t* e = ours; e && *e; e += wcslen(e) + 1) {
        std::wstring entry = e;
        std::wstring name = entry.substr(0, entry.find(L'=', 1) + 1);
        bool replaced =
            std::any_of(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(own.size()),
                        [&](const std::wstring& o) {
                            return _wcsnicmp(o.c_str(), name.c_str(), name.size()) == 0;
                        });
        if (!replaced)
            entries.push_back(entry);
    }
    FreeEnvironmentStringsW(ours);
    std::wstring block;
    for (const std::wstring& e : entries)
        block += e + L'\0';
    block += L'\0';
    return block;
}

// Starts the program suspended in job, with its streams on the null device, then lets it
// run; its process handle, or null.
HANDLE startInJob(HANDLE job, const std::filesystem::path& exe, std::wstring line,
                  std::wstring environment) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE null =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null;
    PROCESS_INFORMATION info{};
    const DWORD flags =
        CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP;
    const BOOL started = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                                        environment.data(), nullptr, &startup, &info);
    if (null != INVALID_HANDLE_VALUE)
        CloseHandle(null);
    if (!started)
        return nullptr;
    if (!AssignProcessToJobObject(job, info.hProcess)) {
        TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return nullptr;
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    return info.hProcess;
}

enum class Wait { Ended, TimedOut, Stopped };

Wait waitForEnd(HANDLE process, Clock::time_point deadline, const ProcessWatch& watch) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::TimedOut;
        if (watch.stopped || watch.stalled)
            left = std::min(left, kStopPoll);
        if (WaitForSingleObject(process, static_cast<DWORD>(left.count())) == WAIT_OBJECT_0)
            return Wait::Ended;
        if (watch.stopped && watch.stopped())
            return Wait::Stopped;
        if (watch.stalled && watch.stalled())
            return Wait::TimedOut;
    }
}

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

void* makeKillOnCloseJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

void* startProcessInJob(void* job, const std::filesystem::path& program,
                        const std::wstring& commandLine) {
    return startInJob(static_cast<HANDLE>(job), program, commandLine, environmentBlock({}));
}

std::filesystem::path findProgram(const std::filesystem::path& program) {
    if (program.empty())
        return {};
    auto withExe = [](std::filesystem::path p) {
        if (isExecutableFile(p))
            return p;
        p += ".exe";
        return isExecutableFile(p) ? p : std::filesystem::path();
    };
    if (program.has_parent_path())
        return withExe(program);
    const DWORD n = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(n, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), n));
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = std::min(path.find(L';', start), path.size());
        if (end > start) {
            std::filesystem::path found =
                withExe(std::filesystem::path(path.substr(start, end - start)) / program);
            if (!found.empty())
                return found;
        }
        start = end + 1;
    }
    return {};
}

std::vector<std::filesystem::path> programFolders() {
    std::vector<std::filesystem::path> folders;
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        wchar_t value[MAX_PATH];
        const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            folders.emplace_back(std::wstring(value, n));
    }
    return folders;
}

long currentProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

long currentUserId() {
    return 0;
}

bool processIsGone(long pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (h == nullptr)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    const bool ended = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}

ProcessResult runChildProcess(const std::filesystem::path& program,
                              const std::vector<std::string>& args,
                              std::chrono::milliseconds timeLimit,
                              const std::vector<std::string>& environment,
                              const ProcessWatch& watch) {
    ProcessResult result;
    const std::filesystem::path exe = findProgram(program);
    HANDLE job = exe.empty() ? nullptr : static_cast<HANDLE>(makeKillOnCloseJob());
    if (job == nullptr)
        return result;
    std::wstring line;
    appendQuoted(line, exe.wstring());
    for (const std::string& a : args)
        appendQuoted(line, wide(a));
    HANDLE process = startInJob(job, exe, line, environmentBlock(environment));
    if (process == nullptr) {
        CloseHandle(job);
        return result;
    }
    const Wait outcome = waitForEnd(process, Clock::now() + timeLimit, watch);
    TerminateJobObject(job, 1); // whatever it started goes with it
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    CloseHandle(job);
    if (outcome == Wait::TimedOut) {
        result.ending = ProcessResult::Ending::TimedOut;
    } else if (outcome == Wait::Stopped) {
        result.ending = ProcessResult::Ending::Stopped;
    } else if (code >= 0xC0000000u) { // an exception status: it crashed
        result.ending = ProcessResult::Ending::Signalled;
    } else {
        result.ending = ProcessResult::Ending::Exited;
        result.exitCode = static_cast<int>(code);
    }
    return result;
}

} // namespace qm
