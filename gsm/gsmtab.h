#pragma once

#include "portenumerator.h"
#include "textcodec.h"
#include "tooltab.h"

#include <QWidget>

#include <memory>

struct AtCatalogueEntry;
class CaptureControls;
class CommandPacer;
class Dialogs;
class ReceiveFileSwitch;
class ReceiveView;
class SendArea;
class SerialPortPanel;
class SourceSelector;

namespace Ui {
class GsmTab;
}

// The GSM assistant: drives a GSM/GPRS module on the tab's own port. One
// click sends a query and explains its answer; the console shows what the
// module says and logs what was sent; the phone page dials, sets the volume,
// stores the own number, sends and reads SMS; the GPRS page opens a TCP or
// UDP link through the module and sends on it; the conversion page turns
// text into UCS2 or hex and back. A session with the module can be recorded
// and replayed into the console; a replay writes nothing to any device.
class GsmTab : public QWidget, public ToolTab
{
    Q_OBJECT
public:
    // What the console's views keep of the module's replies and of the
    // commands sent, in characters.
    static constexpr int kViewChars = 65536;

    GsmTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~GsmTab() override;

    SerialPortPanel *panel() const;
    SourceSelector *sources() const { return m_sources; }
    CaptureControls *capture() const { return m_capture; }
    ReceiveFileSwitch *receiveFile() const { return m_receiveFile; }
    // Whether a paced series (SMS, own number, GPRS) is under way.
    bool isSendingSeries() const;
    qint64 receivedByteCount() const;

    void saveSettings(SettingsRecord &record) const override;
    void saveProgramSettings(QSettings &settings) const override;
    void loadProgramSettings(const QSettings &settings) override;
    // An empty stored address leaves the address field as it is.
    void loadSettings(const SettingsRecord &record) override;
    // Nothing of the GSM tab needs the tick: its receive file flushes itself.
    bool tickNeeded() const override;
    void tick() override;

private:
    static constexpr int kPresetCount = 8;

    void createSource(const PortListSource &portSource);
    void createCaptureControls();
    bool startReplay();
    void endReplay();
    void connectCatalogueButtons();
    void connectConsole();
    void connectPhone();
    void connectGprs();
    void connectConversions();

    void gsm_read(const QByteArray &bytes);
    bool gsm_send_cmd(const QByteArray &bytes);
    bool writeToModule(const QByteArray &bytes);
    void gsm_show_cmd_info(const QString &title, const QString &example,
                           const QString &explanation);
    void showInfo(const AtCatalogueEntry &entry);
    void showInfo(const char *key);

    QString logText(const QByteArray &bytes) const;
    void appendLogLine(const QString &text);
    void connectSendArea();

    void dial();
    void setVolume(int level);
    void storeOwnNumber();
    void sendSms();
    void smsNotPrompted();
    void readSms();
    void startGprsLink(const QByteArray &protocol, const char *key);
    void sendGprsData();

    std::unique_ptr<Ui::GsmTab> ui;
    Dialogs &m_dialogs;
    SourceSelector *m_sources = nullptr;
    CaptureControls *m_capture = nullptr;
    ReceiveFileSwitch *m_receiveFile = nullptr;
    ReceiveView *m_received = nullptr;
    ReceiveView *m_sentLog = nullptr;
    CommandPacer *m_pacer = nullptr;
    SendArea *m_sendArea = nullptr;
    StreamTextDecoder m_receiveDecoder;
};
