#include "run/RunLock.h"

#include "text/Error.h"
#include "text/Gbk.h"

namespace qm {

std::filesystem::path RunLock::lockFileFor(const std::filesystem::path& projectRoot) {
    std::filesystem::path file = projectRoot;
    file.replace_filename(
        std::filesystem::path(u8"." + projectRoot.filename().u8string() + u8".lock"));
    return file;
}

RunLock::RunLock(const std::filesystem::path& projectRoot) : lock_(lockFileFor(projectRoot)) {
    if (lock_.state() == FileLock::State::Busy)
        throw Error(gbk::fromUtf8("另一个运行（进程 ") + lock_.holder() +
                    gbk::fromUtf8("）正在生成“") + gbk::fromPath(projectRoot) +
                    gbk::fromUtf8("”的帮助工程；本次未做任何改动，请等它结束后再试。"));
}

} // namespace qm
