// The GPS tab end to end without its map: its serial and TCP sources, the
// raw log and the commands an attached device sends. The map's tests are
// in test_gpsmap.cpp.
#include "gpssession.h"
#include "gpstabfixture.h"
#include "ptypair.h"
#include "receiveview.h"
#include "serialportpanel.h"

#include <QCheckBox>
#include <QFile>
#include <QtTest>

#include <memory>

class TestGpsTab : public QObject, GpsTabFixture
{
    Q_OBJECT
private slots:
    void init() { makeTab(); }
    void cleanup() { dropTab(); }

    void serialSourceShowsRawTextOrHexAndParses();
    void longReadIsLoggedAndParsed();
    void receivedMarkupIsShownAsText();
    void logStaysBounded();

    void tcpSourceServesOneClient();
    void dataOfAnotherClientIsDiscarded();
    void tcpTextIsDecodedAsOneStreamPerClient();

    void fileUploadStopsWhenSourceCloses();
};

void TestGpsTab::serialSourceShowsRawTextOrHexAndParses()
{
    PtyPair device;
    child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    QVERIFY(m_tab->panel()->isOpen());
    QVERIFY(!child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());
    QVERIFY(m_tab->gpsSourceActive());

    device.write("$GPVTG,,T,,M,0.016,N,36.0,K,A*27\r\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_seed"), QStringLiteral("10.000m/s"));
    QCOMPARE(label(*m_tab, "label_gps_seed_2"), QStringLiteral("=36.0km/h"));
    QVERIFY(logText(*m_tab).contains("$GPVTG,,T,,M,0.016,N,36.0,K,A*27"));

    child<QCheckBox>(m_tab.get(), "checkBox_gps_re16")->setChecked(true);
    device.write("$GPGSA,A,2*00\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("2D定位"));
    QVERIFY(logText(*m_tab).contains("24 47 50 47 53 41 2C 41 2C 32 2A 30 30 0A "));

    m_tab->gpsSendToDevice("answer");
    QCOMPARE(device.read(6), QByteArray("answer"));

    device.write("$GLGSV,1,1,05*00\r\n$GPGSA,A,");
    QTRY_VERIFY(logText(*m_tab).endsWith("24 47 50 47 53 41 2C 41 2C "));
    QCOMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("05"));
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    QVERIFY(!m_tab->gpsSourceActive());
    QVERIFY(child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());

    // Reopened, nothing of the last session is left: neither the start of a
    // sentence nor the satellites of a system no longer heard.
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    device.write("1*00\r\n$GPGSV,1,1,07*00\r\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("07"));
    QCOMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("2D定位"));
}

void TestGpsTab::longReadIsLoggedAndParsed()
{
    const QByteArray read = QByteArray(2000, 'x') + "$GPGSA,A,3*33";
    m_tab->onSerialBytes(read);
    QVERIFY(logText(*m_tab).contains(QString::fromLatin1(read)));
    QCOMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("3D定位"));
}

void TestGpsTab::receivedMarkupIsShownAsText()
{
    PtyPair device;
    child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    device.write("<b>bold</b> & <img src=x>\n");
    QTRY_VERIFY(logText(*m_tab).contains("<b>bold</b> & <img src=x>"));

    // A number field that is not a number leaves its label as it was.
    m_tab->onSerialBytes("$GPGGA,,,,,,1,07,,183.8,M*00");
    QCOMPARE(label(*m_tab, "label_lgps_high"), QStringLiteral("183.8米"));
    m_tab->onSerialBytes("$GPGGA,,,,,,1,<b>9</b>,,<img src=\"/some/file.png\">,M*00");
    QCOMPARE(label(*m_tab, "label_lgps_high"), QStringLiteral("183.8米"));
    QCOMPARE(label(*m_tab, "label_gps_num"), QStringLiteral("07"));
}

void TestGpsTab::logStaysBounded()
{
    const QString line = QStringLiteral("$GPGGA,143252.00,4002.10513,N,07531.20562,W,1,07*61");
    for (int i = 0; i < 2000; ++i)
        m_tab->onSerialBytes((line + QString::number(i)).toLatin1());
    const QTextEdit *log = child<QTextEdit>(m_tab.get(), "recvEdit_gps");
    // The log keeps 30720 characters of its lines' HTML; the view shows
    // exactly the lines kept, a paragraph each.
    const LineLog &kept = m_tab->logView()->log();
    QVERIFY(kept.charCount() <= 30720);
    QVERIFY(kept.charCount() > 30720 - 500);
    QCOMPARE(log->document()->blockCount(), kept.lineCount());
    QVERIFY(log->toPlainText().endsWith(line + "1999"));
    QVERIFY(!log->toPlainText().contains(line + "0\n"));
    // Whole lines leave: the first one left is complete.
    QVERIFY(log->toPlainText().startsWith(line));

    // One read's thousands of lines keep the same bound, newest last.
    QByteArray uploads;
    for (int i = 0; i < 3000; ++i)
        uploads += "$VCFLE,0,f" + QByteArray::number(i) + "*";
    m_tab->onSerialBytes(uploads);
    QVERIFY(kept.charCount() <= 30720);
    QCOMPARE(log->document()->blockCount(), kept.lineCount());
    QVERIFY(log->toPlainText().endsWith("f2999（0字节）"));
}

