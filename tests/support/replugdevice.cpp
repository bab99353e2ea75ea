#include "replugdevice.h"

#include "seriallink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaObject>

namespace {

// Runs the event loop until `done` or the time is up.
template <typename Done>
bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

QByteArray cyclePayload(const char *direction, int cycle)
{
    QByteArray bytes = QByteArray(direction) + " cycle " + QByteArray::number(cycle) + ':';
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

} // namespace

ReplugDevice::ReplugDevice()
    : m_name(m_dir.filePath(QStringLiteral("ttyREPLUG0")))
{
    plugIn();
}

PortListSource ReplugDevice::portSource() const
{
    const QString directory = m_dir.path();
    return [directory] {
        QList<PortEntry> ports;
        const QStringList names = QDir(directory).entryList(
            QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names)
            ports.append({directory + QLatin1Char('/') + name, QStringLiteral("pseudo-terminal")});
        return ports;
    };
}

void ReplugDevice::unplug()
{
    if (!m_pty)
        return;
    m_pty.reset();
    QFile::remove(m_name);
}

void ReplugDevice::plugIn()
{
    if (m_pty)
        return;
    m_pty = std::make_unique<PtyPair>();
    QFile::link(m_pty->slavePath(), m_name);
}

ReplugCycle replugOnce(ReplugDevice &adapter, SerialLink &link, int cycle, int absentMs,
                       int timeoutMs)
{
    ReplugCycle result;
    QByteArray received;
    bool opened = false;
    const auto onReceived = QObject::connect(&link, &ByteLink::received,
                                             [&](const QByteArray &bytes) { received += bytes; });
    const auto onOpened = QObject::connect(&link, &ByteLink::opened, [&] { opened = true; });

    adapter.unplug();
    waitFor([&] { return !link.isOpen(); }, timeoutMs);
    waitFor([] { return false; }, absentMs);
    QElapsedTimer sincePlugIn;
    adapter.plugIn();
    sincePlugIn.start();
    result.reopened = waitFor([&] { return opened && link.isOpen(); }, timeoutMs);
    result.reopenMs = double(sincePlugIn.nsecsElapsed()) / 1e6;
    received.clear();

    if (result.reopened) {
        const QByteArray fromDevice = cyclePayload("device", cycle);
        result.deviceSent = fromDevice.size();
        adapter.device().write(fromDevice);
        waitFor([&] { return received.size() >= fromDevice.size(); }, timeoutMs);
        result.programReceived = received == fromDevice ? received.size() : 0;

        const QByteArray fromProgram = cyclePayload("program", cycle);
        result.programSent = fromProgram.size();
        link.write(fromProgram);
        const QByteArray arrived = adapter.device().read(fromProgram.size(), timeoutMs);
        result.deviceReceived = arrived == fromProgram ? arrived.size() : 0;
    }
    QObject::disconnect(onReceived);
    QObject::disconnect(onOpened);
    return result;
}
