#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A receiver log from tests/data/nmea without its '#' comment lines, as a
// device would send it. The test defines ZENTRIK_NMEA_DATA_DIR.
inline QByteArray nmeaCapture(const QString &name)
{
    QFile file(QStringLiteral(ZENTRIK_NMEA_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    QByteArray stream;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (!line.startsWith('#'))
            stream += line;
    }
    return stream;
}
