#pragma once

#include "capturefile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// What a simulated device sends, kept as a capture file the workbench's tab
// replays: the header the tab would have written, then every write with
// the time it belongs to. Flushed after every batch, so the file is a valid
// capture up to the last batch even if the simulator is stopped.
class SimRecording
{
public:
    // False with errorString() when the file cannot be written.
    bool open(const QString &path, const Capture::Header &header);
    bool isOpen() const { return m_file.isOpen(); }
    // Bytes sent `offsetUs` after the start; false once writing failed.
    bool append(qint64 offsetUs, const QByteArray &bytes);
    bool flush();
    QString errorString() const;

private:
    QFile m_file;
    QString m_error;
};
