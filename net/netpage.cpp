#include "netpage.h"

#include "receivefileswitch.h"
#include "sendarea.h"
#include "textcodec.h"
#include "translation.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTime>
#include <QTimer>

#include <utility>

NetPage::NetPage(QWidget *form, const QString &prefix, Dialogs &dialogs)
    : QObject(form)
    , m_form(form)
    , m_prefix(prefix)
    , m_log(find<QTextEdit>("log"))
    , m_counters(find<QLabel>("counters"))
    , m_hexShow(find<QCheckBox>("recvHex_ck"))
    , m_hexSend(find<QCheckBox>("sendHex_ck"))
    , m_autoSendCheck(find<QCheckBox>("autoSend_ck"))
    , m_receiveFile(new ReceiveFileSwitch(find<QCheckBox>("file_ck"),
                                          find<QLineEdit>("fileEdit"), dialogs, form))
    , m_redrawTimer(new QTimer(this))
{
    m_redrawTimer->setSingleShot(true);
    m_redrawTimer->setInterval(kRedrawMs);
    connect(m_redrawTimer, &QTimer::timeout, this, &NetPage::redraw);
    m_log->document()->setUndoRedoEnabled(false);
    connectControls();
    setReady(false);
}

NetPage::~NetPage() = default;

template <typename T>
T *NetPage::find(const char *name) const
{
    T *widget = m_form->findChild<T *>(m_prefix + QLatin1String(name));
    Q_ASSERT_X(widget, "NetPage", name);
    return widget;
}

void NetPage::connectControls()
{
    connect(find<QPushButton>("clearLogButton"), &QPushButton::clicked, this, [this] {
        m_lines.clear();
        m_log->clear();
        m_shownFrom = m_shownTo = m_lines.endNumber();
    });
    connect(find<QPushButton>("clearCountersButton"), &QPushButton::clicked, this,
            &NetPage::clearCounters);

    // The area's auto send runs while it is wanted and the page can send.
    SendArea::Widgets area;
    area.edit = find<QPlainTextEdit>("sendEdit");
    area.hex = m_hexSend;
    area.send = find<QPushButton>("sendButton");
    area.clear = find<QPushButton>("clearSendButton");
    area.timer = m_autoSendCheck;
    area.timerMs = find<QSpinBox>("autoSendMs");
    m_sendArea = new SendArea(
        m_prefix, area, {},
        [this](const QByteArray &bytes, SendArea::Source) { return m_send && m_send(bytes); },
        this);
    m_sendArea->setRefusesEmptyHex(true);
    connect(m_sendArea, &SendArea::refused, this, [this](SendArea::Refusal why) {
        if (const QString problem = m_sendProblem ? m_sendProblem() : QString();
            !problem.isEmpty())
            sendFailed(problem);
        else if (why == SendArea::Refusal::Empty)
            sendFailed(mainTr("发送区为空"));
        else
            sendFailed(mainTr("16进制格式有误，应为两位一组，如 1A 2B"));
    });
}

void NetPage::setSender(std::function<bool(const QByteArray &)> send,
                        std::function<QString()> problem)
{
    m_send = std::move(send);
    m_sendProblem = std::move(problem);
}

void NetPage::setReady(bool ready)
{
    m_sendArea->setReady(ready);
}

bool NetPage::redrawPending() const
{
    return m_redrawTimer->isActive();
}

bool NetPage::autoSending() const
{
    return m_sendArea->timedSendRunning();
}

void NetPage::received(const QString &peer, const QByteArray &bytes, StreamTextDecoder *decoder)
{
    m_received += bytes.size();
    m_receiveFile->write(bytes);
    append(NetLogLine::received(peer, QTime::currentTime(),
                                PayloadView::html(bytes, m_hexShow->isChecked(), decoder)));
}

void NetPage::sent(const QString &peer, const QByteArray &bytes, qint64 count)
{
    m_sent += count;
    const bool hex = m_hexShow->isChecked() || m_hexSend->isChecked();
    append(NetLogLine::sent(peer, QTime::currentTime(), PayloadView::html(bytes, hex)));
}

void NetPage::status(const QString &text)
{
    append(NetLogLine::status(text));
}

void NetPage::failure(const QString &text)
{
    append(NetLogLine::failure(text));
}

void NetPage::sendFailed(const QString &text)
{
    failure(text);
    m_autoSendCheck->setChecked(false);
}

void NetPage::clearCounters()
{
    m_received = m_sent = 0;
    scheduleRedraw();
}

void NetPage::append(const QString &lineHtml)
{
    m_lines.append(lineHtml);
    scheduleRedraw();
}

void NetPage::scheduleRedraw()
{
    if (!m_redrawTimer->isActive())
        m_redrawTimer->start();
}

void NetPage::redraw()
{
    m_counters->setText(trafficText(m_received, m_sent));
    m_receiveFile->flush();
    if (m_shownFrom == m_lines.firstNumber() && m_shownTo == m_lines.endNumber())
        return;
    dropGoneLines();
    showNewLines();
    m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
    if (m_shownTo < m_lines.endNumber())
        scheduleRedraw();
}

// The view holds the log's lines m_shownFrom to m_shownTo, a block each.
// Redrawing it whole would hold the window as long as the whole log takes
// to lay out; instead lines the log has dropped leave from the top and new
// ones join at the bottom, kViewCharsPerRedraw at a time. Lines the log
// dropped before they were shown are never shown.
void NetPage::dropGoneLines()
{
    const qint64 first = m_lines.firstNumber();
    if (m_shownTo <= first) {
        m_log->clear();
    } else if (m_shownFrom < first) {
        QTextCursor cursor(m_log->document());
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                            int(first - m_shownFrom));
        cursor.removeSelectedText();
    }
    m_shownFrom = first;
    m_shownTo = qMax(m_shownTo, first);
}

void NetPage::showNewLines()
{
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    for (int chars = 0; m_shownTo < m_lines.endNumber() && chars < kViewCharsPerRedraw;
         ++m_shownTo) {
        const QString &line = m_lines.line(m_shownTo);
        // A line starts afresh: no colour of the one before runs into it.
        if (m_shownTo > m_shownFrom)
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertHtml(line);
        chars += line.size();
    }
}
