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

// The update check: fetches updata.cfg from the server, offers a newer
// version to the user, downloads and verifies its files and, at exit, hands
// them over to a script that installs them once the program has ended.
// Offline or on any server trouble the check ends quietly.
class SelfUpdater : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Running,
        NothingNew,       // no descriptor, no newer version, or nothing for this platform
        PackageManaged,   // told the user to update through the package manager
        Declined,         // the user said no or cancelled the download
        Failed,           // the download failed; nothing was prepared
        Prepared,         // the files wait for the hand-over at exit
    };

    SelfUpdater(Dialogs &dialogs, const QUrl &serverBase, QWidget *dialogParent = nullptr,
                QObject *parent = nullptr);
    ~SelfUpdater() override;

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
    void onDescriptorFetched(bool ok);
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
    std::unique_ptr<UpdateStager> m_stager;
    std::unique_ptr<Progress> m_progress;
    QString m_offeredVersion;
    std::unique_ptr<PreparedUpdate> m_prepared;
    Outcome m_outcome = Outcome::Running;
};
