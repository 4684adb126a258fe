#pragma once

#include "ui/MainView.h"
#include "ui/SettingsStore.h"
#include "ui/ShellServices.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace qm::test {

// A view that records what the presenter shows and answers as the test says. post()
// queues; pump() runs the queue on the test's thread, which plays the window's thread.
class FakeView : public ui::MainView {
public:
    void post(std::function<void()> code) override;
    // Runs what was posted until until() holds; false after a minute.
    bool pumpUntil(const std::function<bool()>& until);

    void setText(ui::Text field, const std::string& text) override;
    void setChecked(ui::Switch box, bool on) override;
    void setEnabled(ui::Control control, bool enabled) override;
    void showProgressRow(bool shown) override { progressRow = shown; }
    void showFileInHand(bool shown) override { fileInHand = shown; }
    void setBusy(bool on) override { busy = on; }
    void setProgress(int value) override { progress = value; }
    void setTicking(bool on) override { ticking = on; }
    void runHasEnded() override { ++runsEnded; }
    void clearTree() override { rows.clear(); }
    void addNode(const ui::NodeRow& row) override;
    void changeNode(const ui::NodeRow& row) override { rows[row.id] = row; }
    void setRecentFiles(const std::vector<ui::RecentRow>& entries) override { recent = entries; }
    void setCodeFiles(const std::vector<ui::CodeFileRow>& files) override { codeFiles = files; }
    bool askYesNo(const std::string& caption, const std::string& text, ui::Answer preset) override;
    void information(const std::string& text) override { informations.push_back(text); }
    void error(const std::string& text) override { errors.push_back(text); }
    void showResult(const ui::RunReport& report) override { results.push_back(report); }
    std::vector<std::filesystem::path> chooseSourceFiles(const std::filesystem::path&) override {
        return filesToOpen;
    }
    std::filesystem::path chooseCodeFileToOpen(const std::filesystem::path&) override {
        return codeToOpen;
    }
    std::filesystem::path chooseCodeFileToSave(const std::filesystem::path&) override {
        return saveTo;
    }
    std::filesystem::path chooseFolder(const std::filesystem::path&) override { return {}; }
    void closeWindow() override { closed = true; }
    HelpShown showHelp(const std::filesystem::path& chm) override {
        helpShown.push_back(chm);
        return helpAnswer;
    }

    std::string text(ui::Text field) const;
    bool enabled(ui::Control control) const;

    std::map<ui::Text, std::string> texts;
    std::map<ui::Text, std::vector<std::string>> history; // every text set, in order
    std::map<ui::Switch, bool> checks;
    std::map<ui::Control, bool> enables;
    std::map<std::uintptr_t, ui::NodeRow> rows;
    std::function<void(const ui::NodeRow&)> onNode; // after each new row
    std::vector<ui::RecentRow> recent;
    std::vector<ui::CodeFileRow> codeFiles;
    std::map<std::string, bool> answers; // by caption; others are No
    std::vector<std::string> questions, informations, errors;
    std::map<std::string, ui::Answer> presets;    // the default button, by caption
    std::vector<std::filesystem::path> helpShown; // the CHMs shown in the help viewer
    HelpShown helpAnswer = HelpShown::Shown;
    std::vector<ui::RunReport> results;
    std::vector<std::filesystem::path> filesToOpen;
    std::filesystem::path codeToOpen, saveTo;
    bool progressRow = false, fileInHand = false, busy = false, ticking = false, closed = false;
    int progress = 0;
    int runsEnded = 0;
    int offThread = 0; // calls that came on another thread than the test's

private:
    void onThread();
    std::thread::id thread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

class FakeStore : public ui::SettingsStore {
public:
    std::optional<std::string> text(const std::string& key) override;
    std::optional<bool> flag(const std::string& key) override;
    std::optional<std::vector<std::string>> list(const std::string& key) override;
    void setText(const std::string& key, const std::string& value) override { texts[key] = value; }
    void setFlag(const std::string& key, bool value) override { flags[key] = value; }
    void setList(const std::string& key, const std::vector<std::string>& value) override {
        lists[key] = value;
    }
    std::map<std::string, std::string> texts;
    std::map<std::string, bool> flags;
    std::map<std::string, std::vector<std::string>> lists;
};

class FakeShell : public ui::ShellServices {
public:
    void openPath(const std::filesystem::path& path) override { paths.push_back(path); }
    void openUrl(const std::string& address) override { urls.push_back(address); }
    std::vector<std::string> chmViewers() override { return viewers; }
    void openWith(const std::string& program, const std::filesystem::path& path) override {
        openedWith.emplace_back(program, path);
    }
    std::vector<std::filesystem::path> paths;
    std::vector<std::string> urls, viewers;
    std::vector<std::pair<std::string, std::filesystem::path>> openedWith;
};

} // namespace qm::test
