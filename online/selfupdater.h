#pragma once

#include "onlineformats.h"
#include "programinstall.h"

#include <QObject>
#include <QUrl>

#include <memory>

class Dialogs;
class Download;
class PreparedUpdate;
class Progress;
class QNetworkAccessManager;
class QWidget;
class UpdateStager;

// The update check: fetches updata.cfg from the server and, for a newer
// version, its signature updata.cfg.sig. Only a descriptor signed by the
// maker's key (updatesignature.h) is offered for installing: its files are
// downloaded and verified and, at exit, handed over to a script that
// installs them once the program has ended. Without a valid signature, or
// without a key built in, the user is only told that a new version exists
// and where to get it. Offline or on any server trouble the check ends
// quietly. A hand-over that failed since the last run is reported first.
class SelfUpdater : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Running,
        NothingNew,       // no descriptor, no newer version, or nothing for this platform
        PackageManaged,   // told the user to update through the package manager
        Unverified,       // told the user where to get it: no valid signature, or no key
        Declined,         // the user said no or cancelled the download
        Failed,           // the download failed; nothing was prepared
        Prepared,         // the files wait for the hand-over at exit
    };

    SelfUpdater(Dialogs &dialogs, const QUrl &serverBase, QWidget *dialogParent = nullptr,
                QObject *parent = nullptr);
    ~SelfUpdater() override;

    // The raw Ed25519 public key descriptors must be signed with; the key
    // built into the program unless set.
    void setUpdateKey(const QByteArray &publicKey) { m_updateKey = publicKey; }

    // Starts the check for the program installed as `install`; returns at
    // once.
    void check(const ProgramInstall &install);
    Outcome outcome() const { return m_outcome; }
    bool hasPreparedUpdate() const { return m_prepared != nullptr; }

    // At exit: starts the hand-over of a prepared update, waiting for
    // `programPid` to end. Without one, writes nothing.
    void handOver(qint64 programPid);

signals:
    void done();

private:
    void reportFailedHandOvers();
    void onDescriptorFetched(bool ok);
    void onSignatureFetched(bool ok);
    void announceOnly(const QString &reason);
    void offer(const UpdateDescriptor &descriptor);
    void onStagingProgress(qint64 done, qint64 total);
    void onStagingFinished(bool ok);
    void end(Outcome outcome);
    QNetworkAccessManager &network();

    Dialogs &m_dialogs;
    QUrl m_serverBase;
    ProgramInstall m_install;
    QWidget *m_dialogParent;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<Download> m_descriptorDownload;
    std::unique_ptr<Download> m_signatureDownload;
    QByteArray m_updateKey;
    QByteArray m_descriptorBytes;
    UpdateDescriptor m_descriptor;
    std::unique_ptr<UpdateStager> m_stager;
    std::unique_ptr<Progress> m_progress;
    QString m_offeredVersion;
    std::unique_ptr<PreparedUpdate> m_prepared;
    Outcome m_outcome = Outcome::Running;
};
