#include "FakeView.h"

#include <chrono>

namespace qm::test {

void FakeView::post(std::function<void()> code) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(code));
}

bool FakeView::pumpUntil(const std::function<bool()>& until) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!until()) {
        std::function<void()> next;
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) {
                next = std::move(queue_.front());
                queue_.pop_front();
            }
        }
        if (next)
            next();
        else if (std::chrono::steady_clock::now() > limit)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void FakeView::onThread() {
    if (std::this_thread::get_id() != thread_)
        ++offThread;
}

void FakeView::setText(ui::Text field, const std::string& value) {
    onThread();
    texts[field] = value;
    history[field].push_back(value);
}

void FakeView::setChecked(ui::Switch box, bool on) {
    onThread();
    checks[box] = on;
}

void FakeView::setEnabled(ui::Control control, bool on) {
    onThread();
    enables[control] = on;
}

void FakeView::addNode(const ui::NodeRow& row) {
    onThread();
    rows[row.id] = row;
    if (onNode)
        onNode(row);
}

bool FakeView::askYesNo(const std::string& caption, const std::string& question,
                        ui::Answer preset) {
    onThread();
    presets[caption] = preset;
    questions.push_back(caption + ": " + question);
    return answers.contains(caption) && answers.at(caption);
}

std::string FakeView::text(ui::Text field) const {
    return texts.contains(field) ? texts.at(field) : std::string();
}

bool FakeView::enabled(ui::Control control) const {
    return enables.contains(control) && enables.at(control);
}

std::optional<std::string> FakeStore::text(const std::string& key) {
    return texts.contains(key) ? std::optional(texts.at(key)) : std::nullopt;
}

std::optional<bool> FakeStore::flag(const std::string& key) {
    return flags.contains(key) ? std::optional(flags.at(key)) : std::nullopt;
}

std::optional<std::vector<std::string>> FakeStore::list(const std::string& key) {
    return lists.contains(key) ? std::optional(lists.at(key)) : std::nullopt;
}

} // namespace qm::test
