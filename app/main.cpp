#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
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
