#pragma once

#include <QByteArray>

// The maker signs each update descriptor with Ed25519; the detached
// signature (updata.cfg.sig, the raw 64 bytes) lies beside it on the server.

constexpr int kUpdateKeyBytes = 32;
constexpr int kUpdateSignatureBytes = 64;

// The raw 32-byte public key built into the program
// (ZENTRIK_UPDATE_PUBLIC_KEY), or empty when it was built without one.
QByteArray builtInUpdateKey();

// OpenSSL's verify calls answer 1 for a valid signature, 0 for an invalid
// one and a negative number when they could not check: only 1 accepts.
bool verifyAccepts(int verifyResult);

// True only when `signature` is a valid Ed25519 signature of exactly
// `message` by the raw 32-byte `publicKey`.
bool isSignedBy(const QByteArray &message, const QByteArray &signature,
                const QByteArray &publicKey);
