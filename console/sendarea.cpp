#include "sendarea.h"

#include "hextext.h"
#include "requiredchild.h"
#include "textcodec.h"
#include "translation.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {

const char kNewLine[] = "\r\n";
// The note names at most this much of what was left out.
constexpr int kNoteChars = 40;

bool checked(const QCheckBox *box)
{
    return box && box->isChecked();
}

} // namespace

QList<SendArea::Preset> SendArea::findPresets(const QWidget *form, const QString &prefix,
                                              int count)
{
    QList<Preset> presets;
    for (int n = 1; n <= count; ++n) {
        const QString number = QString::number(n);
        presets.append({requiredChild<QLineEdit>(form, prefix + QLatin1String("sendEdit") + number),
                        requiredChild<QCheckBox>(form, prefix + QLatin1String("sendHex_ck") + number),
                        requiredChild<QPushButton>(form,
                                                   prefix + QLatin1String("sendButton") + number)});
    }
    return presets;
}

SendArea::SendArea(const QString &prefix, const Widgets &widgets, const Presets &presets,
                   Writer writer, QObject *parent)
    : QObject(parent)
    , m_widgets(widgets)
    , m_presets(presets)
    , m_writer(std::move(writer))
    , m_timer(new QTimer(this))
    , m_cycleTimer(new QTimer(this))
{
    addNote(prefix);
    connectEdit();
    connectPresets();
    setReady(false);
}

// The note goes right under the edit: the edit and the note share a column
// where the edit stood in the form's layout.
void SendArea::addNote(const QString &prefix)
{
    QWidget *edit = m_widgets.edit;
    QWidget *parent = edit->parentWidget();
    m_note = new QLabel(parent);
    m_note->setObjectName(prefix + QLatin1String("sendNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->hide();
    if (!parent || !parent->layout())
        return;
    auto *column = new QWidget(parent);
    if (QLayoutItem *replaced = parent->layout()->replaceWidget(edit, column)) {
        delete replaced;
        auto *layout = new QVBoxLayout(column);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(edit);
        layout->addWidget(m_note);
    } else {
        delete column;
    }
}

void SendArea::connectEdit()
{
    connect(m_widgets.send, &QPushButton::clicked, this, &SendArea::sendEdit);
    if (m_widgets.clear)
        connect(m_widgets.clear, &QPushButton::clicked, this, [this] {
            m_widgets.edit->clear();
            showLeftOut(QString());
        });
    connect(m_timer, &QTimer::timeout, this, &SendArea::timerTick);
    if (m_widgets.timer) {
        m_timer->setInterval(m_widgets.timerMs->value());
        connect(m_widgets.timerMs, qOverload<int>(&QSpinBox::valueChanged), m_timer,
                qOverload<int>(&QTimer::setInterval));
        connect(m_widgets.timer, &QCheckBox::toggled, this, &SendArea::updateTimers);
    }
}

void SendArea::connectPresets()
{
    for (int i = 0; i < m_presets.lines.size(); ++i)
        connect(m_presets.lines[i].send, &QPushButton::clicked, this, [this, i] { sendPreset(i); });
    connect(m_cycleTimer, &QTimer::timeout, this, &SendArea::cycleTick);
    if (m_presets.cycle) {
        connect(m_presets.cycle, &QPushButton::clicked, this, &SendArea::toggleCycle);
        connect(m_presets.cycleMs, qOverload<int>(&QSpinBox::valueChanged), m_cycleTimer,
                qOverload<int>(&QTimer::setInterval));
    }
}

void SendArea::setReady(bool ready)
{
    m_ready = ready;
    m_widgets.send->setEnabled(ready);
    for (const Preset &preset : qAsConst(m_presets.lines))
        preset.send->setEnabled(ready);
    if (m_presets.cycle)
        m_presets.cycle->setEnabled(ready);
    updateTimers();
}

bool SendArea::timedSendRunning() const
{
    return m_timer->isActive();
}

void SendArea::updateTimers()
{
    if (!m_ready || !checked(m_widgets.timer))
        m_timer->stop();
    else if (!m_timer->isActive())
        m_timer->start();
    if (!m_ready || !m_cycleWanted)
        m_cycleTimer->stop();
    else if (!m_cycleTimer->isActive())
        m_cycleTimer->start();
}

void SendArea::timerTick()
{
    sendEdit();
}

void SendArea::toggleCycle()
{
    m_cycleWanted = !m_cycleWanted;
    if (m_cycleWanted) {
        m_cycleIndex = 0;
        m_cycleTimer->setInterval(m_presets.cycleMs->value());
        m_presets.cycle->setText(mainTr("停止"));
    } else {
        m_presets.cycle->setText(mainTr("循环发送"));
        for (const Preset &preset : qAsConst(m_presets.lines))
            preset.edit->setEnabled(true);
    }
    updateTimers();
}

// Every tick moves on to the next preset in order; an empty one is visited
// too and sends nothing. The line being sent is greyed, so the user sees
// where the cycle is.
void SendArea::cycleTick()
{
    const int count = m_presets.lines.size();
    if (count == 0)
        return;
    const int current = m_cycleIndex;
    m_presets.lines[(current + count - 1) % count].edit->setEnabled(true);
    m_presets.lines[current].edit->setEnabled(false);
    sendPreset(current);
    m_cycleIndex = (current + 1) % count;
}

void SendArea::sendEdit()
{
    if (send(m_widgets.edit->toPlainText(), checked(m_widgets.hex), checked(m_widgets.newLine),
             Source::Edit)
        && checked(m_widgets.autoClear))
        m_widgets.edit->clear();
}

void SendArea::sendPreset(int index)
{
    const Preset &preset = m_presets.lines[index];
    if (send(preset.edit->text(), preset.hex->isChecked(), checked(m_presets.newLine),
             Source::Preset)
        && checked(m_presets.autoClear))
        preset.edit->clear();
}

bool SendArea::send(const QString &text, bool hex, bool newLine, Source source)
{
    if (!m_ready)
        return false;
    if (text.isEmpty()) {
        emit refused(Refusal::Empty);
        return false;
    }
    QByteArray bytes;
    if (hex) {
        HexTextBytes converted = hexTextToBytesReporting(text);
        showLeftOut(converted.leftOut);
        if (converted.bytes.isEmpty() && m_refusesEmptyHex) {
            emit refused(Refusal::NoHex);
            return false;
        }
        bytes = std::move(converted.bytes);
    } else {
        showLeftOut(QString());
        bytes = textToBytes(text);
    }
    if (newLine)
        bytes.append(kNewLine);
    return m_writer(bytes, source);
}

void SendArea::showLeftOut(const QString &leftOut)
{
    // A long paste is looked at no further than the note can show.
    QString shown = leftOut.left(4 * kNoteChars).simplified();
    if (shown.size() > kNoteChars || leftOut.size() > 4 * kNoteChars)
        shown = shown.left(kNoteChars) + QChar(0x2026);
    m_note->setText(shown.isEmpty() ? QString()
                                    : mainTr("已忽略非十六进制内容：%1").arg(shown));
    m_note->setVisible(!shown.isEmpty());
}
