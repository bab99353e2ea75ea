// zentrik-sim: plays the devices the workbench talks to, over a
// pseudo-terminal, a serial port, TCP or UDP, so the tabs can be seen working
// without hardware.
#include "simmodes.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

int usage(QTextStream &out, int exitCode)
{
    out << "Usage: zentrik-sim MODE [options]\n"
           "       zentrik-sim MODE --help\n\nModes:\n";
    for (const SimMode &mode : simModes())
        out << "  " << mode.name.leftJustified(8) << mode.summary << "\n";
    return exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zentrik-sim"));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments.isEmpty())
        return usage(err, 2);
    if (arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h"))
        return usage(out, 0);
    for (const SimMode &mode : simModes()) {
        if (mode.name == arguments.first())
            return mode.run(arguments);
    }
    err << "zentrik-sim: unknown mode '" << arguments.first() << "'\n";
    return usage(err, 2);
}
