#include "netpage.h"

#include "receivefileswitch.h"
#include "receiveview.h"
#include "requiredchild.h"
#include "sendarea.h"
#include "textcodec.h"
#include "translation.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTime>

#include <utility>

NetPage::NetPage(QWidget *form, const QString &prefix, Dialogs &dialogs)
    : QObject(form)
    , m_form(form)
    , m_prefix(prefix)
    , m_hexShow(find<QCheckBox>("recvHex_ck"))
    , m_hexSend(find<QCheckBox>("sendHex_ck"))
    , m_autoSendCheck(find<QCheckBox>("autoSend_ck"))
    , m_receiveFile(new ReceiveFileSwitch(find<QCheckBox>("file_ck"),
                                          find<QLineEdit>("fileEdit"), dialogs, form))
    , m_log(new ReceiveView(find<QTextEdit>("log"), ReceiveView::Kind::Lines, NetLog::kCharLimit,
                            this))
{
    static_assert(kRedrawMs == ReceiveView::kRedrawMs, "the log is redrawn by its view's timer");
    m_log->setCharsPerRedraw(kViewCharsPerRedraw);
    m_log->setCountersLabel(find<QLabel>("counters"));
    connectControls();
    setReady(false);
}

NetPage::~NetPage() = default;

template <typename T>
T *NetPage::find(const char *name) const
{
    return requiredChild<T>(m_form, m_prefix + QLatin1String(name));
}

void NetPage::connectControls()
{
    connect(find<QPushButton>("clearLogButton"), &QPushButton::clicked, m_log, &ReceiveView::clear);
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

qint64 NetPage::receivedTotal() const
{
    return m_log->counters().received;
}

qint64 NetPage::sentTotal() const
{
    return m_log->counters().sent;
}

bool NetPage::redrawPending() const
{
    return m_log->redrawPending();
}

bool NetPage::autoSending() const
{
    return m_sendArea->timedSendRunning();
}

void NetPage::received(const QString &peer, const QByteArray &bytes, StreamTextDecoder *decoder)
{
    m_log->counters().received += bytes.size();
    m_receiveFile->write(bytes);
    m_log->append(NetLogLine::received(peer, QTime::currentTime(),
                                       PayloadView::html(bytes, m_hexShow->isChecked(), decoder)));
}

void NetPage::sent(const QString &peer, const QByteArray &bytes, qint64 count)
{
    m_log->counters().sent += count;
    const bool hex = m_hexShow->isChecked() || m_hexSend->isChecked();
    m_log->append(NetLogLine::sent(peer, QTime::currentTime(), PayloadView::html(bytes, hex)));
}

void NetPage::status(const QString &text)
{
    m_log->append(NetLogLine::status(text));
}

void NetPage::failure(const QString &text)
{
    m_log->append(NetLogLine::failure(text));
}

void NetPage::sendFailed(const QString &text)
{
    failure(text);
    m_autoSendCheck->setChecked(false);
}

void NetPage::clearCounters()
{
    m_log->counters().clear();
    m_log->countersChanged();
}
