#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qm::viewer {

// The files of one CHM, as a reader of the container hands them out. Names are UTF-8
// with a leading '/' ("/第1章.htm", "/#SYSTEM"), as the container's directory holds them.
class ChmSource {
public:
    virtual ~ChmSource() = default;
    // The bytes of a file by its exact name; nullopt when there is none or it cannot be
    // read whole.
    virtual std::optional<std::string> read(const std::string& name) const = 0;
    // Every file's name (folders left out), the system files included.
    virtual std::vector<std::string> names() const = 0;
};

} // namespace qm::viewer
