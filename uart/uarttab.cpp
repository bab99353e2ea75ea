#include "uarttab.h"

#include "capturecontrols.h"
#include "customframedecoder.h"
#include "dialogs.h"
#include "filesender.h"
#include "frameview.h"
#include "receivefileswitch.h"
#include "receiveview.h"
#include "sampledecoders.h"
#include "scopeview.h"
#include "sendarea.h"
#include "seriallink.h"
#include "serialportpanel.h"
#include "settingsrecord.h"
#include "sourceselector.h"
#include "textcodec.h"
#include "translation.h"
#include "ui_uarttab.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

// What the plot reads, in the order of "uart_plot_format", and as the
// program's settings and capture headers name it.
enum PlotFormat { TextPlot, JustFloatPlot, CustomPlot };
const char *const kPlotFormatKeys[] = {"text", "justfloat", "custom"};
const char kPlotFormatSetting[] = "uart/plotFormat";
const char kFrameSetting[] = "uart/frame";
const char kPlotKey[] = "plot";
const char kFrameKey[] = "frame";

int plotFormatIndex(const QString &key)
{
    for (int index = 0; index < int(std::size(kPlotFormatKeys)); ++index) {
        if (key == QLatin1String(kPlotFormatKeys[index]))
            return index;
    }
    return -1;
}

} // namespace

UartTab::UartTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::UartTab>())
    , m_dialogs(dialogs)
{
    ui->setupUi(this);
    const SerialPanelWidgets widgets{ui->uart_portBox,       ui->uart_baudRateBox,
                                     ui->uart_dataBitsBox,   ui->uart_parityBox,
                                     ui->uart_stopBitsBox,   ui->uart_OpenCloseButton,
                                     ui->uart_iserror_check, ui->uart_is_relink_check,
                                     ui->uart_dtrCheck,      ui->uart_rtsCheck,
                                     ui->uart_flowBox};
    m_sources = new SourceSelector(ui->uart_portGroup, dialogs, this);
    m_serial = m_sources->addSerial(widgets, portSource);
    m_panel = m_sources->serialPanel();
    connect(m_sources, &SourceSelector::received, this, &UartTab::uart_read);
    connect(m_panel, &SerialPortPanel::linkStateChanged, this, &UartTab::tickNeedChanged);
    m_redrawTimer = new QTimer(this);
    m_redrawTimer->setSingleShot(true);
    connect(m_redrawTimer, &QTimer::timeout, this, &UartTab::redrawIfDue);
    m_clock.start();

    // The send area enables its own buttons while the port is open.
    m_panel->setEnabledWhileOpen({ui->uart_sendfile, ui->uart_sendtimer_ck});

    styleReceiveView();
    connectReceiveControls();
    createFrameWindow();
    connectPlotControls();
    connectSendControls();
    connectFileSendControls();
    createCaptureControls();
}

UartTab::~UartTab() = default;

void UartTab::styleReceiveView()
{
    QPalette palette = ui->uart_recvEdit->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::black);
        palette.setColor(group, QPalette::Text, Qt::white);
    }
    ui->uart_recvEdit->setPalette(palette);
}

void UartTab::connectReceiveControls()
{
    m_receiveFile = new ReceiveFileSwitch(ui->uart_file_ck, ui->uart_fileEdit, m_dialogs, this);
    m_view = new ReceiveView(ui->uart_recvEdit, ReceiveView::Kind::Stream, kViewChars, this);
    connect(ui->uart_recv_cleanButton, &QPushButton::clicked, this, [this] {
        m_display.clear();
        m_redrawTimer->stop();
        m_view->clear();
    });
    connect(ui->uart_recv_cleannumButton, &QPushButton::clicked, this, [this] {
        m_view->counters().clear();
        m_rxAtLastTick = 0;
        emit tickNeedChanged();
    });
}

