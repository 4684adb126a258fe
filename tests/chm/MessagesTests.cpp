#include "chm/Messages.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

std::set<std::string> placeholders(const std::string& text) {
    std::set<std::string> found;
    for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1))
        found.insert(text.substr(at, 2));
    return found;
}

} // namespace

// Every message of the catalogue is said in both languages, each with all its arguments.
TEST(Messages, EveryMessageIsInEnglishAndChineseWithTheSameArguments) {
    using qm::chm::Language;
    using qm::chm::Msg;
    for (int i = 0; i <= static_cast<int>(Msg::MoreIndexChanges); ++i) {
        const auto msg = static_cast<Msg>(i);
        // Each argument put in as its own placeholder shows where it goes.
        auto text = [msg](Language language) {
            return qm::chm::messageText(language, msg, {"%1", "%2", "%3", "%4", "%5"});
        };
        const std::string english = text(Language::English);
        const std::string chinese = text(Language::Chinese);
        EXPECT_NE(english, chinese) << english;
        EXPECT_EQ(placeholders(english), placeholders(chinese)) << english << " / " << chinese;
    }
    EXPECT_EQ(qm::chm::messageText(Language::Chinese, Msg::MapIdCaseMatched, {"IDH_a", "IDH_A"}),
              "[MAP] 中的上下文ID IDH_a 按大小写不同的 [ALIAS] ID IDH_A 处理。");
}
