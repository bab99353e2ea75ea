#include "scripteddialogs.h"

#include "receivescope.h"

#include <QStringList>
#include <QtGlobal>

#include <algorithm>

namespace {

// A box that opens while received bytes are being taken apart would, as a
// real modal box, let the next read into the same parser.
void refuseInsideReceive(const QString &title, const QString &text)
{
    if (ReceiveScope::active())
        qFatal("A dialog opened inside a receive: %s: %s", qPrintable(title), qPrintable(text));
}

} // namespace

int ScriptedDialogs::count(Kind kind) const
{
    return int(std::count_if(calls.begin(), calls.end(),
                             [kind](const Call &call) { return call.kind == kind; }));
}

QStringList ScriptedDialogs::texts(Kind kind) const
{
    QStringList result;
    for (const Call &call : calls) {
        if (call.kind == kind)
            result.append(call.text);
    }
    return result;
}

void ScriptedDialogs::information(QWidget *, const QString &title, const QString &text)
{
    refuseInsideReceive(title, text);
    calls.append({Kind::Information, title, text});
    if (whileShown)
        whileShown();
}

void ScriptedDialogs::critical(QWidget *, const QString &title, const QString &text)
{
    refuseInsideReceive(title, text);
    calls.append({Kind::Critical, title, text});
    if (whileShown)
        whileShown();
}

bool ScriptedDialogs::question(QWidget *, const QString &title, const QString &text)
{
    refuseInsideReceive(title, text);
    calls.append({Kind::Question, title, text});
    if (whileShown)
        whileShown();
    return questionAnswers.isEmpty() ? false : questionAnswers.dequeue();
}

QString ScriptedDialogs::saveFileName(QWidget *, const QString &caption, const QString &dir,
                                      const QString &)
{
    refuseInsideReceive(caption, dir);
    calls.append({Kind::SaveFile, caption, dir});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedDialogs::openFileName(QWidget *, const QString &caption, const QString &,
                                      const QString &)
{
    refuseInsideReceive(caption, QString());
    calls.append({Kind::OpenFile, caption, QString()});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

namespace {

class ScriptedProgress : public Progress
{
public:
    ScriptedProgress(qint64 cancelAt, std::function<void(qint64)> step)
        : m_cancelAt(cancelAt)
        , m_step(std::move(step))
    {
    }
    bool update(qint64 done) override
    {
        if (m_step)
            m_step(done);
        return m_cancelAt < 0 || done < m_cancelAt;
    }

private:
    qint64 m_cancelAt;
    std::function<void(qint64)> m_step;
};

} // namespace

std::unique_ptr<Progress> ScriptedDialogs::progress(QWidget *, const QString &text, qint64)
{
    calls.append({Kind::Progress, QString(), text});
    return std::make_unique<ScriptedProgress>(
        progressCancelAt.isEmpty() ? -1 : progressCancelAt.dequeue(), progressStep);
}
