#include "netpage.h"

#include "autosender.h"
#include "hextext.h"
#include "receivefileswitch.h"
#include "receiveview.h"
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

NetPage::NetPage(QWidget *form, const QString &prefix, Dialogs &dialogs)
    : QObject(form)
    , m_form(form)
    , m_prefix(prefix)
    , m_hexShow(find<QCheckBox>("recvHex_ck"))
    , m_sendEdit(find<QPlainTextEdit>("sendEdit"))
    , m_hexSend(find<QCheckBox>("sendHex_ck"))
    , m_autoSendCheck(find<QCheckBox>("autoSend_ck"))
    , m_autoSendMs(find<QSpinBox>("autoSendMs"))
    , m_sendButton(find<QPushButton>("sendButton"))
    , m_receiveFile(new ReceiveFileSwitch(find<QCheckBox>("file_ck"),
                                          find<QLineEdit>("fileEdit"), dialogs, form))
    , m_autoSender(new AutoSender(this))
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
    T *widget = m_form->findChild<T *>(m_prefix + QLatin1String(name));
    Q_ASSERT_X(widget, "NetPage", name);
    return widget;
}

void NetPage::connectControls()
{
    connect(find<QPushButton>("clearLogButton"), &QPushButton::clicked, m_log, &ReceiveView::clear);
    connect(find<QPushButton>("clearCountersButton"), &QPushButton::clicked, this,
            &NetPage::clearCounters);
    connect(find<QPushButton>("clearSendButton"), &QPushButton::clicked, m_sendEdit,
            &QPlainTextEdit::clear);
    connect(m_sendButton, &QPushButton::clicked, this, &NetPage::sendRequested);

    m_autoSender->setInterval(m_autoSendMs->value());
    connect(m_autoSendMs, qOverload<int>(&QSpinBox::valueChanged), m_autoSender,
            &AutoSender::setInterval);
    connect(m_autoSendCheck, &QCheckBox::toggled, m_autoSender, &AutoSender::setWanted);
    connect(m_autoSender, &AutoSender::due, this, &NetPage::sendRequested);
}

void NetPage::setReady(bool ready)
{
    m_sendButton->setEnabled(ready);
    m_autoSender->setReady(ready);
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
    return m_autoSender->isRunning();
}

std::optional<QByteArray> NetPage::typedBytes()
{
    const QString text = m_sendEdit->toPlainText();
    if (text.isEmpty()) {
        sendFailed(mainTr("发送区为空"));
        return std::nullopt;
    }
    if (!m_hexSend->isChecked())
        return textToBytes(text);
    const QByteArray bytes = hexTextToBytes(text);
    if (bytes.isEmpty()) {
        sendFailed(mainTr("16进制格式有误，应为两位一组，如 1A 2B"));
        return std::nullopt;
    }
    return bytes;
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
