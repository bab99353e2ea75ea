#include "dialogs.h"
#include "mainwindow.h"
#include "onlinesite.h"
#include "selfupdater.h"
#include "webenginesandbox.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

namespace {
constexpr int kUpdateCheckDelayMs = 1000;
}

int main(int argc, char *argv[])
{
    const QString sandboxNote = relaxWebEngineSandboxForRoot(geteuid());
    if (!sandboxNote.isEmpty())
        QTextStream(stderr) << sandboxNote << '\n';
    // Bytes to and from devices are GB18030 (textcodec.h); file names and the
    // console keep the system's own encoding, so Chinese paths still work.
    // The GPS map is a web view, whose engine must share OpenGL contexts
    // with the window from the start.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
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
