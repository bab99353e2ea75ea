#include "selfupdater.h"

#include "dialogs.h"
#include "download.h"
#include "handover.h"
#include "onlinesite.h"
#include "programinfo.h"
#include "translation.h"
#include "updatesignature.h"
#include "updatestage.h"

#include <QNetworkAccessManager>

SelfUpdater::SelfUpdater(Dialogs &dialogs, const QUrl &serverBase, QWidget *dialogParent,
                         QObject *parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_serverBase(serverBase)
    , m_dialogParent(dialogParent)
    , m_updateKey(builtInUpdateKey())
{
}

SelfUpdater::~SelfUpdater() = default;

void SelfUpdater::check(const ProgramInstall &install)
{
    m_install = install;
    m_outcome = Outcome::Running;
    reportFailedHandOvers();
    m_descriptorDownload = std::make_unique<Download>(network());
    connect(m_descriptorDownload.get(), &Download::finished, this,
            &SelfUpdater::onDescriptorFetched);
    m_descriptorDownload->fetch(serverFile(m_serverBase, QStringLiteral("updata.cfg")),
                                kMaxDescriptorBytes);
}

void SelfUpdater::reportFailedHandOvers()
{
    if (m_install.packageManaged)
        return;
    for (const QString &message : takeFailedHandOvers(m_install.directory))
        m_dialogs.critical(m_dialogParent, mainTr("出错啦！"), message);
}

void SelfUpdater::onDescriptorFetched(bool ok)
{
    if (!ok)
        return end(Outcome::NothingNew);
    m_descriptorBytes = m_descriptorDownload->data();
    m_descriptor = parseUpdateDescriptor(m_descriptorBytes,
                                         serverFile(m_serverBase, QStringLiteral("updata.cfg")),
                                         thisPlatform());
    if (!m_descriptor.error.isEmpty() || m_descriptor.files.isEmpty()
        || !isNewerVersion(m_descriptor.version, programVersion()))
        return end(Outcome::NothingNew);
    if (m_install.packageManaged)
        return offer(m_descriptor);
    if (m_updateKey.isEmpty())
        return announceOnly(mainTr("本程序构建时没有配置升级签名的公钥，不能自动升级。"));
    m_signatureDownload = std::make_unique<Download>(network());
    connect(m_signatureDownload.get(), &Download::finished, this,
            &SelfUpdater::onSignatureFetched);
    // A few bytes more than a signature, so that a longer file is refused
    // by the check rather than cut to size.
    m_signatureDownload->fetch(serverFile(m_serverBase, QStringLiteral("updata.cfg.sig")),
                               2 * kUpdateSignatureBytes);
}

void SelfUpdater::onSignatureFetched(bool ok)
{
    if (!ok || !isSignedBy(m_descriptorBytes, m_signatureDownload->data(), m_updateKey))
        return announceOnly(mainTr("无法确认它来自本程序的制作者（签名缺失或无效），不会自动升级。"));
    if (!m_descriptor.expires.isValid())
        return announceOnly(mainTr("升级说明没有写明有效期，不会自动升级。"));
    if (m_descriptor.expires < QDateTime::currentDateTimeUtc())
        return announceOnly(
            mainTr("升级说明已于%1过期（服务器可能没有提供最新的版本），不会自动升级。")
                .arg(m_descriptor.expires.toUTC().toString(Qt::ISODate)));
    offer(m_descriptor);
}

void SelfUpdater::announceOnly(const QString &reason)
{
    m_dialogs.information(m_dialogParent, mainTr("提示"),
                          mainTr("发现新版本%1。").arg(m_descriptor.version) + QLatin1Char('\n')
                              + reason + QLatin1Char('\n')
                              + mainTr("请从%1下载新版本。").arg(m_serverBase.toString()));
    end(Outcome::Unverified);
}

void SelfUpdater::offer(const UpdateDescriptor &descriptor)
{
    m_offeredVersion = descriptor.version;
    if (m_install.packageManaged) {
        m_dialogs.information(m_dialogParent, mainTr("提示"),
                              mainTr("发现新版本%1。\n本程序由系统的软件包管理器安装，"
                                     "请用软件包管理器升级。")
                                  .arg(descriptor.version));
        return end(Outcome::PackageManaged);
    }
    QString text = mainTr("发现新版本%1（当前版本%2）。").arg(descriptor.version, programVersion());
    if (!descriptor.notes.isEmpty())
        text += QLatin1String("\n\n") + descriptor.notes;
    text += QLatin1String("\n\n") + mainTr("是否下载？新版本在程序退出后安装。");
    if (!m_dialogs.question(m_dialogParent, mainTr("询问"), text))
        return end(Outcome::Declined);

    qint64 total = 0;
    for (const UpdateFile &file : descriptor.files)
        total += file.size;
    m_progress = m_dialogs.progress(m_dialogParent,
                                    mainTr("正在下载新版本%1...").arg(descriptor.version), total);
    m_stager = std::make_unique<UpdateStager>(network());
    connect(m_stager.get(), &UpdateStager::progress, this, &SelfUpdater::onStagingProgress);
    connect(m_stager.get(), &UpdateStager::finished, this, &SelfUpdater::onStagingFinished);
    m_stager->start(descriptor, m_install.directory);
}

void SelfUpdater::onStagingProgress(qint64 done, qint64)
{
    if (m_progress && !m_progress->update(done)) {
        m_stager->abort();
        m_progress.reset();
        end(Outcome::Declined);
    }
}

void SelfUpdater::onStagingFinished(bool ok)
{
    m_progress.reset();
    if (!ok) {
        m_dialogs.critical(m_dialogParent, mainTr("出错啦！"),
                           mainTr("新版本%1下载失败：%2\n程序文件没有任何改动。")
                               .arg(m_offeredVersion, m_stager->errorString()));
        return end(Outcome::Failed);
    }
    m_prepared = m_stager->takePrepared();
    m_dialogs.information(m_dialogParent, mainTr("提示"),
                          mainTr("新版本%1已下载并校验完毕，将在程序退出后安装。")
                              .arg(m_offeredVersion));
    end(Outcome::Prepared);
}

void SelfUpdater::end(Outcome outcome)
{
    m_outcome = outcome;
    emit done();
}

void SelfUpdater::handOver(qint64 programPid)
{
    if (m_prepared && startHandOver(*m_prepared, programPid))
        m_prepared.reset();
}

QNetworkAccessManager &SelfUpdater::network()
{
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    return *m_network;
}
