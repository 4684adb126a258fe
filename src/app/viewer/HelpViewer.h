#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace qm {

class Dialogs;
class ViewerWindow;
namespace ui {
class ShellServices;
}

// True for a file name that ends in ".chm" (any case).
bool isHelpFileName(const QString& path);

// Opens the viewer on a CHM (path on disk) as a window of its own, deleted when it is
// closed; shell and dialogs are borrowed and must outlive it. When the file is no CHM
// chmlib can read, says so through dialogs and returns nullptr.
ViewerWindow* openHelpViewer(const std::filesystem::path& chm, ui::ShellServices& shell,
                             Dialogs& dialogs);

// quillmark-gui's viewer mode: "--view FILE.chm [--mapid N]".
struct ViewRequest {
    bool view = false; // --view was given
    QString chm;       // the file it names
    std::optional<std::uint32_t> mapId;
    QString error; // a bad usage, said in a sentence; empty when none
};
// Reads the program's arguments (Qt's own taken out; the first is the program).
ViewRequest parseViewRequest(const QStringList& arguments);

} // namespace qm
