#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The device simulator (zentrik-sim) run as a child process: start() waits
// for the line naming where the program under test should connect. The
// process is killed when the object goes.
class SimulatorProcess
{
public:
    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // Runs `program` with `arguments` (a mode and its options) on a
    // pseudo-terminal of its own and waits up to timeoutMs for the line
    // naming the port. False, with error() saying why, if it did not start
    // or printed no port.
    bool start(const QString &program, const QStringList &arguments, int timeoutMs = 10000);

    // Runs the simulator on the network (--tcp, --listen, --udp) and waits
    // up to timeoutMs for its first line (line()).
    bool startOnNetwork(const QString &program, const QStringList &arguments,
                        int timeoutMs = 10000);

    QString portPath() const { return m_portPath; }
    // The line start() or startOnNetwork() waited for.
    QString line() const { return m_line; }
    // The number that ends line(): the port a --listen simulator waits on.
    quint16 announcedPort() const;
    QString error() const { return m_error; }
    QProcess &process() { return m_process; }

private:
    bool waitForLine(const QString &program, const QStringList &arguments, const QString &marker,
                     int timeoutMs);

    QProcess m_process;
    QString m_line;
    QString m_portPath;
    QString m_error;
};
