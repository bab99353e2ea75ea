#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The device simulator (zentrik-sim) run as a child process on a
// pseudo-terminal of its own: start() waits for the device path it prints,
// which the program under test then opens. The process is killed when the
// object goes.
class SimulatorProcess
{
public:
    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // Runs `program` with `arguments` (a mode and its options) and waits up
    // to timeoutMs for the line naming the port. False, with error() saying
    // why, if it did not start or printed no port.
    bool start(const QString &program, const QStringList &arguments, int timeoutMs = 10000);

    QString portPath() const { return m_portPath; }
    QString error() const { return m_error; }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_portPath;
    QString m_error;
};
