// zentrik-sim replay: sends what a capture file recorded from a link, with
// its original timing (or faster, slower), so a recorded run can drive the
// workbench or any other program.
#include "captureplayer.h"
#include "capturereader.h"
#include "simlink.h"
#include "simmodes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <cmath>

namespace {

void addReplayOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Sends the bytes of a capture file as they were recorded, with their timing."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The capture file."));
    parser.addOption({QStringLiteral("speed"),
                      QStringLiteral("Play faster (2) or slower (0.5); 0 sends as fast as the "
                                     "line takes. Default 1."),
                      QStringLiteral("factor"), QStringLiteral("1")});
    SimLink::addOptions(parser, true);
    SimLink::addListenAndUdpOptions(parser);
}

// Sends record after record when its time has come.
class Replay
{
public:
    Replay(CaptureReader &reader, SimLink &link, double speed)
        : m_reader(reader)
        , m_link(link)
        , m_speed(speed)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sendDue(); });
    }

    void start()
    {
        m_clock.start();
        scheduleNext();
    }

private:
    qint64 dueInMs() const
    {
        if (m_speed <= 0)
            return 0;
        const qint64 waitUs = PlaybackTiming::waitUs(m_reader.timeUs(m_next), 0, 0,
                                                     m_clock.nsecsElapsed() / 1000, m_speed);
        return std::min<qint64>(waitUs / 1000 + (waitUs % 1000 != 0), 60 * 60 * 1000);
    }

    void scheduleNext()
    {
        if (m_next >= m_reader.recordCount()) {
            m_link.quitOnceRead();
            return;
        }
        m_timer.start(int(dueInMs()));
    }

    void sendDue()
    {
        while (m_next < m_reader.recordCount() && dueInMs() == 0) {
            // A full line makes write() run the event loop; nothing else
            // is sent meanwhile, since the timer is not running.
            if (!m_link.write(m_reader.bytes(m_next++))) {
                QCoreApplication::quit();
                return;
            }
        }
        scheduleNext();
    }

    CaptureReader &m_reader;
    SimLink &m_link;
    const double m_speed;
    QElapsedTimer m_clock;
    QTimer m_timer;
    int m_next = 0;
};

int runReplay(const QStringList &arguments)
{
    QCommandLineParser parser;
    addReplayOptions(parser);
    QTextStream err(stderr);
    if (!parser.parse(arguments)) {
        err << "zentrik-sim replay: " << parser.errorText() << "\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QString help = parser.helpText();
        help.replace(0, help.indexOf(QLatin1Char('\n')),
                     QStringLiteral("Usage: zentrik-sim replay [options] FILE"));
        QTextStream(stdout) << help;
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    bool speedOk = false;
    const double speed = parser.value(QStringLiteral("speed")).toDouble(&speedOk);
    if (files.size() != 1 || !speedOk || speed < 0 || !std::isfinite(speed)) {
        err << "zentrik-sim replay: give one capture file and a speed of 0 or more\n";
        return 2;
    }
    CaptureReader reader;
    if (!reader.open(files.first())) {
        err << "zentrik-sim replay: " << files.first() << ": " << reader.errorString() << "\n";
        return 1;
    }
    if (reader.truncated())
        err << "zentrik-sim replay: the file is cut off; " << reader.trailingBytes()
            << " bytes after the last whole record are left out\n";

    SimLink link;
    if (!link.open(parser))
        return 1;
    Replay replay(reader, link, speed);
    QObject::connect(&link, &SimLink::closed, [] { QCoreApplication::quit(); });
    replay.start();
    return QCoreApplication::exec();
}

} // namespace

SimMode replaySimMode()
{
    return {QStringLiteral("replay"), QStringLiteral("sends a capture file with its original timing"),
            runReplay};
}
