// quillmark-gui: the desktop window over the generation run.
#include "DesktopShell.h"
#include "HelpViewer.h"
#include "MainFrm.h"
#include "MessageBoxDialogs.h"
#include "Translation.h"
#include "ViewerWindow.h"
#include "WidgetText.h"
#include "project/ChmCompiler.h"
#include "word/LibreOfficeConverter.h"

#include "text/PathArgument.h"

#include <QApplication>

#include <cstdio>
#include <string_view>

namespace {

// Qt's own options that take a value: an empty, blank or over-long one would only end
// in Qt's abort, so it is bad usage, said before Qt starts.
bool qtOptionValuesAreUsable(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view option = argv[i];
        for (std::string_view known :
             {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-style",
              "-stylesheet", "-display", "-qwindowgeometry", "-qwindowtitle", "-qwindowicon"})
            if (option == known || (option.size() > 1 && option.substr(1) == known)) {
                const std::string problem = qm::text::pathProblem(argv[i + 1]);
                if (!problem.empty()) {
                    std::fprintf(stderr, "quillmark-gui: the value of %s %s\n", argv[i],
                                 problem.c_str());
                    return false;
                }
            }
    }
    return true;
}

// quillmark-gui --view FILE.chm [--mapid N]: the viewer alone.
int viewHelp(const qm::ViewRequest& request, qm::ui::ShellServices& shell, qm::Dialogs& dialogs) {
    qm::ViewerWindow* window =
        qm::openHelpViewer(qm::widgettext::toPath(request.chm), shell, dialogs);
    if (window == nullptr) {
        std::fprintf(stderr, "quillmark-gui: cannot open %s as a CHM\n",
                     request.chm.toLocal8Bit().constData());
        return 1;
    }
    if (request.mapId && !window->showContextId(*request.mapId))
        std::fprintf(stderr, "quillmark-gui: %s has no context number %u\n",
                     request.chm.toLocal8Bit().constData(), *request.mapId);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    if (!qtOptionValuesAreUsable(argc, argv))
        return 2;
    QApplication app(argc, argv);
    // The settings and the user's additional code live under this name
    // (~/.config/quillmark/, ~/.local/share/quillmark/).
    QApplication::setApplicationName(QStringLiteral("quillmark"));
    QApplication::setDesktopFileName(QStringLiteral("quillmark"));
    qm::installChineseTranslation(app);

    // The services the window runs on; it only borrows them.
    qm::MessageBoxDialogs dialogs;
    qm::DesktopShell shell;
    const qm::ViewRequest request = qm::parseViewRequest(QCoreApplication::arguments());
    if (!request.error.isEmpty()) {
        std::fprintf(stderr, "quillmark-gui: %s\n", request.error.toLocal8Bit().constData());
        return 2;
    }
    if (request.view)
        return viewHelp(request, shell, dialogs);

    qm::LibreOfficeConverter converter;
    qm::ChmCompiler compiler;
    qm::MainFrm window(dialogs, shell, &converter, &compiler,
                       qm::widgettext::toPath(QCoreApplication::applicationDirPath()));
    window.show();
    return QApplication::exec();
}
