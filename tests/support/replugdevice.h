#pragma once

#include "portenumerator.h"
#include "ptypair.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class SerialLink;

// A serial adapter that comes and goes under one name in a device directory
// of its own, as a USB adapter does under /dev: unplugging closes the device
// end and removes the name; plugging in makes a new pseudo-terminal under
// the same name. The program watches directory() and lists portSource().
class ReplugDevice
{
public:
    ReplugDevice();

    QString directory() const { return m_dir.path(); }
    QString name() const { return m_name; }
    // The names present in the directory, as the system's port list would
    // show the adapters present.
    PortListSource portSource() const;

    bool isPlugged() const { return m_pty != nullptr; }
    PtyPair &device() { return *m_pty; }
    void unplug();
    void plugIn();

private:
    QTemporaryDir m_dir;
    QString m_name;
    std::unique_ptr<PtyPair> m_pty;
};

// One cycle of pulling the adapter out from under an open link and plugging
// it back in, with the program left to notice both and to reopen the port.
struct ReplugCycle
{
    bool reopened = false;
    // From the name's return to the link's opened().
    double reopenMs = 0;
    // After the reopen: bytes the device sent and bytes the program got,
    // then bytes the program sent and bytes the device got.
    qint64 deviceSent = 0;
    qint64 programReceived = 0;
    qint64 programSent = 0;
    qint64 deviceReceived = 0;
    bool complete() const
    {
        return reopened && programReceived == deviceSent && deviceReceived == programSent;
    }
};

// Runs one cycle on `link`, open on the device's name, running the event
// loop throughout: the device stays away for absentMs once the link has
// closed (0: plugged back at once, before the window may have seen the name
// go). Gives up on each step after timeoutMs. `cycle` numbers the bytes
// exchanged, so bytes of one cycle cannot pass for another's.
ReplugCycle replugOnce(ReplugDevice &adapter, SerialLink &link, int cycle, int absentMs,
                       int timeoutMs);
