#pragma once

#include <QString>

// "V1.1.6": shown in the title and written into update hand-over texts.
QString programVersion();

// The window title: the product name immediately followed by the version.
QString programTitle();
