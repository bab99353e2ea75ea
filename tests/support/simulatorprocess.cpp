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
    m_process.start(program, arguments);
    if (!m_process.waitForStarted()) {
        m_error = m_process.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (m_portPath.isEmpty() && clock.elapsed() < timeoutMs) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(int(timeoutMs - clock.elapsed())))
            break;
        while (m_portPath.isEmpty() && m_process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            const int at = line.indexOf(QLatin1String("/dev/"));
            if (at >= 0)
                m_portPath = line.mid(at);
        }
    }
    if (m_portPath.isEmpty())
        m_error = QStringLiteral("the simulator printed no port: %1")
                      .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
    return !m_portPath.isEmpty();
}
