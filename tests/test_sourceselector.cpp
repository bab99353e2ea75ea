// The source selector on a form of its own: what a capture's header says of
// the chosen source, and that replay and a live source exclude each other.
#include "capturecontrols.h"
#include "ciplineedit.h"
#include "fakeports.h"
#include "scripteddialogs.h"
#include "sourceselector.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QtTest>

namespace {

QSpinBox *portSpin(QWidget *parent, int port)
{
    auto *spin = new QSpinBox(parent);
    spin->setRange(0, 65535);
    spin->setValue(port);
    return spin;
}

// A tab's source controls, as a form would hold them.
struct SourceForm
{
    explicit SourceForm(ScriptedDialogs &dialogs)
    {
        for (int i = 0; i < 4; ++i)
            pages->addWidget(new QWidget(pages));
        portBox->setEditable(true);
        for (QComboBox *box : {portBox, baudBox, bitsBox, parityBox, stopBox})
            box->setParent(&form);
        sources = new SourceSelector(selector, pages, dialogs, &form);
        hostKind->addItems({QStringLiteral("IP"), QStringLiteral("name")});
        hostIp->setText(QStringLiteral("192.168.4.1"));
        for (const char *name : {"串口", "TCP服务器", "TCP客户端", "UDP"})
            selector->addItem(QString::fromUtf8(name));
        sources->addSerial({portBox, baudBox, bitsBox, parityBox, stopBox, serialButton},
                           FakePorts().source());
        sources->addTcpServer({serverButton, {serverPort}, "开始监听", "停止监听", "监听失败"});
        sources->addTcpClient(
            {clientButton, {clientPort}, "连接", "断开", "连接失败"},
            {hostKind, hostIp, new QLineEdit(&form)});
        sources->addUdp({udpButton, {udpPort}, "绑定", "解绑", "绑定失败"});
        CaptureControls::Tab tab;
        tab.name = QStringLiteral("test");
        tab.header = [] { return Capture::Header(); };
        tab.startReplay = [](const Capture::Header &) { return true; };
        tab.endReplay = [] {};
        tab.frameEnd = [] { return std::function<bool(char)>([](char) { return true; }); };
        capture = new CaptureControls(dialogs, QStringLiteral("test_"), tab, &form);
        sources->setCapture(capture);
    }

    QWidget form;
    QComboBox *selector = new QComboBox(&form);
    QStackedWidget *pages = new QStackedWidget(&form);
    QComboBox *portBox = new QComboBox, *baudBox = new QComboBox, *bitsBox = new QComboBox,
              *parityBox = new QComboBox, *stopBox = new QComboBox;
    QPushButton *serialButton = new QPushButton(&form);
    QPushButton *serverButton = new QPushButton(&form);
    QSpinBox *serverPort = portSpin(&form, 0);
    QPushButton *clientButton = new QPushButton(&form);
    QComboBox *hostKind = new QComboBox(&form);
    CIPLineEdit *hostIp = new CIPLineEdit(&form);
    QSpinBox *clientPort = portSpin(&form, 8080);
    QPushButton *udpButton = new QPushButton(&form);
    QSpinBox *udpPort = portSpin(&form, 9000);
    SourceSelector *sources = nullptr;
    CaptureControls *capture = nullptr;
};

} // namespace

class TestSourceSelector : public QObject
{
    Q_OBJECT
private slots:
    void linkDescriptionNamesTheChosenSource();
    void replayAndALiveSourceExcludeEachOther();
};

void TestSourceSelector::linkDescriptionNamesTheChosenSource()
{
    ScriptedDialogs dialogs;
    SourceForm f(dialogs);
    f.portBox->setEditText(QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(f.sources->linkDescription(), QStringLiteral("serial /dev/ttyUSB7 115200 8 无 1"));
    f.serverPort->setValue(8086);
    f.selector->setCurrentIndex(1);
    QCOMPARE(f.pages->currentIndex(), 1);
    QCOMPARE(f.sources->linkDescription(), QStringLiteral("tcp-server 8086"));
    f.selector->setCurrentIndex(2);
    QCOMPARE(f.sources->linkDescription(), QStringLiteral("tcp-client 192.168.4.1:8080"));
    f.selector->setCurrentIndex(3);
    QCOMPARE(f.pages->currentIndex(), 3);
    QCOMPARE(f.sources->linkDescription(), QStringLiteral("udp 9000"));
}

void TestSourceSelector::replayAndALiveSourceExcludeEachOther()
{
    ScriptedDialogs dialogs;
    SourceForm f(dialogs);
    auto *replayOpen = f.form.findChild<QPushButton *>(QStringLiteral("test_replay_open"));
    QVERIFY(replayOpen);
    f.selector->setCurrentIndex(1);
    f.serverButton->click();
    QVERIFY(f.sources->sourceOpen());
    QVERIFY(!f.selector->isEnabled());
    QVERIFY(!f.serverPort->isEnabled());
    QVERIFY(!replayOpen->isEnabled());
    QVERIFY(!f.sources->startReplay());
    QCOMPARE(dialogs.texts(ScriptedDialogs::Kind::Critical),
             QStringList{QStringLiteral("请先关闭当前的数据源")});

    f.serverButton->click();
    QVERIFY(f.selector->isEnabled());
    QVERIFY(replayOpen->isEnabled());
    QVERIFY(f.sources->startReplay());
    QVERIFY(!f.selector->isEnabled());
    QVERIFY(!f.pages->isEnabled());
    f.sources->endReplay();
    QVERIFY(f.selector->isEnabled());
    QVERIFY(f.pages->isEnabled());
    QCOMPARE(dialogs.count(ScriptedDialogs::Kind::Critical), 1);
}

QTEST_MAIN(TestSourceSelector)
#include "test_sourceselector.moc"