void UartTab::connectSendControls()
{
    const SendArea::Widgets area{ui->uart_sendEdit,        ui->uart_sendHex_ck,
                                 ui->uart_sendButton,      ui->uart_send_cleanButton,
                                 ui->uart_sendnewline_ck,  ui->uart_send_clean,
                                 ui->uart_sendtimer_ck,    ui->uart_sendtime_ms};
    const SendArea::Presets presets{SendArea::findPresets(this, QStringLiteral("uart_"),
                                                          kPresetCount),
                                    ui->uart_sendnewline_ck, ui->uart_send_clean,
                                    ui->uart_sendButton_cycle, ui->uart_cycletime_ms};
    m_sendArea = new SendArea(QStringLiteral("uart_"), area, presets,
                              [this](const QByteArray &bytes, SendArea::Source) {
                                  return transmit(bytes);
                              },
                              this);
    connect(m_panel, &SerialPortPanel::linkStateChanged, m_sendArea,
            [this] { m_sendArea->setReady(m_panel->isOpen()); });
    connect(m_sources, &SourceSelector::opened, ui->uart_sendError, &QLabel::clear);
}

void UartTab::connectFileSendControls()
{
    ui->uart_file_tip->setPlainText(mainTr("1.每次发送字节数设为0时表示连续发送整个文件。\n"
                                           "2.发送间隔时间设为0时表示连续发送整个文件。\n"
                                           "3.支持回显功能。\n"));
    m_fileSender = new ChunkedFileSender(this);
    connect(ui->uart_openfile, &QPushButton::clicked, this, &UartTab::chooseSendFile);
    connect(ui->uart_sendfile, &QPushButton::clicked, this, &UartTab::sendFile);
    connect(m_fileSender, &ChunkedFileSender::chunkReady, this, &UartTab::transmitFileChunk);
    // A streamed send reads its next piece once the port has taken most of
    // the last, so a file of any size goes out in bounded memory.
    connect(m_serial, &ByteLink::bytesWritten, this, [this] {
        if (m_serial->bytesToWrite() < ChunkedFileSender::kStreamPieceSize)
            m_fileSender->writerReady();
    });
    connect(m_fileSender, &ChunkedFileSender::progress, this, &UartTab::showFileProgress);
    // Closing the port is how a user stops a long chunked send.
    connect(m_panel, &SerialPortPanel::closed, m_fileSender, &ChunkedFileSender::stop);
    connect(m_fileSender, &ChunkedFileSender::finished, this, [this] {
        ui->uart_sendfile->setEnabled(m_panel->isOpen());
        m_echoDecoder.reset();
    });
}

qint64 UartTab::rxTotal() const
{
    return m_view->counters().received;
}

qint64 UartTab::txTotal() const
{
    return m_view->counters().sent;
}

bool UartTab::isSendingFile() const
{
    return m_fileSender->isSending();
}

// ---- receive ----

void UartTab::uart_read(const QByteArray &bytes)
{
    ByteCounters &counters = m_view->counters();
    if (ui->uart_revecho->isChecked() && writeToSource(bytes))
        counters.sent += bytes.size();
    counters.received += bytes.size();
    countsChanged();
    m_receiveFile->write(bytes);
    if (const auto shown = m_display.append(bytes, m_clock.elapsed()))
        showReceived(*shown);
    scheduleRedraw();
    if (m_plotDecoder)
        plotReceived(bytes);
}

void UartTab::redrawIfDue()
{
    if (const auto shown = m_display.due(m_clock.elapsed()))
        showReceived(*shown);
    scheduleRedraw();
}

// Wakes only while a redraw is pending; a quiet line runs no timer.
void UartTab::scheduleRedraw()
{
    const std::optional<qint64> next = m_display.nextDue();
    if (!next) {
        m_redrawTimer->stop();
        return;
    }
    // Every read asks; the timer is only set again when the time moved.
    if (m_redrawTimer->isActive() && m_redrawDue == *next)
        return;
    m_redrawDue = *next;
    m_redrawTimer->start(int(std::max<qint64>(0, *next - m_clock.elapsed())));
}

void UartTab::showReceived(const QByteArray &bytes)
{
    m_view->showOnly(receiveViewText(bytes, ui->uart_recvHex_ck->isChecked()));
}

void UartTab::echoIntoView(const QByteArray &bytes)
{
    // Shown until the next refresh from the receive buffer, which it never
    // enters: the buffer holds only what the device sent.
    m_view->append(m_echoDecoder.decode(bytes));
    m_view->redrawNow();
}

