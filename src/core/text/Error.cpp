#include "text/Error.h"

#include "text/Gbk.h"

#include <cerrno>
#include <cstring>

namespace qm {
namespace {

const char* plainWords(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "没有权限";
    case ENOSPC:
#ifdef EDQUOT // not on Windows
    case EDQUOT:
#endif
        return "磁盘已满";
    case EROFS:
        return "磁盘写保护";
    case ENAMETOOLONG:
        return "文件名太长";
    case ENOENT:
        return "文件或文件夹不存在";
    case EISDIR:
        return "这是一个文件夹";
    case EIO:
        return "读写错误";
    default:
        return nullptr;
    }
}

} // namespace

std::string withSystemReason(std::string message, int error) {
    std::string reason = systemReason(error);
    return reason.empty() ? message : message + gbk::fromUtf8("（") + reason + gbk::fromUtf8("）");
}

std::string systemReason(int error) {
    if (error == 0)
        return {};
    std::string system = std::strerror(error);
    const char* words = plainWords(error);
    return words ? gbk::fromUtf8(words) + gbk::fromUtf8("：") + system : system;
}

void throwCannotOpen(const std::string& pathText, int error) {
    throw Error(withSystemReason("Cannot open file " + pathText, error));
}

void throwCannotCreate(const std::string& pathText, int error) {
    throw Error(withSystemReason("Cannot create file " + pathText, error));
}

void throwCannotWrite(const std::string& pathText, int error) {
    throw Error(withSystemReason("Cannot write file " + pathText, error));
}

} // namespace qm
