#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace qm {

// A converter's private folder under the system's temporary folder, named
// "<prefix><our process id>-XXXXXX" (UTF-8 prefix), made on first use so that a converter
// that never converts leaves nothing behind. The folders of that prefix left by processes
// no longer running are removed first, each once released(folder) says it may go (none
// given: at once). Empty when the folder cannot be made. Never throws.
std::filesystem::path
makeWorkFolder(std::string_view prefix,
               const std::function<bool(const std::filesystem::path&)>& released = {});

} // namespace qm
