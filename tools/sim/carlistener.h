#pragma once

#include "carframe.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QTextStream>

#include <cstdio>

#include <functional>
#include <optional>

// What the simulated car hears from the workbench: parameter lines
// "name=value" or "name:value" (ending in \n or \r\n) and parameter frames
// (command 4: the index as one byte, then the value as a little-endian
// float). It holds every value received, prints each one on stdout as
// "param NAME = VALUE" ("param #INDEX = VALUE" for a frame whose index has
// no name), and answers with the value it now holds, in the form of the
// car's protocol. Whatever cannot be read is ignored with a note on stderr.
class CarListener
{
public:
    enum class Answer { Frame, Line, None };

    // Longer lines are skipped whole; their end marks the next line's start.
    static constexpr int kMaxLine = 256;
    // A name as the firmware keeps it.
    static constexpr int kMaxName = 31;
    // Names held besides those of the index table.
    static constexpr int kMaxExtraNames = 64;
    static constexpr int kFramePayload = 5;

    using Changed = std::function<void(const QByteArray &name, double value)>;

    // `names` names the frame indexes 0, 1, ...; `changed` hears of every
    // value received under a name. Values go to `printed`, notes to `notes`.
    CarListener(const QList<QByteArray> &names, Answer answer, Changed changed,
                FILE *printed = stdout, FILE *notes = stderr);

    // Takes bytes as they came, cut anywhere; returns the answers to send.
    QByteArray take(const QByteArray &bytes);

    // Why a list of names for --params cannot be the index table, or an
    // empty string if it can.
    static QString namesProblem(const QList<QByteArray> &names);

private:
    void takeText(const QByteArray &bytes);
    void takeLine(QByteArray line);
    void takeFrame(const char *payload);
    void hold(const QByteArray &key, int index, double value);

    QTextStream m_out;
    QTextStream m_err;
    QList<QByteArray> m_names;
    Answer m_answer;
    Changed m_changed;
    CarFrameParser m_frames;
    // The line not yet ended, with the frames in it taken out.
    QByteArray m_text;
    bool m_skippingLongLine = false;
    QMap<QByteArray, double> m_held;
    QByteArray m_answers;
};
