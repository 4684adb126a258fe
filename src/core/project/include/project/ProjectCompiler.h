#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace qm {

// Compiles an HTML Help project (.hhp) into the CHM its "Compiled file" names.
// Log and progress texts arrive through the callbacks (GBK); returning false from the
// progress callback asks the compiler to stop. Returns true exactly when the CHM was
// written. Throws qm::Error when the compiler itself cannot be loaded.
class ProjectCompiler {
public:
    using LogFn = std::function<void(const std::string&)>;
    using ProgressFn = std::function<bool(const std::string&)>;

    virtual ~ProjectCompiler() = default;
    virtual bool compile(const std::filesystem::path& project, const LogFn& log,
                         const ProgressFn& progress) = 0;
};

} // namespace qm
