#pragma once

#include <QString>

// Names that come from outside (a device's labels, a parameter file, a
// server's index, an uploaded file's path) are shown and written as they
// stand, so they must look like what they are. These characters would let
// one pass for something else: C1 controls, the marks that reorder text on
// screen, and the invisible format characters (zero-width spaces and
// joiners, the byte order mark, …).
namespace HiddenText {

bool isHidden(QChar c);

// Whether `text` carries any of them.
bool contains(const QString &text);

} // namespace HiddenText
