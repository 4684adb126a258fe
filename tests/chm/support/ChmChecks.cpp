#include "ChmChecks.h"

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

} // namespace qm::test
