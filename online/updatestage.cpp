#include "updatestage.h"

#include "download.h"
#include "translation.h"

#include <QFile>

PreparedUpdate::PreparedUpdate(const QString &version, const QString &programDirectory,
                               std::unique_ptr<QTemporaryDir> stage, const QStringList &names)
    : m_version(version)
    , m_programDirectory(programDirectory)
    , m_stage(std::move(stage))
    , m_names(names)
{
}

UpdateStager::UpdateStager(QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
}

UpdateStager::~UpdateStager() = default;

void UpdateStager::start(const UpdateDescriptor &descriptor, const QString &programDirectory)
{
    abort();
    m_descriptor = descriptor;
    m_programDirectory = programDirectory;
    m_next = 0;
    m_doneBytes = 0;
    m_totalBytes = 0;
    m_error.clear();
    for (const UpdateFile &file : descriptor.files) {
        if (!isSafeFileName(file.name))
            return fail(mainTr("不允许的文件名：%1").arg(file.name));
        m_totalBytes += file.size;
    }
    if (descriptor.files.isEmpty())
        return fail(mainTr("没有要下载的文件"));
    m_stage = std::make_unique<QTemporaryDir>(programDirectory + QLatin1Char('/')
                                              + QLatin1String(kStagePrefix)
                                              + QStringLiteral("XXXXXX"));
    if (!m_stage->isValid())
        return fail(mainTr("无法在%1中建立临时目录：%2").arg(programDirectory, m_stage->errorString()));
    m_download = std::make_unique<Download>(m_network);
    connect(m_download.get(), &Download::progress, this,
            [this](qint64 received, qint64) { onFileProgress(received); });
    connect(m_download.get(), &Download::finished, this, &UpdateStager::onFileFinished);
    fetchNext();
}

void UpdateStager::abort()
{
    if (m_download)
        m_download->abort();
    m_stage.reset();
}

void UpdateStager::fetchNext()
{
    if (m_next == m_descriptor.files.size()) {
        QStringList names;
        for (const UpdateFile &file : m_descriptor.files)
            names.append(file.name);
        m_prepared = std::make_unique<PreparedUpdate>(m_descriptor.version, m_programDirectory,
                                                      std::move(m_stage), names);
        emit finished(true);
        return;
    }
    const UpdateFile &file = m_descriptor.files.at(m_next);
    m_download->fetchToFile(file.url, stagedPath(file), {file.size, file.sha256});
}

void UpdateStager::onFileProgress(qint64 received)
{
    emit progress(m_doneBytes + received, m_totalBytes);
}

void UpdateStager::onFileFinished(bool ok)
{
    const UpdateFile file = m_descriptor.files.at(m_next);
    if (!ok)
        return fail(mainTr("%1：%2").arg(file.name, m_download->errorString()));
    // A replaced file keeps its permissions, the program its execute bit.
    const QString installed = m_programDirectory + QLatin1Char('/') + file.name;
    if (QFile::exists(installed)
        && !QFile::setPermissions(stagedPath(file), QFile::permissions(installed)))
        return fail(mainTr("%1：无法设置文件权限").arg(file.name));
    m_doneBytes += file.size;
    ++m_next;
    emit progress(m_doneBytes, m_totalBytes);
    if (m_stage) // not cancelled meanwhile
        fetchNext();
}

void UpdateStager::fail(const QString &error)
{
    m_stage.reset();
    m_error = error;
    emit finished(false);
}

QString UpdateStager::stagedPath(const UpdateFile &file) const
{
    return m_stage->filePath(file.name);
}
