#include "simulatorprocess.h"

#include <QElapsedTimer>

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool SimulatorProcess::start(const QString &program, const QStringList &arguments, int timeoutMs)
{
    if (!waitForLine(program, arguments, QStringLiteral("/dev/"), timeoutMs))
        return false;
    m_portPath = m_line.mid(m_line.indexOf(QLatin1String("/dev/")));
    return true;
}

bool SimulatorProcess::startOnNetwork(const QString &program, const QStringList &arguments,
                                      int timeoutMs)
{
    return waitForLine(program, arguments, QString(), timeoutMs);
}

quint16 SimulatorProcess::announcedPort() const
{
    return m_line.section(QLatin1Char(' '), -1).toUShort();
}

// The first line of standard output that contains `marker`.
bool SimulatorProcess::waitForLine(const QString &program, const QStringList &arguments,
                                   const QString &marker, int timeoutMs)
{
    m_process.start(program, arguments);
    if (!m_process.waitForStarted()) {
        m_error = m_process.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    bool found = false;
    while (!found && clock.elapsed() < timeoutMs) {
        if (!m_process.canReadLine()
            && !m_process.waitForReadyRead(int(timeoutMs - clock.elapsed())))
            break;
        while (!found && m_process.canReadLine()) {
            m_line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            found = m_line.contains(marker);
        }
    }
    if (!found)
        m_error = QStringLiteral("the simulator printed no %1: %2")
                      .arg(marker.isEmpty() ? QStringLiteral("line") : QStringLiteral("port"),
                           QString::fromLocal8Bit(m_process.readAllStandardError()));
    return found;
}
