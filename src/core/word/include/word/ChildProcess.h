#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qm {

class StopFlag;

// How a child process ended.
struct ProcessResult {
    enum class Ending {
        Exited,     // it ended by itself; exitCode holds its status
        Signalled,  // a signal ended it (a crash)
        TimedOut,   // it passed the time limit; its whole process group was killed
        Stopped,    // the stop flag was set; its whole process group was killed
        NotStarted, // the program could not be started
    };
    Ending ending = Ending::NotStarted;
    int exitCode = -1;

    bool succeeded() const { return ending == Ending::Exited && exitCode == 0; }
};

// Runs program with args (no shell) in a process group of its own, with stdin, stdout
// and stderr on /dev/null, and waits for it at most timeLimit, or until stop (when given)
// is set, which is looked at every few dozen milliseconds. When it ends, the time is up
// or stop is set, every process left in its group is killed, so that nothing it started
// outlives the call. Should our own process be killed meanwhile, the group dies with it.
// program is a path, or a bare name looked up in PATH. The child gets our environment
// with the "NAME=value" entries of environment set over it. stalled (when given) is asked
// as often as the stop flag; when it answers true, the program is ended as though its
// time were up. Never throws.
ProcessResult runChildProcess(const std::filesystem::path& program,
                              const std::vector<std::string>& args,
                              std::chrono::milliseconds timeLimit,
                              const std::vector<std::string>& environment = {},
                              const StopFlag* stop = nullptr,
                              const std::function<bool()>& stalled = {});

// The program's full path when a bare name is found in PATH (or the path itself when it
// names an executable file); empty when there is none.
std::filesystem::path findProgram(const std::filesystem::path& program);

} // namespace qm
