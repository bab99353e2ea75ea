#pragma once

#include <QAbstractSocket>
#include <QString>

// What went wrong with a socket, in the user's words.
QString socketErrorText(QAbstractSocket::SocketError error, const QString &systemText);
