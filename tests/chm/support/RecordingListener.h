#pragma once

#include "chm/Messages.h"

#include <string>
#include <vector>

namespace qm::test {

// Keeps every message of a compile; can stop the compile after a number of progress lines.
class RecordingListener : public chm::CompileListener {
public:
    void log(chm::MessageKind kind, std::string_view text) override {
        (kind == chm::MessageKind::Warning ? warnings
         : kind == chm::MessageKind::Error ? errors
                                           : notes)
            .emplace_back(text);
    }
    bool progress(std::string_view text) override {
        progressLines.emplace_back(text);
        return stopAfter < 0 || static_cast<int>(progressLines.size()) < stopAfter;
    }

    std::string allLog() const {
        std::string out;
        for (const auto* list : {&warnings, &errors, &notes})
            for (const std::string& s : *list)
                out += s + "\n";
        return out;
    }

    std::vector<std::string> warnings, errors, notes, progressLines;
    int stopAfter = -1;
};

} // namespace qm::test
