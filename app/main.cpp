#include "language.h"
#include "mainwindow.h"
#include "onlinesite.h"
#include "programinfo.h"
#include "rasterwindows.h"
#include "selfupdater.h"
#include "webenginesandbox.h"
#include "widgetdialogs.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include <cstring>

#include <unistd.h>

namespace {
constexpr int kUpdateCheckDelayMs = 1000;

bool asksForVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return true;
    }
    return false;
}

// Needs no display: only the core application is made.
int printVersion(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << programTitle() << '\n';
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (asksForVersion(argc, argv))
        return printVersion(argc, argv);
    const QString sandboxNote = relaxWebEngineSandboxForRoot(geteuid());
    if (!sandboxNote.isEmpty())
        QTextStream(stderr) << sandboxNote << '\n';
    // Bytes to and from devices are GB18030 (textcodec.h); file names and the
    // console keep the system's own encoding, so Chinese paths still work.
    useRasterWindows();
    QApplication app(argc, argv);
    const LanguageChoice choice = storedLanguageChoice(programSettingsFile());
    if (!applyInterfaceLanguage(app, interfaceLanguage(choice, QLocale::system())))
        QTextStream(stderr) << "The English translation could not be loaded; texts stay Chinese.\n";
    MainWindow window;
    window.show();

    WidgetDialogs dialogs;
    SelfUpdater updater(dialogs, defaultServerBase(), &window);
    // The window is up and drawn before the network is first touched.
    QTimer::singleShot(kUpdateCheckDelayMs, &updater,
                       [&updater] { updater.check(ProgramInstall::ofRunningProgram()); });

    const int exitCode = app.exec();
    updater.handOver(QCoreApplication::applicationPid());
    return exitCode;
}
