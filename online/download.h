#pragma once

#include "downloadrules.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;

// One HTTP GET, into memory or into a file, reporting its progress.
// Redirects are followed only within the scheme of the address asked for
// (at most five); a transfer that stalls for the timeout fails. A file is
// written under a temporary name and appears under its own name only once
// complete and, when a size and digest were given, verified: a failed or
// refused download leaves nothing behind.
class Download : public QObject
{
    Q_OBJECT
public:
    struct Expected
    {
        qint64 size = -1;  // -1: not known in advance
        QByteArray sha256; // empty: not checked
    };

    explicit Download(QNetworkAccessManager &network, QObject *parent = nullptr);
    ~Download() override;

    // Stalled transfers fail after this many milliseconds without data.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    // Into memory; more than `maxBytes` is an error.
    void fetch(const QUrl &url, qint64 maxBytes);
    // Into the file `path`, replaced only by a complete, verified download.
    void fetchToFile(const QUrl &url, const QString &path, const Expected &expected);
    // Ends a running download as failed, without emitting finished().
    void abort();

    bool isRunning() const { return m_reply != nullptr; }
    bool succeeded() const { return m_succeeded; }
    QString errorString() const { return m_error; }
    QByteArray data() const { return m_data; }

signals:
    // `total` is -1 while unknown.
    void progress(qint64 received, qint64 total);
    void finished(bool ok);

private:
    void start(const QUrl &url);
    void onRedirected(const QUrl &target);
    void onReadyRead();
    void take(const QByteArray &bytes);
    void onFinished();
    void fail(const QString &error);
    void finish(bool ok, const QString &error = {});
    bool verified(QString *error) const;
    void closeReply();

    QNetworkAccessManager &m_network;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
    int m_timeoutMs = 30000;
    qint64 m_maxBytes = 0;
    Expected m_expected;
    std::unique_ptr<QSaveFile> m_file;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    qint64 m_received = 0;
    QByteArray m_data;
    bool m_succeeded = false;
    QString m_error;
    QString m_refusal; // why we ended the transfer ourselves
};
