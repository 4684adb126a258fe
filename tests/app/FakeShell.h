#pragma once

#include "ui/ShellServices.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace qm::test {

// Records every request to open something; the CHM viewers are the test's.
class FakeShell : public ui::ShellServices {
public:
    void openPath(const std::filesystem::path& path) override { paths.push_back(path); }
    void openUrl(const std::string& address) override {
        urls.append(QString::fromStdString(address));
    }
    std::vector<std::string> chmViewers() override {
        std::vector<std::string> found;
        for (const QString& viewer : viewers)
            found.push_back(viewer.toStdString());
        return found;
    }
    void openWith(const std::string& program, const std::filesystem::path& path) override {
        openedWith.emplace_back(QString::fromStdString(program), path);
    }

    std::vector<std::filesystem::path> paths;
    QStringList urls;
    QStringList viewers;
    std::vector<std::pair<QString, std::filesystem::path>> openedWith;
};

} // namespace qm::test
