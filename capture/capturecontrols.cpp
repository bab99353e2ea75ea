#include "capturecontrols.h"

#include "dialogs.h"
#include "programinfo.h"
#include "translation.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <limits>

namespace {

QString clockText(qint64 us)
{
    const qint64 seconds = us / 1000000;
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The slider counts milliseconds in an int.
int sliderMs(qint64 us)
{
    return int(std::min<qint64>(us / 1000, std::numeric_limits<int>::max()));
}

QString sizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

QString captureFilter()
{
    return mainTr("记录文件 (*.zcap);;所有文件 (*)");
}

} // namespace

CaptureControls::CaptureControls(Dialogs &dialogs, const QString &prefix, Tab tab,
                                 QWidget *parent)
    : QGroupBox(mainTr("记录与回放"), parent)
    , m_dialogs(dialogs)
    , m_tab(std::move(tab))
    , m_player(this)
{
    build(prefix);
    m_recordTimer.setInterval(500);
    connect(&m_recordTimer, &QTimer::timeout, this, &CaptureControls::checkRecording);
    connect(&m_player, &CapturePlayer::positionChanged, this,
            &CaptureControls::onPositionChanged);
    connect(&m_player, &CapturePlayer::playingChanged, this, &CaptureControls::onPlayingChanged);
    updateReplayWidgets();
}

CaptureControls::~CaptureControls() = default;

void CaptureControls::build(const QString &prefix)
{
    setObjectName(prefix + QStringLiteral("capture"));
    m_recordButton = new QPushButton(mainTr("开始记录"), this);
    m_recordButton->setObjectName(prefix + QStringLiteral("rec_button"));
    m_recordFile = new QLabel(this);
    m_recordFile->setObjectName(prefix + QStringLiteral("rec_file"));
    m_recordStatus = new QLabel(this);
    m_recordStatus->setObjectName(prefix + QStringLiteral("rec_status"));
    m_openButton = new QPushButton(mainTr("打开回放"), this);
    m_openButton->setObjectName(prefix + QStringLiteral("replay_open"));
    m_playButton = new QPushButton(mainTr("播放"), this);
    m_playButton->setObjectName(prefix + QStringLiteral("replay_play"));
    m_stepButton = new QPushButton(mainTr("单步"), this);
    m_stepButton->setObjectName(prefix + QStringLiteral("replay_step"));
    m_speed = new QComboBox(this);
    m_speed->setObjectName(prefix + QStringLiteral("replay_speed"));
    for (double speed : {0.25, 0.5, 1.0, 2.0, 4.0, 8.0})
        m_speed->addItem(QStringLiteral("×%1").arg(speed), speed);
    m_speed->addItem(mainTr("最快"), CapturePlayer::kAsFastAsPossible);
    m_speed->setCurrentIndex(2);
    m_position = new QSlider(Qt::Horizontal, this);
    m_position->setObjectName(prefix + QStringLiteral("replay_position"));
    m_replayFile = new QLabel(this);
    m_replayFile->setObjectName(prefix + QStringLiteral("replay_file"));
    m_replayFile->setWordWrap(true);
    m_replayTime = new QLabel(this);
    m_replayTime->setObjectName(prefix + QStringLiteral("replay_time"));
    for (QLabel *label : {m_recordFile, m_recordStatus, m_replayFile, m_replayTime})
        label->setTextFormat(Qt::PlainText);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_recordButton, 0, 0);
    layout->addWidget(m_recordStatus, 0, 1, 1, 2);
    layout->addWidget(m_recordFile, 1, 0, 1, 3);
    layout->addWidget(m_openButton, 2, 0);
    layout->addWidget(m_playButton, 2, 1);
    layout->addWidget(m_stepButton, 2, 2);
    layout->addWidget(m_speed, 3, 0);
    layout->addWidget(m_replayTime, 3, 1, 1, 2);
    layout->addWidget(m_position, 4, 0, 1, 3);
    layout->addWidget(m_replayFile, 5, 0, 1, 3);

    connect(m_recordButton, &QPushButton::clicked, this,
            [this] { recording() ? stopRecording() : startRecording(); });
    connect(m_openButton, &QPushButton::clicked, this,
            [this] { replaying() ? stopReplay() : openReplay(); });
    connect(m_playButton, &QPushButton::clicked, this,
            [this] { m_player.isPlaying() ? m_player.pause() : m_player.play(); });
    connect(m_stepButton, &QPushButton::clicked, this,
            [this] { m_player.stepUntil(m_tab.frameEnd()); });
    connect(m_speed, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { m_player.setSpeed(m_speed->currentData().toDouble()); });
    connect(m_position, &QSlider::sliderReleased, this, &CaptureControls::seekToSlider);
    connect(m_position, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            QTimer::singleShot(0, this, &CaptureControls::seekToSlider);
    });
}

// ---- recording ---------------------------------------------------------------

