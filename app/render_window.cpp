// Renders the main window to a PNG file without a display, e.g. for the
// README: QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software
// render_window out.png [tab index]
#include "language.h"
#include "mainwindow.h"
#include "webenginesandbox.h"

#include <QApplication>
#include <QTabWidget>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char *argv[])
{
    relaxWebEngineSandboxForRoot(geteuid());
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: render_window OUT.png [TAB_INDEX]\n";
        return 2;
    }
    // In the program's language, as the program would start.
    applyInterfaceLanguage(app, interfaceLanguage(storedLanguageChoice(programSettingsFile()),
                                                  QLocale::system()));
    MainWindow window;
    window.show();
    if (argc > 2) {
        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget_main"));
        tabs->setCurrentIndex(QString::fromLocal8Bit(argv[2]).toInt());
    }
    QApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