// ---- plot ----

void UartTab::connectPlotControls()
{
    m_sendAreaStretch = ui->uart_workColumn->stretch(1);
    connect(ui->uart_plot_ck, &QCheckBox::toggled, this, &UartTab::showPlot);
    // The format is fixed while bytes come, as the car tab's protocol is.
    connect(m_sources, &SourceSelector::opened, this, [this] {
        ui->uart_plot_format->setEnabled(false);
        if (ui->uart_plot_ck->isChecked())
            startPlotting();
    });
    connect(m_sources, &SourceSelector::closed, this, [this] {
        stopPlotting();
        ui->uart_plot_format->setEnabled(true);
    });
    connect(ui->uart_plot_frame, &QPushButton::clicked, this, [this] {
        m_frameWindow->show();
        m_frameWindow->raise();
        m_frameWindow->activateWindow();
    });
}

// The plot's frame format has a window of its own, beside the terminal
// rather than over it, made hidden with the tab so the description is
// there for settings and captures.
void UartTab::createFrameWindow()
{
    m_frameWindow = new QWidget(this, Qt::Window);
    m_frameWindow->setObjectName(QStringLiteral("uart_frameWindow"));
    m_frameWindow->setWindowTitle(mainTr("帧格式"));
    auto *layout = new QVBoxLayout(m_frameWindow);
    m_frameView = new FrameView(m_dialogs, m_frameWindow);
    layout->addWidget(m_frameView);
    m_frameView->setApplyGuard([this] { return frameFormatLocked(); });
    connect(m_frameView, &FrameView::applied, this, &UartTab::restartCustomPlot);
}

// A description applied while custom frames are plotted is read from the
// next byte on, with counters of its own.
void UartTab::restartCustomPlot()
{
    if (m_plotFrames)
        startPlotting();
}

// A capture keeps the description it was made with.
QString UartTab::frameFormatLocked() const
{
    if (m_capture->recording())
        return mainTr("正在记录，不能更换帧格式：记录要与所用的帧格式一致。请先停止记录。");
    if (m_capture->replaying())
        return mainTr("正在回放，不能更换帧格式。请先停止回放。");
    return QString();
}

// The oscilloscope is made the first time it is asked for; hidden again it
// keeps its samples but decodes nothing.
void UartTab::showPlot(bool shown)
{
    if (shown && !m_scope)
        makePlot();
    if (!m_scope)
        return;
    m_plotArea->setVisible(shown);
    // The plot takes the height the send area can spare.
    ui->uart_workColumn->setStretch(1, shown ? 0 : m_sendAreaStretch);
    if (shown && receiving())
        startPlotting();
    else if (!shown)
        stopPlotting();
}

void UartTab::makePlot()
{
    // The page's controls are taller than the text view needs to be: in a
    // scroll area they do not make the window taller.
    m_plotArea = new QScrollArea;
    m_plotArea->setObjectName(QStringLiteral("uart_plotArea"));
    m_plotArea->setWidgetResizable(true);
    m_plotArea->setFrameShape(QFrame::NoFrame);
    m_scope = new ScopeView(m_dialogs);
    m_scope->setFeed(ScopeView::Feed::DecodedRows);
    m_plotArea->setWidget(m_scope);
    QSplitter *splitter = ui->uart_recvSplitter;
    splitter->addWidget(m_plotArea);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    const int width = splitter->width();
    splitter->setSizes({width / 3, width - width / 3});
}

// A fresh decoder for every opening: nothing of a line or frame cut by the
// last closing is joined to what comes now.
void UartTab::startPlotting()
{
    m_frameView->follow(nullptr);
    m_plotText = nullptr;
    m_plotFrames = nullptr;
    switch (ui->uart_plot_format->currentIndex()) {
    case JustFloatPlot:
        m_plotDecoder = std::make_unique<JustFloatDecoder>();
        break;
    case CustomPlot: {
        auto frames = std::make_unique<CustomFrameDecoder>(m_frameView->description());
        m_plotFrames = frames.get();
        m_plotDecoder = std::move(frames);
        break;
    }
    default: {
        auto text = std::make_unique<TextLineDecoder>();
        m_plotText = text.get();
        m_plotDecoder = std::move(text);
        break;
    }
    }
    m_plotDecoder->setRowHandler(
        [this](const double *values, int count) { m_scope->appendRow(values, count); });
    m_scope->setLinkOpen(true);
    if (m_plotFrames) {
        m_scope->nameChannels(m_plotFrames->description().channels);
        m_frameView->follow(m_plotFrames);
    }
}

