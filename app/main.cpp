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
    // No OpenGL context is shared from the start: the GPS map's web engine
    // makes its own when its module is loaded (gps/mappage.h), and none is
    // needed before.
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
