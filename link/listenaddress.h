#pragma once

#include <QHostAddress>
#include <QString>

// Where a server or a UDP endpoint takes peers from: every network the
// machine is on, or this machine only (127.0.0.1).
enum class ListenScope { AllNetworks, ThisMachine };

// The address to bind for the scope; `all` is what every network means to
// the caller (both IP versions, or IPv4 only).
QHostAddress scopeAddress(ListenScope scope, const QHostAddress &all = QHostAddress::Any);

// A bound address as the user reads it: "0.0.0.0:6000" for every network,
// "127.0.0.1:8080", "[::1]:8080".
QString listenAddressText(const QHostAddress &address, quint16 port);
