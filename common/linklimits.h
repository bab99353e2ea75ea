#pragma once

#include <QtGlobal>

// What a network link keeps of one peer at most: received bytes handed out
// in one piece, and bytes accepted for sending that the peer has not taken
// yet (beyond that the peer is cut off). Whatever a tool sends a peer in one
// piece must fit the latter.
namespace LinkLimits {
constexpr qint64 kReadPieceBytes = 64 * 1024;
constexpr qint64 kMaxUnsentBytes = 16 << 20;
} // namespace LinkLimits
