#include "Fuzzing.h"

#include "support/Samples.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace qm::test {

double fuzzSeconds() {
    const char* value = std::getenv("QM_FUZZ_SECONDS");
    return value ? std::max(0.0, std::atof(value)) : 0.0;
}

long fuzzRound() {
    const char* value = std::getenv("QM_FUZZ_ROUND");
    return value ? std::atol(value) : -1;
}

std::string randomBytes(std::mt19937& rng, std::size_t size, bool markup) {
    static const char kMarkup[] = "<>=\"'/ \r\n[]#&;%\\abcdefhilmoprstuvAOBJECTPARMLI0x1";
    std::string out(size, '\0');
    for (char& c : out)
        c = markup && rng() % 2 ? kMarkup[rng() % (sizeof kMarkup - 1)]
                                : static_cast<char>(rng() & 0xFF);
    return out;
}

std::string mutate(std::mt19937& rng, std::string s) {
    int edits = 1 + static_cast<int>(rng() % 16);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        std::size_t at = rng() % s.size();
        switch (rng() % 4) {
        case 0:
            s[at] = static_cast<char>(rng() & 0xFF);
            break;
        case 1:
            s.erase(at, rng() % 64);
            break;
        case 2:
            s.insert(at, s.substr(rng() % s.size(), rng() % 64));
            break;
        default:
            s.resize(at);
            break;
        }
    }
    return s;
}

std::vector<std::string> sampleSeeds(const std::vector<std::string>& extensions) {
    std::vector<std::string> out{
        "[OPTIONS]\r\nLanguage=0x804\r\n[FILES]\r\na.htm\r\n[MAP]\r\n#include x.h\r\n",
        "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Local\" "
        "value=\"a.htm\"></OBJECT></UL>",
        "<html><head><meta charset=gb2312><title>t</title></head><body><img src=a.gif></body>"};
    const std::filesystem::path samples = samplesDir();
    if (samples.empty())
        return out;
    for (auto it = std::filesystem::recursive_directory_iterator(samples / "hhp");
         it != std::filesystem::recursive_directory_iterator() && out.size() < 60; ++it) {
        std::string ext = it->path().extension().string();
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (it->is_regular_file() &&
            std::find(extensions.begin(), extensions.end(), ext) != extensions.end() &&
            it->file_size() < 200000)
            out.push_back(readFile(it->path()));
    }
    return out;
}

} // namespace qm::test
