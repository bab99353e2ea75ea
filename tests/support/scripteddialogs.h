#pragma once

#include "dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

// Answers the program's dialogs from a script and records what was asked.
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { Information, Critical, Question, SaveFile, OpenFile, Progress };

    struct Call
    {
        Kind kind;
        QString title;
        QString text;
    };

    // Answers for the next questions, in order; an unscripted question is
    // answered like a closed box (no).
    QQueue<bool> questionAnswers;
    // Answers for the next file dialogs, in order; unscripted means cancelled.
    // A save dialog is recorded with the name it proposes as its text.
    QQueue<QString> fileAnswers;

    // For the next progress displays, in order: the step at which the user
    // presses cancel; unscripted means never.
    QQueue<qint64> progressCancelAt;
    // Runs at every progress step, as the event loop would behind a real
    // progress window.
    std::function<void(qint64 done)> progressStep;

    // Runs while a message box or question is up, as the event loop would
    // behind a real modal box.
    std::function<void()> whileShown;

    QList<Call> calls;

    int count(Kind kind) const;
    QStringList texts(Kind kind) const;
    void clear() { calls.clear(); }

    void information(QWidget *parent, const QString &title, const QString &text) override;
    void critical(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    std::unique_ptr<Progress> progress(QWidget *parent, const QString &text,
                                       qint64 total) override;
};
