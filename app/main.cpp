#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Bytes to and from devices are GB18030 (textcodec.h); file names and the
    // console keep the system's own encoding, so Chinese paths still work.
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