void CaptureControls::startRecording()
{
    const QString suggested = QDir::current().filePath(
        m_tab.name + QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-hhmmss"))
        + QStringLiteral(".zcap"));
    const QString path =
        m_dialogs.saveFileName(this, mainTr("记录到文件"), suggested, captureFilter());
    if (path.isEmpty())
        return;
    Capture::Header header = m_tab.header();
    header.insert(QStringLiteral("tab"), m_tab.name);
    header.insert(QStringLiteral("version"), programVersion());
    header.insert(QStringLiteral("started"), QDateTime::currentDateTime().toString(Qt::ISODate));
    if (!m_writer.open(path, header)) {
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("无法创建记录文件：%1").arg(m_writer.errorString()));
        return;
    }
    m_recordTimer.start();
    showRecordingState();
    updateReplayWidgets();
}

void CaptureControls::stopRecording()
{
    m_writer.close();
    m_recordTimer.stop();
    showRecordingState();
    updateReplayWidgets();
}

void CaptureControls::showRecordingState()
{
    m_recordButton->setText(recording() ? mainTr("停止记录") : mainTr("开始记录"));
    m_recordFile->setText(QFileInfo(m_writer.fileName()).fileName());
    m_recordStatus->setText(QStringLiteral("%1  %2").arg(clockText(m_writer.elapsedUs()),
                                                         sizeText(m_writer.size())));
}

void CaptureControls::checkRecording()
{
    showRecordingState();
    const CaptureWriter::Failure failure = m_writer.failure();
    if (failure == CaptureWriter::Failure::None)
        return;
    stopRecording();
    m_dialogs.critical(this, mainTr("错误"),
                       failure == CaptureWriter::Failure::QueueFull
                           ? mainTr("记录已停止：磁盘写入跟不上接收的数据")
                           : mainTr("记录已停止：写入失败：%1").arg(m_writer.errorString()));
}

// ---- replay ------------------------------------------------------------------

void CaptureControls::setReplayAllowed(bool allowed)
{
    m_replayAllowed = allowed;
    updateReplayWidgets();
}

void CaptureControls::openReplay()
{
    const QString path = m_dialogs.openFileName(this, mainTr("打开记录文件"), QDir::currentPath(),
                                                captureFilter());
    if (path.isEmpty())
        return;
    if (!m_player.open(path)) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("无法打开记录文件：%1").arg(path));
        return;
    }
    const Capture::Header &header = m_player.reader().header();
    if (header.value(QStringLiteral("tab")) != m_tab.name) {
        m_player.close();
        m_dialogs.critical(this, mainTr("错误"), mainTr("这个记录文件不是本页记录的"));
        return;
    }
    if (!m_tab.startReplay(header)) {
        m_player.close();
        return;
    }
    if (m_player.reader().truncated())
        m_dialogs.information(this, mainTr("提示"),
                              mainTr("记录文件不完整（末尾 %1 字节被截断），只回放到最后一个完整的记录")
                                  .arg(m_player.reader().trailingBytes()));
    m_replayFile->setText(QFileInfo(path).fileName());
    m_position->setRange(0, sliderMs(m_player.reader().durationUs()));
    m_player.setSpeed(m_speed->currentData().toDouble());
    onPositionChanged(0);
    updateReplayWidgets();
}

void CaptureControls::stopReplay()
{
    m_player.close();
    m_replayFile->clear();
    m_replayTime->clear();
    m_tab.endReplay();
    updateReplayWidgets();
}

void CaptureControls::seekToSlider()
{
    m_player.seek(qint64(m_position->value()) * 1000);
}

void CaptureControls::onPositionChanged(qint64 positionUs)
{
    if (!m_position->isSliderDown()) {
        const QSignalBlocker blocker(m_position);
        m_position->setValue(sliderMs(positionUs));
    }
    QString text = QStringLiteral("%1 / %2").arg(clockText(positionUs),
                                                 clockText(m_player.reader().durationUs()));
    // As fast as possible, the capture's clock says little about how much
    // work is left; the share of records played does.
    const int records = m_player.reader().recordCount();
    if (m_player.speed() == CapturePlayer::kAsFastAsPossible && records > 0)
        text += QStringLiteral("  %1%").arg(qint64(m_player.recordsPlayed()) * 100 / records);
    m_replayTime->setText(text);
    updateReplayWidgets();
}

void CaptureControls::onPlayingChanged(bool playing)
{
    m_playButton->setText(playing ? mainTr("暂停") : mainTr("播放"));
}

void CaptureControls::updateReplayWidgets()
{
    const bool open = replaying();
    m_recordButton->setEnabled(!open);
    m_openButton->setEnabled(open || (m_replayAllowed && !recording()));
    m_openButton->setText(open ? mainTr("停止回放") : mainTr("打开回放"));
    m_playButton->setEnabled(open && !m_player.atEnd());
    m_stepButton->setEnabled(open && !m_player.atEnd());
    m_position->setEnabled(open);
}
