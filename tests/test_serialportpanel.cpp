// The port panel on a bare form, driven through the widgets a user touches,
// with pseudo-terminals as devices. The tabs hand it their own form's
// widgets; the window only asks it to refresh and reconnect on each scan.
#include "fakeports.h"
#include "ptypair.h"
#include "scripteddialogs.h"
#include "seriallink.h"
#include "serialportpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Kind = ScriptedDialogs::Kind;

namespace {

const QString kNoSuchPort = QStringLiteral("打开端口失败：\n端口不存在;");
const QString kOpenFailed =
    QStringLiteral("打开端口失败，可能的原因：\n1.端口不存在;\n2.端口被占用;\n3.端口已卸载");
const QString kUnplugged = QStringLiteral("端口已卸载！");

// One tab's port controls over a link of its own. With checks, like the
// serial assistant's and the car's: "断开不提示出错" and "出错重连", both on
// as their forms start; without, like the GSM and GPS tabs'.
struct PanelForm
{
    PanelForm(Dialogs &dialogs, const PortListSource &ports, bool withChecks)
    {
        portBox->setEditable(true);
        if (withChecks) {
            silenceCheck = new QCheckBox(&form);
            relinkCheck = new QCheckBox(&form);
            silenceCheck->setChecked(true);
            relinkCheck->setChecked(true);
        }
        panel = new SerialPortPanel({portBox, baudRateBox, dataBitsBox, parityBox, stopBitsBox,
                                     button, silenceCheck, relinkCheck},
                                    link, dialogs, ports, &form);
    }

    void open(const QString &name)
    {
        portBox->setEditText(name);
        button->click();
    }
    // What the window does on each scan.
    void scan()
    {
        panel->refreshPortList();
        panel->reconnectIfLost();
    }

    SerialLink link;
    QWidget form;
    QComboBox *portBox = new QComboBox(&form);
    QComboBox *baudRateBox = new QComboBox(&form);
    QComboBox *dataBitsBox = new QComboBox(&form);
    QComboBox *parityBox = new QComboBox(&form);
    QComboBox *stopBitsBox = new QComboBox(&form);
    QPushButton *button = new QPushButton(&form);
    QCheckBox *silenceCheck = nullptr;
    QCheckBox *relinkCheck = nullptr;
    SerialPortPanel *panel = nullptr;
};

// A serial adapter the test can pull out and plug back in under the same
// name, listed by the fake port source like a real USB adapter.
class Adapter
{
public:
    Adapter(FakePorts &ports, const QString &dir, const QString &friendlyName = "USB-SERIAL")
        : m_ports(ports)
        , m_link(dir + "/ttyZK0")
        , m_friendlyName(friendlyName)
    {
        plugIn();
    }
    QString name() const { return m_link; }
    PtyPair &device() { return *m_pty; }

    void unplug()
    {
        m_pty->unplug();
        QFile::remove(m_link);
        m_ports.ports->removeAll(PortEntry{m_link, m_friendlyName});
    }
    void plugIn()
    {
        m_pty = std::make_unique<PtyPair>();
        QFile::link(m_pty->slavePath(), m_link);
        m_ports.ports->append(PortEntry{m_link, m_friendlyName});
    }

private:
    FakePorts &m_ports;
    QString m_link;
    QString m_friendlyName;
    std::unique_ptr<PtyPair> m_pty;
};

} // namespace

class TestSerialPortPanel : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void settingCombosCarryTheValuesPassedToThePort();
    void openingAPseudoTerminalSwitchesThePanelState();
    void openFailuresAreReportedUnlessSilenced_data();
    void openFailuresAreReportedUnlessSilenced();
    void unplugClosesOnceAndWarnsUnlessSilenced_data();
    void unplugClosesOnceAndWarnsUnlessSilenced();
    void withoutChecksUnplugAlwaysWarnsAndNeverReconnects();
    void lostPortReopensOnFirstScanAfterItsNameReturns();
    void closingByTheButtonEndsReconnection();
    void anotherAdapterComingOrGoingLeavesAnOpenPortAlone();
    void refreshKeepsSelectionsAndNeverClosesAPort();
    void changedFriendlyNamesAloneDoNotRefresh();

