// zentrik-sim gsm: a GSM/GPRS module on the line. Answers the GSM tab's
// commands, takes SMS in GSM text and UCS2, holds a TCP or UDP link whose
// server echoes, and rings or delivers an SMS when the operator types so.
#include "gsmmodem.h"
#include "simlink.h"
#include "simmodes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <unistd.h>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

const char kOperatorHelp[] =
    "Type on this console:\n"
    "  ring [NUMBER]        an incoming call (RING, and +CLIP when the workbench asked for it)\n"
    "  hangup               the other side hangs up\n"
    "  sms NUMBER TEXT      an SMS arrives (+CMTI)\n";

// The operator's console: one request a line.
void runOperatorLine(GsmModem &modem, const QString &line)
{
    const QString command = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    const QString rest = line.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty);
    if (command == QLatin1String("ring")) {
        modem.incomingCall(rest.isEmpty() ? QByteArray("13800138000") : rest.toLatin1());
    } else if (command == QLatin1String("hangup")) {
        modem.remoteHangUp();
    } else if (command == QLatin1String("sms") && !rest.isEmpty()) {
        modem.incomingSms(rest.section(QLatin1Char(' '), 0, 0).toLatin1(),
                          rest.section(QLatin1Char(' '), 1));
    } else if (!command.isEmpty()) {
        out() << kOperatorHelp << Qt::flush;
    }
}

int runGsm(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a GSM/GPRS module: answers AT commands (queries, calls, SMS in text mode with the "
        "GSM or UCS2 character set, one TCP or UDP link whose server echoes). Commands it does "
        "not know get ERROR.\n\n") + QString::fromLatin1(kOperatorHelp));
    parser.addHelpOption();
    SimLink::addOptions(parser, false);
    parser.addOption({QStringLiteral("log"),
                      QStringLiteral("Write every byte received from the workbench to this file."),
                      QStringLiteral("path")});
    parser.addOption({QStringLiteral("signal"),
                      QStringLiteral("Signal strength +CSQ reports, 0 to 31 (default 16)."),
                      QStringLiteral("rssi"), QStringLiteral("16")});
    parser.addOption({QStringLiteral("own-number"),
                      QStringLiteral("The number +CNUM reports (default: none stored)."),
                      QStringLiteral("number")});
    parser.process(arguments);

    QFile log;
    if (parser.isSet(QStringLiteral("log"))) {
        log.setFileName(parser.value(QStringLiteral("log")));
        if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QTextStream(stderr) << "zentrik-sim: cannot write " << log.fileName() << "\n";
            return 1;
        }
    }

    GsmModem modem;
    modem.setSignal(qBound(0, parser.value(QStringLiteral("signal")).toInt(), 31));
    modem.setOwnNumber(parser.value(QStringLiteral("own-number")).toLatin1());

    SimLink link;
    if (!link.open(parser))
        return 1;
    QObject::connect(&link, &SimLink::received, [&](const QByteArray &bytes) {
        if (log.isOpen()) {
            log.write(bytes);
            log.flush();
        }
        modem.receive(bytes);
    });
    QObject::connect(&modem, &GsmModem::send, [&](const QByteArray &bytes) {
        if (!link.write(bytes))
            QCoreApplication::exit(1);
    });
    QObject::connect(&modem, &GsmModem::note,
                     [](const QString &line) { out() << line << "\n" << Qt::flush; });

    QFile operatorInput;
    operatorInput.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered);
    QSocketNotifier operatorLines(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&operatorLines, &QSocketNotifier::activated, [&] {
        const QByteArray line = operatorInput.readLine();
        if (line.isEmpty()) {
            operatorLines.setEnabled(false); // the console is closed
            return;
        }
        runOperatorLine(modem, QString::fromLocal8Bit(line).trimmed());
    });
    return QCoreApplication::exec();
}

} // namespace

SimMode gsmSimMode()
{
    return {QStringLiteral("gsm"),
            QStringLiteral("GSM/GPRS module: AT commands, calls, SMS, a GPRS link"), &runGsm};
}
