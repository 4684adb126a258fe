#include "CliProcess.h"

#include "support/Samples.h"
#include "support/TempDir.h"

#include <sys/wait.h>
#include <unistd.h>

namespace qm::test {

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         bool asNobody) {
    TempDir io;
    std::filesystem::path outFile = io / "out";
    std::filesystem::path errFile = io / "err";
    std::vector<std::string> argv;
    if (asNobody && getuid() == 0)
        argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back((binaryDir() / program).string());
    argv.insert(argv.end(), args.begin(), args.end());

    pid_t pid = fork();
    if (pid == 0) {
        FILE* o = std::freopen(outFile.c_str(), "w", stdout);
        FILE* e = std::freopen(errFile.c_str(), "w", stderr);
        (void)o;
        (void)e;
        std::vector<char*> cargs;
        for (std::string& a : argv)
            cargs.push_back(a.data());
        cargs.push_back(nullptr);
        execv(cargs[0], cargs.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ProcessResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = readFile(outFile);
    r.err = readFile(errFile);
    return r;
}

} // namespace qm::test
