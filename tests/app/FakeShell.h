#pragma once

#include "ShellServices.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace qm::test {

// Records every request to open something; the CHM viewers are the test's.
class FakeShell : public ShellServices {
public:
    void openPath(const std::filesystem::path& path) override { paths.push_back(path); }
    void openUrl(const QString& address) override { urls.append(address); }
    QStringList chmViewers() override { return viewers; }
    void openWith(const QString& program, const std::filesystem::path& path) override {
        openedWith.emplace_back(program, path);
    }

    std::vector<std::filesystem::path> paths;
    QStringList urls;
    QStringList viewers;
    std::vector<std::pair<QString, std::filesystem::path>> openedWith;
};

} // namespace qm::test
