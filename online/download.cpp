#include "download.h"

#include "onlineformats.h"
#include "programinfo.h"
#include "translation.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
constexpr int kMaxRedirects = 5;
// What the reply keeps for us between reads.
constexpr qint64 kReplyBuffer = 1024 * 1024;
} // namespace

Download::Download(QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
}

Download::~Download()
{
    abort();
}

void Download::fetch(const QUrl &url, qint64 maxBytes)
{
    abort();
    m_maxBytes = maxBytes;
    m_expected = Expected();
    start(url);
}

void Download::fetchToFile(const QUrl &url, const QString &path, const Expected &expected)
{
    abort();
    // Without a size announced, no file may grow past what an update may.
    m_maxBytes = expected.size >= 0 ? expected.size : kMaxUpdateFileBytes;
    m_expected = expected;
    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString reason = m_file->errorString();
        m_file.reset();
        m_succeeded = false;
        m_error = mainTr("无法写入%1：%2").arg(path, reason);
        emit finished(false);
        return;
    }
    start(url);
}

void Download::abort()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        closeReply();
    }
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
}

void Download::start(const QUrl &url)
{
    m_url = url;
    m_hash.reset();
    m_received = 0;
    m_data.clear();
    m_succeeded = false;
    m_error.clear();
    m_refusal.clear();

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(m_timeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("ZentrikAssistant/%1").arg(programVersion()));
    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(kReplyBuffer);
    connect(m_reply, &QNetworkReply::redirected, this, &Download::onRedirected);
    connect(m_reply, &QNetworkReply::readyRead, this, &Download::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &Download::onFinished);
}

void Download::onRedirected(const QUrl &target)
{
    if (isRedirectAllowed(m_url, target)) {
        emit m_reply->redirectAllowed();
        return;
    }
    m_refusal = mainTr("服务器转向了另一种协议的地址（%1），已拒绝").arg(target.scheme());
    m_reply->abort();
}

void Download::onReadyRead()
{
    while (m_refusal.isEmpty() && m_reply && m_reply->bytesAvailable() > 0) {
        const QByteArray bytes =
            m_reply->read(bytesToRead(m_reply->bytesAvailable(), m_received, m_maxBytes));
        if (bytes.isEmpty())
            break;
        take(bytes);
    }
}

void Download::take(const QByteArray &bytes)
{
    m_received += bytes.size();
    if (m_maxBytes >= 0 && m_received > m_maxBytes) {
        m_refusal = m_expected.size >= 0 ? mainTr("文件比预告的大")
                                         : mainTr("文件过大");
        m_reply->abort();
        return;
    }
    m_hash.addData(bytes);
    if (m_file) {
        if (m_file->write(bytes) != bytes.size()) {
            m_refusal = mainTr("写入失败：%1").arg(m_file->errorString());
            m_reply->abort();
            return;
        }
    } else {
        m_data.append(bytes);
    }
    emit progress(m_received,
                  progressTotal(m_expected.size,
                                m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong()));
}

void Download::onFinished()
{
    if (m_reply->bytesAvailable() > 0)
        onReadyRead();
    if (!m_refusal.isEmpty())
        return fail(m_refusal);
    if (m_reply->error() == QNetworkReply::OperationCanceledError)
        return fail(mainTr("服务器没有回应（超时）"));
    if (m_reply->error() != QNetworkReply::NoError)
        return fail(m_reply->errorString());
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return fail(mainTr("服务器回答HTTP %1").arg(status.toInt()));
    QString error;
    if (!verified(&error))
        return fail(error);
    if (m_file && !m_file->commit()) {
        error = mainTr("无法保存%1：%2").arg(m_file->fileName(), m_file->errorString());
        m_file.reset();
        return fail(error);
    }
    m_file.reset();
    finish(true);
}

bool Download::verified(QString *error) const
{
    if (m_expected.size >= 0 && m_received != m_expected.size) {
        *error = mainTr("文件大小不符：收到%1字节，应为%2字节").arg(m_received).arg(m_expected.size);
        return false;
    }
    if (!m_expected.sha256.isEmpty() && m_hash.result() != m_expected.sha256) {
        *error = mainTr("文件的SHA-256校验值不符");
        return false;
    }
    return true;
}

void Download::fail(const QString &error)
{
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
    finish(false, error);
}

void Download::finish(bool ok, const QString &error)
{
    closeReply();
    m_succeeded = ok;
    m_error = error;
    emit finished(ok);
}

void Download::closeReply()
{
    if (m_reply)
        m_reply->deleteLater();
    m_reply = nullptr;
}
