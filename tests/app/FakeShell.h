#pragma once

#include "ShellServices.h"

#include <QStringList>

#include <vector>

namespace qm::test {

// Records every request to open something.
class FakeShell : public ShellServices {
public:
    void openPath(const std::filesystem::path& path) override { paths.push_back(path); }
    void openUrl(const QString& address) override { urls.append(address); }

    std::vector<std::filesystem::path> paths;
    QStringList urls;
};

} // namespace qm::test
