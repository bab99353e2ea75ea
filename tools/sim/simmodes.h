#pragma once

#include <QString>
#include <QStringList>

// One way the simulator can play a device. `run` gets the command line from
// the mode's name on ("car", "--fps", "30", ...) and returns the exit code.
struct SimMode
{
    QString name;
    QString summary;
    int (*run)(const QStringList &arguments);
};

// Every mode, in the order `zentrik-sim --help` lists them. Each mode lives
// in its own file and adds itself here.
QList<SimMode> simModes();
