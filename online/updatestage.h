#pragma once

#include "onlineformats.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class Download;

// The stage directories' names in the program's directory start so.
constexpr char kStagePrefix[] = ".zentrik-update-";
class QNetworkAccessManager;

// A new version's files, downloaded and verified, waiting in a stage
// directory inside the program's directory (so that the hand-over only
// renames them). The stage is removed when this is destroyed, unless it
// was handed over.
class PreparedUpdate
{
public:
    PreparedUpdate(const QString &version, const QString &programDirectory,
                   std::unique_ptr<QTemporaryDir> stage, const QStringList &names);

    QString version() const { return m_version; }
    QString programDirectory() const { return m_programDirectory; }
    QString stageDirectory() const { return m_stage->path(); }
    // Plain file names: each replaces the file of that name in the
    // program's directory.
    QStringList names() const { return m_names; }

    // From now on the hand-over script owns the stage.
    void releaseStage() { m_stage->setAutoRemove(false); }

private:
    QString m_version;
    QString m_programDirectory;
    std::unique_ptr<QTemporaryDir> m_stage;
    QStringList m_names;
};

// Downloads the files of a descriptor one after the other into a new stage
// directory, each verified by size and SHA-256. Any failure removes the
// stage: either every file is prepared or none is.
class UpdateStager : public QObject
{
    Q_OBJECT
public:
    explicit UpdateStager(QNetworkAccessManager &network, QObject *parent = nullptr);
    ~UpdateStager() override;

    void start(const UpdateDescriptor &descriptor, const QString &programDirectory);
    void abort();

    QString errorString() const { return m_error; }
    // The prepared update after finished(true); null otherwise.
    std::unique_ptr<PreparedUpdate> takePrepared() { return std::move(m_prepared); }

signals:
    void progress(qint64 done, qint64 total);
    void finished(bool ok);

private:
    void fetchNext();
    void onFileFinished(bool ok);
    void onFileProgress(qint64 received);
    void fail(const QString &error);
    QString stagedPath(const UpdateFile &file) const;

    QNetworkAccessManager &m_network;
    std::unique_ptr<Download> m_download;
    UpdateDescriptor m_descriptor;
    QString m_programDirectory;
    std::unique_ptr<QTemporaryDir> m_stage;
    int m_next = 0;
    qint64 m_doneBytes = 0;
    qint64 m_totalBytes = 0;
    QString m_error;
    std::unique_ptr<PreparedUpdate> m_prepared;
};