void UartTab::stopPlotting()
{
    if (!m_plotDecoder)
        return;
    m_plotDecoder->flush();
    if (m_plotText)
        m_scope->followLabels(*m_plotText);
    m_frameView->follow(nullptr);
    m_plotText = nullptr;
    m_plotFrames = nullptr;
    m_plotDecoder.reset();
    m_scope->setLinkOpen(false);
}

void UartTab::plotReceived(const QByteArray &bytes)
{
    m_plotDecoder->append(bytes);
    if (m_plotText)
        m_scope->followLabels(*m_plotText);
}

// ---- record and replay ---------------------------------------------------------

void UartTab::createCaptureControls()
{
    CaptureControls::Tab tab;
    tab.name = QStringLiteral("uart");
    tab.header = [this] { return captureHeader(); };
    tab.startReplay = [this](const Capture::Header &recorded) { return startReplay(recorded); };
    tab.endReplay = [this] { endReplay(); };
    tab.frameEnd = [] { return std::function<bool(char)>([](char byte) { return byte == '\n'; }); };
    m_capture = new CaptureControls(m_dialogs, QStringLiteral("uart_"), std::move(tab), this);
    ui->uart_panelColumn->insertWidget(1, m_capture);
    m_sources->setCapture(m_capture);
}

Capture::Header UartTab::captureHeader() const
{
    const int format = ui->uart_plot_format->currentIndex();
    Capture::Header header{{QStringLiteral("link"), m_sources->linkDescription()},
                           {QLatin1String(kPlotKey), QLatin1String(kPlotFormatKeys[format])}};
    if (format == CustomPlot)
        header.insert(QLatin1String(kFrameKey), QString::fromUtf8(m_frameView->descriptionText()));
    return header;
}

// Replayed bytes are taken as those of a port just opened, and plotted as
// they were read when recorded.
bool UartTab::startReplay(const Capture::Header &recorded)
{
    if (!m_sources->startReplay())
        return false;
    const int format = plotFormatIndex(recorded.value(QLatin1String(kPlotKey)));
    if (format >= 0)
        ui->uart_plot_format->setCurrentIndex(format);
    const QString frame = recorded.value(QLatin1String(kFrameKey));
    FrameFormat::Refusal refusal;
    if (format == CustomPlot && frame.toUtf8() != m_frameView->descriptionText()
        && !m_frameView->applyText(frame.toUtf8(), &refusal))
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("记录中的帧格式无法使用（%1），回放时用现在的帧格式。")
                               .arg(refusal.text()));
    ui->uart_plot_format->setEnabled(false);
    if (ui->uart_plot_ck->isChecked())
        startPlotting();
    return true;
}

void UartTab::endReplay()
{
    stopPlotting();
    m_sources->endReplay();
    ui->uart_plot_format->setEnabled(true);
}

bool UartTab::receiving() const
{
    return m_panel->isOpen() || m_capture->replaying();
}

QString UartTab::statisticsLine() const
{
    return mainTr("接收区：共接收%1字节，速度%2字节/秒。共发送%3字节。")
        .arg(rxTotal())
        .arg(rxTotal() - m_rxAtLastTick)
        .arg(txTotal());
}

void UartTab::saveSettings(SettingsRecord &record) const
{
    record.uartSerial = m_panel->serialIndexes();
}

void UartTab::loadSettings(const SettingsRecord &record)
{
    m_panel->applySerialIndexes(record.uartSerial);
}

// While nothing is received or sent and the counts are shown, nothing ticks.
bool UartTab::tickNeeded() const
{
    return ui->uart_recvgroup->title() != statisticsLine() || m_panel->reconnectionPending();
}

void UartTab::countsChanged()
{
    if (m_countsPending)
        return;
    m_countsPending = true;
    emit tickNeedChanged();
}

