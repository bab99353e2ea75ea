#pragma once

#include <QString>
#include <QTime>

// The time of day as every log and name shows it: "09:05:07", the same in
// every language. Without an argument, the time now.
QString clockText(const QTime &time = QTime::currentTime());
