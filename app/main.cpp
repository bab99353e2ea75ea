#include "mainwindow.h"
#include "webenginesandbox.h"

#include <QApplication>
#include <QTextStream>

#include <unistd.h>

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
    return app.exec();
}
