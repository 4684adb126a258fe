#include "chm/WindowsFile.h"

#include "Bytes.h"
#include "chm/TextCodec.h"

namespace qm::chm {
namespace {

constexpr std::uint32_t kEntrySize = 196;

// HH_WINTYPE.fsValidMembers: which fields the window definition sets.
constexpr std::uint32_t kValidProperties = 0x0002;
constexpr std::uint32_t kValidStyles = 0x0004;
constexpr std::uint32_t kValidExStyles = 0x0008;
constexpr std::uint32_t kValidRect = 0x0010;
constexpr std::uint32_t kValidNavWidth = 0x0020;
constexpr std::uint32_t kValidShowState = 0x0040;
constexpr std::uint32_t kValidButtons = 0x0100;
constexpr std::uint32_t kValidExpansion = 0x0200;
constexpr std::uint32_t kValidTabPosition = 0x0400;
constexpr std::uint32_t kValidCurrentTab = 0x2000;

} // namespace

std::string buildWindowsFile(const std::vector<WindowDef>& windows, StringsFile& strings,
                             const std::string& charset,
                             const std::function<std::string(const std::string&)>& fileName) {
    TextCodec codec(charset);
    auto text = [&](const std::string& utf8) { return strings.add(codec.fromUtf8(utf8)); };
    auto file = [&](const std::string& utf8) {
        return utf8.empty() ? 0u : strings.add(codec.fromUtf8(fileName(utf8)));
    };

    std::string out;
    bytes::putU32(out, static_cast<std::uint32_t>(windows.size()));
    bytes::putU32(out, kEntrySize);
    for (const WindowDef& w : windows) {
        std::uint32_t valid = 0;
        valid |= w.navigationStyle ? kValidProperties : 0;
        valid |= w.style ? kValidStyles : 0;
        valid |= w.extendedStyle ? kValidExStyles : 0;
        valid |= w.hasRect ? kValidRect : 0;
        valid |= w.navigationWidth ? kValidNavWidth : 0;
        valid |= w.showState ? kValidShowState : 0;
        valid |= w.buttons ? kValidButtons : 0;
        valid |= w.navigationClosed ? kValidExpansion : 0;
        valid |= w.panePosition ? kValidTabPosition : 0;
        valid |= w.defaultPane ? kValidCurrentTab : 0;

        const std::size_t start = out.size();
        bytes::putU32(out, kEntrySize);                    // 0x00 size of the entry
        bytes::putU32(out, 0);                             // 0x04 texts are not Unicode
        bytes::putU32(out, text(w.name));                  // 0x08 window type name
        bytes::putU32(out, valid);                         // 0x0C valid fields
        bytes::putU32(out, w.navigationStyle.value_or(0)); // 0x10 navigation pane style
        bytes::putU32(out, text(w.caption));               // 0x14 title bar text
        bytes::putU32(out, w.style.value_or(0));           // 0x18 window style
        bytes::putU32(out, w.extendedStyle.value_or(0));   // 0x1C extended style
        for (int i = 0; i < 4; ++i)                        // 0x20 window rectangle
            bytes::putU32(out, static_cast<std::uint32_t>(w.rect[i].value_or(0)));
        bytes::putU32(out, w.showState.value_or(0)); // 0x30 show state
        for (int i = 0; i < 6; ++i)                  // 0x34 run-time handles
            bytes::putU32(out, 0);
        bytes::putU32(out, w.navigationWidth.value_or(0)); // 0x4C navigation pane width
        for (int i = 0; i < 4; ++i)                        // 0x50 topic pane rectangle
            bytes::putU32(out, 0);
        bytes::putU32(out, file(w.toc));                    // 0x60 contents file
        bytes::putU32(out, file(w.index));                  // 0x64 index file
        bytes::putU32(out, file(w.defaultFile));            // 0x68 default topic
        bytes::putU32(out, file(w.homeFile));               // 0x6C home button topic
        bytes::putU32(out, w.buttons.value_or(0));          // 0x70 toolbar buttons
        bytes::putU32(out, w.navigationClosed.value_or(0)); // 0x74 pane initially closed
        bytes::putU32(out, w.defaultPane.value_or(0));      // 0x78 default pane
        bytes::putU32(out, w.panePosition.value_or(0));     // 0x7C tab position
        bytes::putU32(out, w.notificationId.value_or(0));   // 0x80 notification id
        out.append(20, '\0');                               // 0x84 tab order
        bytes::putU32(out, 0);                              // 0x98 history count
        bytes::putU32(out, text(w.jump1Text));              // 0x9C jump 1 text
        bytes::putU32(out, text(w.jump2Text));              // 0xA0 jump 2 text
        bytes::putU32(out, file(w.jump1Url));               // 0xA4 jump 1 URL
        bytes::putU32(out, file(w.jump2Url));               // 0xA8 jump 2 URL
        for (int i = 0; i < 4; ++i)                         // 0xAC minimum size
            bytes::putU32(out, 0);
        bytes::putU32(out, 0); // 0xBC information types
        bytes::putU32(out, 0); // 0xC0 custom tabs
        out.resize(start + kEntrySize, '\0');
    }
    return out;
}

} // namespace qm::chm
