#pragma once

#include <QUrl>

// The address under which the maker's server keeps info.txt, updata.cfg
// and the program files, as chosen at build time (ZENTRIK_SERVER_BASE).
QUrl defaultServerBase();

// The address of `file` under the server base.
QUrl serverFile(const QUrl &serverBase, const QString &file);

// True for a link that leaves the maker's site (another scheme, host or
// port than the server base): such links open in the system's browser.
bool leavesMakersSite(const QUrl &link, const QUrl &serverBase);
