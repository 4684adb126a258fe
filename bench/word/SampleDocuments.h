#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The Word documents of a folder (.doc, .docx, .rtf, .odt in any case), sorted: what
// the conversion benchmarks convert.
inline std::vector<std::filesystem::path> wordDocuments(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> docs;
    for (const std::filesystem::directory_entry& e : std::filesystem::directory_iterator(folder)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        });
        if (e.is_regular_file() &&
            (ext == ".doc" || ext == ".docx" || ext == ".rtf" || ext == ".odt"))
            docs.push_back(e.path());
    }
    std::sort(docs.begin(), docs.end());
    return docs;
}
