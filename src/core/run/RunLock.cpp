#include "run/RunLock.h"

#include "text/Error.h"
#include "text/Gbk.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace qm {
namespace {

std::filesystem::path lockFileFor(const std::filesystem::path& projectRoot) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::weakly_canonical(projectRoot, ec);
    if (ec)
        absolute = std::filesystem::absolute(projectRoot);
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quillmark-locks-" + std::to_string(getuid()));
    std::filesystem::create_directories(folder, ec);
    std::size_t key = std::hash<std::string>{}(absolute.string());
    return folder / (std::to_string(key) + ".lock");
}

} // namespace

RunLock::RunLock(const std::filesystem::path& projectRoot) {
    std::filesystem::path file = lockFileFor(projectRoot);
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0)
        return; // no lock to be had (a read-only temporary folder): run unguarded
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        char holder[32] = {};
        ssize_t got = ::pread(fd_, holder, sizeof holder - 1, 0);
        ::close(fd_);
        fd_ = -1;
        std::string pid = got > 0 ? std::string(holder, static_cast<std::size_t>(got)) : "?";
        throw Error(gbk::fromUtf8("另一个运行（进程 ") + pid + gbk::fromUtf8("）正在生成“") +
                    gbk::fromPath(projectRoot) +
                    gbk::fromUtf8("”的帮助工程；本次未做任何改动，请等它结束后再试。"));
    }
    std::string pid = std::to_string(getpid());
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, pid.data(), pid.size(), 0) < 0) {
        // The holder's number is only for the message of a second run.
    }
}

RunLock::~RunLock() {
    if (fd_ >= 0)
        ::close(fd_); // releases the flock
}

} // namespace qm
