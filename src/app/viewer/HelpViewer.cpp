#include "HelpViewer.h"

#include "Dialogs.h"
#include "ViewerWindow.h"
#include "WidgetText.h"
#include "text/Error.h"
#include "viewer/HelpFile.h"

namespace qm {

bool isHelpFileName(const QString& path) {
    return path.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive);
}

ViewerWindow* openHelpViewer(const std::filesystem::path& chm, ui::ShellServices& shell,
                             Dialogs& dialogs) {
    std::unique_ptr<viewer::HelpFile> help;
    try {
        help = viewer::HelpFile::open(chm);
    } catch (const std::exception&) {
        dialogs.error(QStringLiteral("无法打开帮助文件“%1”：它不存在，或者不是CHM文件。")
                          .arg(widgettext::fromPath(chm)));
        return nullptr;
    }
    auto* window = new ViewerWindow(std::move(help), chm, shell, dialogs);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

ViewRequest parseViewRequest(const QStringList& arguments) {
    ViewRequest request;
    QString mapId;
    bool mapIdGiven = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == QLatin1String("--view") && hasValue) {
            request.view = true;
            request.chm = arguments[++i];
        } else if (a == QLatin1String("--mapid") && hasValue) {
            mapIdGiven = true;
            mapId = arguments[++i];
        } else {
            request.error = QStringLiteral("未知的参数“%1”。用法：quillmark-gui [--view 文件.chm "
                                           "[--mapid 编号]]")
                                .arg(a);
            return request;
        }
    }
    if (mapIdGiven) {
        bool ok = false;
        const qulonglong number = mapId.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                      ? mapId.mid(2).toULongLong(&ok, 16)
                                      : mapId.toULongLong(&ok, 10);
        if (!ok || number > 0xFFFFFFFFull)
            request.error = QStringLiteral("--mapid 要一个上下文编号，而不是“%1”。").arg(mapId);
        else if (!request.view)
            request.error = QStringLiteral("--mapid 只能和 --view 一起用。");
        else
            request.mapId = static_cast<std::uint32_t>(number);
    }
    return request;
}

} // namespace qm
