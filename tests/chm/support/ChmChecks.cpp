#include "ChmChecks.h"

#include "RecordingListener.h"
#include "chm/Compiler.h"

#include "support/TempDir.h"

namespace qm::test {

AllReaders readWithAll(const std::filesystem::path& chm, const std::filesystem::path& scratch) {
    AllReaders r;
    r.chmlib = readWithChmlib(chm);
    r.mspack = readWithMspack(chm, &r.mspackError);
    r.sevenZip = readWith7zip(chm, scratch);
    return r;
}

std::vector<std::string>
compareWithDisk(const AllReaders& readers,
                const std::map<std::string, std::filesystem::path>& expected) {
    std::vector<std::string> problems;
    const std::pair<const char*, const std::optional<ChmContents>*> views[] = {
        {"chmlib", &readers.chmlib}, {"libmspack", &readers.mspack}, {"7-Zip", &readers.sevenZip}};
    for (const auto& [reader, contents] : views) {
        if (!*contents) {
            problems.push_back(std::string(reader) + " could not read the CHM " +
                               (std::string(reader) == "libmspack" ? readers.mspackError : ""));
            continue;
        }
        for (const auto& [name, path] : expected) {
            auto it = (*contents)->find(name);
            if (it == (*contents)->end())
                problems.push_back(std::string(reader) + " lacks " + name);
            else if (it->second != readFile(path))
                problems.push_back(std::string(reader) + " gives other bytes for " + name);
        }
    }
    return problems;
}

std::filesystem::path compileSampleCopy(const std::filesystem::path& sample,
                                        const std::string& projectFile,
                                        const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    fs::copy(sample, folder, fs::copy_options::recursive);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".chm")
            fs::remove(entry.path());
    RecordingListener listener;
    qm::chm::CompileOptions options;
    options.timestamp = 1700000000;
    const qm::chm::CompileResult result =
        qm::chm::compileProject(folder / projectFile, listener, options);
    if (!result.written)
        throw std::runtime_error("the sample did not compile:\n" + listener.allLog());
    return result.chm;
}

} // namespace qm::test
