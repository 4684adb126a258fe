// quillmark-gui: the desktop window over the generation run.
#include "DesktopShell.h"
#include "MainFrm.h"
#include "MessageBoxDialogs.h"
#include "Translation.h"
#include "WidgetText.h"
#include "project/ChmCompiler.h"
#include "word/LibreOfficeConverter.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The settings and the user's additional code live under this name
    // (~/.config/quillmark/, ~/.local/share/quillmark/).
    QApplication::setApplicationName(QStringLiteral("quillmark"));
    QApplication::setDesktopFileName(QStringLiteral("quillmark"));
    qm::installChineseTranslation(app);

    // The services the window runs on; it only borrows them.
    qm::MessageBoxDialogs dialogs;
    qm::DesktopShell shell;
    qm::LibreOfficeConverter converter;
    qm::ChmCompiler compiler;
    qm::MainFrm window(dialogs, shell, &converter, &compiler,
                       qm::widgettext::toPath(QCoreApplication::applicationDirPath()));
    window.show();
    return QApplication::exec();
}
