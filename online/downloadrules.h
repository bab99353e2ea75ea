#pragma once

#include <QUrl>

// The decisions of a download, apart from the network.

// A redirect is followed only to a web address of the scheme first asked
// for, so that an https transfer never continues over http.
bool isRedirectAllowed(const QUrl &asked, const QUrl &target);
// How many of the `available` bytes to take now, `received` already taken
// of at most `maxBytes` (-1: no bound): a bounded piece, and never more
// than one byte past the bound, so an excess is seen without being kept.
qint64 bytesToRead(qint64 available, qint64 received, qint64 maxBytes);
// The total shown with the progress: the size expected, else the length
// the server announced, else -1 (unknown).
qint64 progressTotal(qint64 expectedSize, qint64 contentLength);