void UartTab::tick()
{
    m_countsPending = false;
    m_panel->reconnectIfLost();
    ui->uart_recvgroup->setTitle(statisticsLine());
    m_rxAtLastTick = rxTotal();
}

// ---- send ----

bool UartTab::writeToSource(const QByteArray &bytes)
{
    const bool written = m_sources->write(bytes) >= 0;
    ui->uart_sendError->setText(written ? QString()
                                        : mainTr("发送失败：%1").arg(m_sources->writeError()));
    return written;
}

bool UartTab::transmit(const QByteArray &bytes)
{
    // Only bytes the port took count as sent.
    if (!writeToSource(bytes))
        return false;
    m_view->counters().sent += bytes.size();
    countsChanged();
    if (ui->uart_echo->isChecked())
        echoIntoView(bytes);
    return true;
}

void UartTab::transmitFileChunk(const QByteArray &chunk)
{
    if (!transmit(chunk))
        m_fileSender->stop();
}

void UartTab::uart_sendtimeout()
{
    m_sendArea->timerTick();
}

void UartTab::uart_cycletimeout()
{
    m_sendArea->cycleTick();
}

// ---- file send ----

QString UartTab::chooseSendFile()
{
    const QString chosen =
        m_dialogs.openFileName(this, mainTr("选择文件"), QCoreApplication::applicationDirPath(),
                               mainTr("所有文件(*.*)"));
    // Shown in the platform's own form; the file sent is the chosen one.
    if (!chosen.isEmpty() && QFileInfo::exists(chosen))
        ui->uart_sendfileEdit->setText(QDir::toNativeSeparators(chosen));
    return chosen;
}

// The file the send should use, or empty when the user gave none (and has
// been told so).
QString UartTab::fileToSend()
{
    QString path = QDir::fromNativeSeparators(ui->uart_sendfileEdit->text());
    if (!path.isEmpty() && QFileInfo::exists(path))
        return path;
    if (!path.isEmpty()
        && !m_dialogs.question(this, mainTr("询问"), mainTr("文件不存在，是否重新选择文件"))) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("文件不存在，取消发送"));
        return QString();
    }
    path = chooseSendFile();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("文件不存在，取消发送"));
        return QString();
    }
    return path;
}

void UartTab::sendFile()
{
    // A second press while chunks are still going out would interleave two
    // files on the wire.
    if (m_fileSender->isSending() || !m_panel->isOpen())
        return;
    const QString path = fileToSend();
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("打开文件失败，取消发送"));
        return;
    }
    const qint64 size = file.size();
    if (size == 0) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("文件为空，取消发送"));
        return;
    }
    file.close();
    const qint64 chunk = ui->uart_file_everynum->value();
    const int interval = ui->uart_file_everytime->value();
    ui->uart_sendfile->setEnabled(false);
    if (sendsWholeFile(chunk, interval, size))
        m_fileSender->startStream(path);
    else
        m_fileSender->start(path, chunk, interval);
}

void UartTab::showFileProgress(qint64 sent, qint64 total)
{
    ui->uart_sendfile_progress->setText(mainTr("已发送%1/%2字节").arg(sent).arg(total));
}

void UartTab::saveProgramSettings(QSettings &settings) const
{
    m_panel->saveBaudRate(settings, QStringLiteral("uart/baudRate"));
    settings.setValue(QLatin1String(kPlotFormatSetting),
                      QLatin1String(kPlotFormatKeys[ui->uart_plot_format->currentIndex()]));
    settings.setValue(QLatin1String(kFrameSetting), m_frameView->descriptionSource());
}

void UartTab::loadProgramSettings(const QSettings &settings)
{
    m_panel->loadBaudRate(settings, QStringLiteral("uart/baudRate"));
    const int format = plotFormatIndex(settings.value(QLatin1String(kPlotFormatSetting)).toString());
    if (format >= 0)
        ui->uart_plot_format->setCurrentIndex(format);
    // A stored description that no longer parses leaves the default.
    const QByteArray frame = settings.value(QLatin1String(kFrameSetting)).toByteArray();
    if (!frame.isEmpty())
        m_frameView->applyText(frame);
}
