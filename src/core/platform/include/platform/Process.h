#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The process seam: starting a program, waiting for it with a limit, and ending it with
// every process it started. POSIX: a process group of its own; Windows: a job object.
namespace qm {

// How a child process ended.
struct ProcessResult {
    enum class Ending {
        Exited,     // it ended by itself; exitCode holds its status
        Signalled,  // a signal ended it (a crash; on Windows an exception status)
        TimedOut,   // it passed the time limit; everything it started was ended
        Stopped,    // stopped() answered true; everything it started was ended
        NotStarted, // the program could not be started
    };
    Ending ending = Ending::NotStarted;
    int exitCode = -1;

    bool succeeded() const { return ending == Ending::Exited && exitCode == 0; }
};

// What a wait asks every few dozen milliseconds besides the time limit: stopped (the
// user's stop) and stalled (the caller's own judgement, taken as the time being up).
// Either may be empty.
struct ProcessWatch {
    std::function<bool()> stopped;
    std::function<bool()> stalled;
};

// Runs program with args (no shell; UTF-8 paths and arguments) with its standard streams
// on the null device, and waits for it at most timeLimit, or until the watch says so.
// When it ends, the time is up or the watch says so, every process it started is ended
// too, so that nothing it started outlives the call; should our own process be killed
// meanwhile, they die with it. program is a path, or a bare name looked up in PATH. The
// child gets our environment with the "NAME=value" entries of environment set over it.
// Never throws.
ProcessResult runChildProcess(const std::filesystem::path& program,
                              const std::vector<std::string>& args,
                              std::chrono::milliseconds timeLimit,
                              const std::vector<std::string>& environment = {},
                              const ProcessWatch& watch = {});

// The program's full path when a bare name is found in PATH (or the path itself when it
// names an executable file); empty when there is none. On Windows ".exe" is tried too.
std::filesystem::path findProgram(const std::filesystem::path& program);

// The folders programs are installed in that PATH does not name: on Windows the
// Program Files folders; none elsewhere.
std::vector<std::filesystem::path> programFolders();

// Our own process id, and whether a process of that id is gone (not merely another
// user's): folders named after a dead process may be cleared.
long currentProcessId();
// Our user's number in the names of per-user files (the effective user id); 0 on Windows.
long currentUserId();
bool processIsGone(long pid);

// Windows: a job object (its HANDLE) that ends every process in it when its last handle
// closes, so that what we start dies with us even when we are killed; null when it
// cannot be made. Not defined elsewhere: process groups do that work there.
void* makeKillOnCloseJob();

// Windows: starts commandLine (program is its program's path) in job, a job object from
// makeKillOnCloseJob, its standard streams on the null device, with our environment; its
// process HANDLE, or null when it could not be started or put in the job (then it is
// ended). Not defined elsewhere.
void* startProcessInJob(void* job, const std::filesystem::path& program,
                        const std::wstring& commandLine);

} // namespace qm