void TestGpsTab::tcpSourceServesOneClient()
{
    listen();
    QVERIFY(logText(*m_tab).contains(QStringLiteral("监听成功")));
    QCOMPARE(child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->text(), QStringLiteral("停止"));
    QVERIFY(!child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());

    TcpDevice device(*m_tab);
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知:[127.0.0.1:%1]")
                                             .arg(device.socket.localPort())));
    TcpDevice second(*m_tab);
    QTRY_COMPARE(second.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(logText(*m_tab).count(QStringLiteral("上线通知")), 1);

    device.send("$GPGGA,1,,,,,1,05,1.0,12.5,M*00\r\n");
    QTRY_COMPARE(label(*m_tab, "label_gps_num"), QStringLiteral("05"));
    QVERIFY(logText(*m_tab).contains(QStringLiteral("[127.0.0.1:%1]").arg(device.socket.localPort())));
    QVERIFY(logText(*m_tab).contains("$GPGGA,1,,,,,1,05"));

    device.socket.disconnectFromHost();
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("下线通知")));
    // The place is free again.
    TcpDevice third(*m_tab);
    QTRY_COMPARE(logText(*m_tab).count(QStringLiteral("上线通知")), 2);

    child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->click();
    QVERIFY(!m_tab->tcpServer()->isOpen());
    QVERIFY(logText(*m_tab).contains(QStringLiteral("停止监听成功")));
    QCOMPARE(child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->text(), QStringLiteral("监听"));
    QVERIFY(child<QComboBox>(m_tab.get(), "gps_com")->isEnabled());
    QTRY_COMPARE(third.socket.state(), QAbstractSocket::UnconnectedState);
}

void TestGpsTab::dataOfAnotherClientIsDiscarded()
{
    listen();
    TcpDevice device(*m_tab);
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知")));
    // As if a second client had slipped in: its data must not be parsed.
    emit m_tab->tcpServer()->receivedFrom(4242, "10.0.0.9", 1, "$GPGSA,A,1*00");
    QCOMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("-"));
    device.send("$GPGSA,A,3*00");
    QTRY_COMPARE(label(*m_tab, "label_gps_location"), QStringLiteral("3D定位"));
    QVERIFY(!logText(*m_tab).contains("10.0.0.9"));
}

void TestGpsTab::tcpTextIsDecodedAsOneStreamPerClient()
{
    listen();
    auto device = std::make_unique<TcpDevice>(*m_tab);
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知")));
    // "速度12" in GB18030, its second character split between two reads.
    device->send("\xCB\xD9\xB6");
    QTRY_VERIFY(logText(*m_tab).endsWith(QStringLiteral("速")));
    device->send("\xC8" "12");
    QTRY_VERIFY(logText(*m_tab).endsWith(QStringLiteral("度12")));

    // A client that leaves halfway through a character takes it along, and
    // its satellites with it.
    device->send("$GLGSV,1,1,05*00\r\n\xD6");
    QTRY_COMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("05"));
    device.reset();
    QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("下线通知")));
    TcpDevice next(*m_tab);
    QTRY_COMPARE(logText(*m_tab).count(QStringLiteral("上线通知")), 2);
    next.send("AB$GPGSV,1,1,07*00");
    QTRY_COMPARE(label(*m_tab, "label_gps_num_view"), QStringLiteral("07"));
    QVERIFY(logText(*m_tab).endsWith("AB$GPGSV,1,1,07*00"));
}

void TestGpsTab::fileUploadStopsWhenSourceCloses()
{
    listen();
    {
        TcpDevice device(*m_tab);
        QTRY_VERIFY(logText(*m_tab).contains(QStringLiteral("上线通知")));
        device.send("$VCFLE,100,half.bin*0123456789");
        QTRY_VERIFY(m_tab->session()->uploadInProgress());
        device.socket.disconnectFromHost();
        QTRY_VERIFY(!m_tab->session()->uploadInProgress());
    }
    QVERIFY(!QFile::exists("half.bin"));
    QVERIFY(logText(*m_tab).contains(QStringLiteral("未写入")));

    // The serial source the same way: the adapter is pulled out.
    child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->click();
    child<QComboBox>(m_tab.get(), "gps_com")->setCurrentIndex(0);
    PtyPair device;
    child<QComboBox>(m_tab.get(), "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    device.write("$VCFLE,100,half.bin*0123");
    QTRY_VERIFY(m_tab->session()->uploadInProgress());
    child<QPushButton>(m_tab.get(), "openCloseButton_gps")->click();
    QVERIFY(!m_tab->session()->uploadInProgress());
    QVERIFY(!QFile::exists("half.bin"));
}

QTEST_MAIN(TestGpsTab)
#include "test_gpstab.moc"
