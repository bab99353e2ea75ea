#pragma once

#include <QString>

class CIPLineEdit;
class QComboBox;
class QLineEdit;

// A peer's host, typed either as an IPv4 address in four fields or as a
// host name, whichever the kind box chooses (the form shows the chosen
// fields).
struct HostFields
{
    QComboBox *kind = nullptr;
    CIPLineEdit *ip = nullptr;
    QLineEdit *name = nullptr;

    bool byName() const;
    QString host() const;
    // Why host() cannot be used; empty when it can.
    QString problem() const;
    void setEnabled(bool enabled);
};