private:
    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSerialPortPanel::init()
{
    m_dialogs = ScriptedDialogs();
    m_ports.ports->clear();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestSerialPortPanel::settingCombosCarryTheValuesPassedToThePort()
{
    PanelForm f(m_dialogs, m_ports.source(), true);
    SerialPort *port = f.link.port();
    const QList<int> rates{1200,   2400,   4800,    9600,    14400,   19200,  38400,
                           56000,  57600,  115200,  128000,  256000,  230400, 460800,
                           921600, 1000000, 1500000, 2000000, 3000000};
    QCOMPARE(f.baudRateBox->count(), rates.size());
    for (int i = 0; i < rates.size(); ++i) {
        QCOMPARE(f.baudRateBox->itemText(i), QString::number(rates.at(i)));
        QCOMPARE(f.baudRateBox->itemData(i).toInt(), rates.at(i));
    }
    QCOMPARE(f.baudRateBox->currentIndex(), 9);
    QCOMPARE(port->baudRate(), 115200);
    QCOMPARE(f.dataBitsBox->currentText(), QStringLiteral("8"));
    QCOMPARE(port->dataBits(), 8);
    QCOMPARE(f.parityBox->currentText(), QStringLiteral("无"));
    QCOMPARE(f.stopBitsBox->currentText(), QStringLiteral("1"));

    f.baudRateBox->setCurrentIndex(3);
    QCOMPARE(port->baudRate(), 9600);
    f.dataBitsBox->setCurrentIndex(0);
    QCOMPARE(port->dataBits(), 5);
    QCOMPARE(f.parityBox->itemText(1), QStringLiteral("奇校验"));
    f.parityBox->setCurrentIndex(1);
    QCOMPARE(port->parity(), 1);
    QCOMPARE(f.parityBox->itemText(2), QStringLiteral("偶校验"));
    f.parityBox->setCurrentIndex(2);
    QCOMPARE(port->parity(), 2);
    f.stopBitsBox->setCurrentIndex(1);
    QCOMPARE(f.stopBitsBox->currentText(), QStringLiteral("2"));
    QCOMPARE(port->stopBits(), 2);
}

void TestSerialPortPanel::openingAPseudoTerminalSwitchesThePanelState()
{
    PanelForm f(m_dialogs, m_ports.source(), false);
    QWidget *sendButton = new QPushButton(&f.form);
    QWidget *sourceBox = new QComboBox(&f.form);
    f.panel->setEnabledWhileOpen({sendButton});
    f.panel->setDisabledWhileOpen({sourceBox});
    QVERIFY(!sendButton->isEnabled() && sourceBox->isEnabled());
    QCOMPARE(f.button->text(), QStringLiteral("打开串口"));

    PtyPair device;
    f.open(device.slavePath());
    QVERIFY(f.panel->isOpen());
    QCOMPARE(f.button->text(), QStringLiteral("关闭串口"));
    for (QComboBox *box : {f.portBox, f.baudRateBox, f.dataBitsBox, f.parityBox, f.stopBitsBox})
        QVERIFY(!box->isEnabled());
    QVERIFY(sendButton->isEnabled() && !sourceBox->isEnabled());
    f.link.port()->write("AT\r\n");
    QCOMPARE(device.read(4), QByteArray("AT\r\n"));

    f.button->click();
    QVERIFY(!f.panel->isOpen());
    QCOMPARE(f.button->text(), QStringLiteral("打开串口"));
    QVERIFY(f.portBox->isEnabled());
    QVERIFY(!sendButton->isEnabled() && sourceBox->isEnabled());
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestSerialPortPanel::openFailuresAreReportedUnlessSilenced_data()
{
    QTest::addColumn<bool>("withChecks");
    QTest::newRow("with checks") << true;
    QTest::newRow("without checks") << false;
}

// An empty name is always reported; a port that cannot be opened is not
// while the user silenced failures.
void TestSerialPortPanel::openFailuresAreReportedUnlessSilenced()
{
    QFETCH(bool, withChecks);
    PanelForm f(m_dialogs, m_ports.source(), withChecks);
    f.open(QString());
    QVERIFY(!f.panel->isOpen());
    QCOMPARE(m_dialogs.calls.size(), 1);
    QCOMPARE(m_dialogs.calls.at(0).kind, Kind::Information);
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("出错啦！"));
    // The tabs without a silence box give their one long message.
    QCOMPARE(m_dialogs.calls.at(0).text, withChecks ? kNoSuchPort : kOpenFailed);

    m_dialogs.clear();
    f.open(m_dir->filePath("ttyMissing"));
    QCOMPARE(m_dialogs.texts(Kind::Information),
             withChecks ? QStringList() : QStringList{kOpenFailed});
    if (withChecks) {
        f.silenceCheck->setChecked(false);
        f.button->click();
        QCOMPARE(m_dialogs.texts(Kind::Information), QStringList{kOpenFailed});
    }
    QVERIFY(!f.panel->isOpen());
}

void TestSerialPortPanel::unplugClosesOnceAndWarnsUnlessSilenced_data()
{
    QTest::addColumn<bool>("silenced");
    QTest::newRow("silenced") << true;
    QTest::newRow("warning") << false;
}

void TestSerialPortPanel::unplugClosesOnceAndWarnsUnlessSilenced()
{
    QFETCH(bool, silenced);
    PanelForm f(m_dialogs, m_ports.source(), true);
    f.silenceCheck->setChecked(silenced);
    auto device = std::make_unique<PtyPair>();
    f.open(device->slavePath());
    QSignalSpy closed(f.panel, &SerialPortPanel::closed);

    device->unplug();
    QTRY_VERIFY(!f.panel->isOpen());
    QTest::qWait(100);
    QCOMPARE(closed.count(), 1);
    QVERIFY(f.panel->portLost());
    QCOMPARE(f.button->text(), QStringLiteral("打开串口"));
    QCOMPARE(m_dialogs.texts(Kind::Information),
             silenced ? QStringList() : QStringList{kUnplugged});
}

void TestSerialPortPanel::withoutChecksUnplugAlwaysWarnsAndNeverReconnects()
{
    PanelForm f(m_dialogs, m_ports.source(), false);
    Adapter adapter(m_ports, m_dir->path());
    f.scan();
    f.open(adapter.name());
    QVERIFY(f.panel->isOpen());

    adapter.unplug();
    QTRY_COMPARE(m_dialogs.texts(Kind::Information), QStringList{kUnplugged});
    adapter.plugIn();
    f.scan();
    f.scan();
    QVERIFY(!f.panel->isOpen());
}

void TestSerialPortPanel::lostPortReopensOnFirstScanAfterItsNameReturns()
{
    PanelForm f(m_dialogs, m_ports.source(), true);
    Adapter adapter(m_ports, m_dir->path());
    f.scan();
    QCOMPARE(f.portBox->currentText(), adapter.name());
    f.button->click();
    QVERIFY(f.panel->isOpen());
    QCOMPARE(f.panel->lastPortName(), adapter.name());

    adapter.unplug();
    QTRY_VERIFY(f.panel->portLost());
    f.scan(); // the name is gone: nothing to reopen
    QVERIFY(!f.panel->isOpen());

    adapter.plugIn();
    f.scan();
    QVERIFY(f.panel->isOpen());
    QVERIFY(f.panel->portLost()); // a second loss is picked up again
    QCOMPARE(m_dialogs.calls.size(), 0);

    f.link.port()->write("back");
    QCOMPARE(adapter.device().read(4), QByteArray("back"));
}

void TestSerialPortPanel::closingByTheButtonEndsReconnection()
{
    PanelForm f(m_dialogs, m_ports.source(), true);
    Adapter adapter(m_ports, m_dir->path());
    f.scan();
    f.button->click();
    adapter.unplug();
    QTRY_VERIFY(f.panel->portLost());
    adapter.plugIn();
    f.scan();
    QVERIFY(f.panel->isOpen());

    f.button->click();
    QVERIFY(!f.panel->portLost());
    f.scan();
    QVERIFY(!f.panel->isOpen());

    // Nor does a lost port reopen when the user turned reconnection off.
    f.button->click();
    f.relinkCheck->setChecked(false);
    adapter.unplug();
    QTRY_VERIFY(f.panel->portLost());
    adapter.plugIn();
    f.scan();
    QVERIFY(!f.panel->isOpen());
}

void TestSerialPortPanel::anotherAdapterComingOrGoingLeavesAnOpenPortAlone()
{
    PanelForm f(m_dialogs, m_ports.source(), true);
    f.silenceCheck->setChecked(false);
    Adapter adapter(m_ports, m_dir->path());
    f.scan();
    f.button->click();

    m_ports.ports->append(PortEntry{"ttyACM7", "Modem"});
    f.scan();
    m_ports.ports->removeLast();
    f.scan();

    QVERIFY(f.panel->isOpen());
    QVERIFY(!f.panel->portLost());
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestSerialPortPanel::refreshKeepsSelectionsAndNeverClosesAPort()
{
    *m_ports.ports = {{"ttyS0", "Console"}, {"ttyUSB0", "CH340"}, {"ttyUSB1", "CP2102"}};
    PanelForm first(m_dialogs, m_ports.source(), true);
    PanelForm second(m_dialogs, m_ports.source(), false);
    PanelForm opened(m_dialogs, m_ports.source(), true);
    QCOMPARE(first.portBox->count(), 3);
    QCOMPARE(first.portBox->itemData(1).toString(), QStringLiteral("CH340"));
    second.portBox->setCurrentIndex(2);
    QCOMPARE(second.portBox->toolTip(), QStringLiteral("CP2102"));
    PtyPair device;
    opened.open(device.slavePath());

    m_ports.ports->prepend(PortEntry{"ttyACM0", "Modem"});
    for (PanelForm *f : {&first, &second, &opened})
        f->scan();
    QCOMPARE(first.portBox->count(), 4);
    QCOMPARE(first.portBox->currentText(), QStringLiteral("ttyS0"));
    QCOMPARE(second.portBox->currentText(), QStringLiteral("ttyUSB1"));
    QCOMPARE(second.portBox->toolTip(), QStringLiteral("CP2102"));
    QVERIFY(opened.panel->isOpen());
    QCOMPARE(opened.portBox->currentText(), device.slavePath());

    // A selected port that vanishes leaves its combo without a selection.
    m_ports.ports->removeAll(PortEntry{"ttyUSB1", "CP2102"});
    for (PanelForm *f : {&first, &second})
        f->scan();
    QCOMPARE(second.portBox->currentIndex(), -1);
    QCOMPARE(first.portBox->currentText(), QStringLiteral("ttyS0"));
}

void TestSerialPortPanel::changedFriendlyNamesAloneDoNotRefresh()
{
    *m_ports.ports = {{"ttyUSB0", "CH340"}};
    PanelForm f(m_dialogs, m_ports.source(), true);
    (*m_ports.ports)[0].friendlyName = QStringLiteral("Renamed");
    f.scan();
    QCOMPARE(f.portBox->itemData(0).toString(), QStringLiteral("CH340"));
    QCOMPARE(f.portBox->toolTip(), QStringLiteral("CH340"));
}

QTEST_MAIN(TestSerialPortPanel)
#include "test_serialportpanel.moc"
