// The serial port over a real pseudo-terminal, and the port enumerator.
#include "devicewatcher.h"
#include "portenumerator.h"
#include "ptypair.h"
#include "serialport.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The line settings the program put on the device, as the kernel has them.
termios deviceSettings(const QString &path)
{
    termios settings{};
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    tcgetattr(fd, &settings);
    ::close(fd);
    return settings;
}

// The kernel's termios2, which carries the rate as a number; glibc's header
// and the kernel's cannot both be included.
struct KernelTermios
{
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};

speed_t deviceRate(const QString &path)
{
    KernelTermios settings{};
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ioctl(fd, _IOR('T', 0x2A, KernelTermios), &settings);
    ::close(fd);
    return settings.c_ospeed;
}

QByteArray pollUntil(SerialPort &port, int expected, int timeoutMs = 2000)
{
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    while (received.size() < expected && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        received += port.readAll();
    }
    return received;
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void bytesTravelBothWays();
    void aLongStreamArrivesWholeAndInOrder();
    void bytesWrittenJustBeforeCloseStillLeave();
    void acceptsNamesUnderDevAndFullPaths();
    void openingAMissingDeviceFails();
    void settingsReachTheDevice_data();
    void settingsReachTheDevice();
    void settingsChangedWhileOpenApplyAtOnce();
    void ratesBeyondTheListReachTheDeviceAndZeroIsRefused();
    void flowControlAndModemLinesReachTheDevice();
    void unplugClosesThePortAndReportsOnce();
    void bytesReceivedJustBeforeUnplugAreKept();
    void enumeratorReportsComingAndGoingDevices();
    void deviceWatcherReportsNodesComingAndGoing_data();
    void deviceWatcherReportsNodesComingAndGoing();
    void byIdLinksAndSerialNumbersTellAdaptersApart();
};

void TestSerialPort::bytesTravelBothWays()
{
    PtyPair device;
    QVERIFY(device.isValid());
    SerialPort port;
    QVERIFY(port.open(device.slavePath()));
    QVERIFY(port.isOpen());

    QCOMPARE(port.write(QByteArray("\x1A\x2B\x00\xFF", 4)), qint64(4));
    QCOMPARE(device.read(4), QByteArray("\x1A\x2B\x00\xFF", 4));

    QByteArray all;
    for (int value = 0; value < 256; ++value)
        all.append(char(value));
    QVERIFY(device.write(all));
    QCOMPARE(pollUntil(port, all.size()), all);
}

// A stream many times what the system holds, taken out in pieces of every
// size while it is still being written, arrives whole and in order.
void TestSerialPort::aLongStreamArrivesWholeAndInOrder()
{
    PtyPair device;
    SerialPort port;
    QVERIFY(port.open(device.slavePath()));
    QByteArray stream(4 << 20, Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32 *>(stream.data()), stream.size() / 4);
    QByteArray received;
    qint64 sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (received.size() < stream.size() && clock.elapsed() < 30000) {
        const ssize_t n = ::write(device.masterFd(), stream.constData() + sent,
                                  size_t(stream.size() - sent));
        sent += std::max<ssize_t>(n, 0);
        QCoreApplication::processEvents();
        if (random.bounded(4) == 0)
            received += port.readAll();
    }
    received += port.readAll();
    QCOMPARE(received.size(), stream.size());
    QVERIFY(received == stream);
}

void TestSerialPort::bytesWrittenJustBeforeCloseStillLeave()
{
    PtyPair device;
    SerialPort port;
    QVERIFY(port.open(device.slavePath()));
    const QByteArray command("AT+CMGS=\"10086\"\r");
    QCOMPARE(port.write(command), qint64(command.size()));
    port.close();
    QCOMPARE(device.read(command.size()), command);
}

void TestSerialPort::acceptsNamesUnderDevAndFullPaths()
{
    QCOMPARE(systemLocationOf(QStringLiteral("ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(systemLocationOf(QStringLiteral("/dev/pts/3")), QStringLiteral("/dev/pts/3"));
    QCOMPARE(systemLocationOf(QStringLiteral("./ttyX")), QStringLiteral("./ttyX"));

    PtyPair device;
    SerialPort port;
    const QString shortName = device.devicePath().mid(int(qstrlen("/dev/")));
    QVERIFY(port.open(shortName));
    QCOMPARE(port.portName(), shortName);
}

void TestSerialPort::openingAMissingDeviceFails()
{
    SerialPort port;
    QVERIFY(!port.open(QStringLiteral("/dev/zentrik-no-such-port")));
    QVERIFY(!port.isOpen());
    QVERIFY(!port.open(QString()));
    QVERIFY(!port.errorString().isEmpty());
}

void TestSerialPort::settingsReachTheDevice_data()
{
    // A pseudo-terminal always reports 8 data bits without parity enabled,
    // whatever was asked; the odd-parity and stop-bit flags do get through.
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<tcflag_t>("expectedFlags");
    QTest::addColumn<tcflag_t>("flagMask");
    const tcflag_t mask = PARODD | CSTOPB;
    QTest::newRow("8N1") << 8 << int(SerialPort::NoParity) << int(SerialPort::OneStop)
                         << tcflag_t(0) << mask;
    QTest::newRow("7O1") << 7 << int(SerialPort::OddParity) << int(SerialPort::OneStop)
                         << tcflag_t(PARODD) << mask;
    QTest::newRow("8E2") << 8 << int(SerialPort::EvenParity) << int(SerialPort::TwoStop)
                         << tcflag_t(CSTOPB) << mask;
    QTest::newRow("5N2") << 5 << int(SerialPort::NoParity) << int(SerialPort::TwoStop)
                         << tcflag_t(CSTOPB) << mask;
}

void TestSerialPort::settingsReachTheDevice()
{
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(tcflag_t, expectedFlags);
    QFETCH(tcflag_t, flagMask);

    PtyPair device;
    SerialPort port;
    port.setDataBits(dataBits);
    port.setParity(parity);
    port.setStopBits(stopBits);
    QVERIFY(port.open(device.slavePath()));
    QCOMPARE(deviceSettings(device.slavePath()).c_cflag & flagMask, expectedFlags);
}

void TestSerialPort::settingsChangedWhileOpenApplyAtOnce()
{
    PtyPair device;
    SerialPort port;
    QVERIFY(port.open(device.slavePath()));
    port.setStopBits(SerialPort::TwoStop);
    QVERIFY(deviceSettings(device.slavePath()).c_cflag & CSTOPB);
    port.setBaudRate(9600);
    const termios settings = deviceSettings(device.slavePath());
    QCOMPARE(cfgetospeed(&settings), speed_t(B9600));

    // Kept for the next open too.
    port.close();
    QVERIFY(port.open(device.slavePath()));
    QVERIFY(deviceSettings(device.slavePath()).c_cflag & CSTOPB);
    QCOMPARE(port.baudRate(), 9600);
}

void TestSerialPort::ratesBeyondTheListReachTheDeviceAndZeroIsRefused()
{
    PtyPair device;
    SerialPort port;
    for (int rate : {460800, 3000000, 250000}) {
        port.setBaudRate(rate);
        QVERIFY(port.open(device.slavePath()));
        QCOMPARE(deviceRate(device.slavePath()), speed_t(rate));
        port.close();
    }
    port.setBaudRate(0);
    QVERIFY(!port.open(device.slavePath()));
    QVERIFY(port.settingRefused());
    QVERIFY(!port.isOpen());
}

void TestSerialPort::flowControlAndModemLinesReachTheDevice()
{
    PtyPair device;
    SerialPort port;
    port.setFlowControl(SerialPort::HardwareFlowControl);
    QVERIFY(port.open(device.slavePath()));
    QVERIFY(deviceSettings(device.slavePath()).c_cflag & CRTSCTS);
    QVERIFY(port.setFlowControl(SerialPort::SoftwareFlowControl));
    const termios software = deviceSettings(device.slavePath());
    QVERIFY(!(software.c_cflag & CRTSCTS));
    QVERIFY(software.c_iflag & IXON);

    // Linux pseudo-terminals have no modem lines: TIOCMGET fails on them, and
    // setting a line must then fail as a refused setting, port still open.
    int lines = 0;
    const int fd = ::open(device.slavePath().toLocal8Bit().constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool hasLines = ioctl(fd, TIOCMGET, &lines) == 0;
    QVERIFY(port.setFlowControl(SerialPort::NoFlowControl));
    const bool dtrSet = port.setDataTerminalReady(true);
    const bool rtsSet = port.setRequestToSend(false);
    if (hasLines) {
        QVERIFY(dtrSet && rtsSet);
        QVERIFY(ioctl(fd, TIOCMGET, &lines) == 0);
        QVERIFY(lines & TIOCM_DTR);
        QVERIFY(!(lines & TIOCM_RTS));
    } else {
        QVERIFY(!dtrSet && !rtsSet);
        QVERIFY(port.settingRefused());
        QVERIFY(port.isOpen());
    }
    ::close(fd);
    port.close();
    QVERIFY(!port.setDataTerminalReady(true));
}

void TestSerialPort::unplugClosesThePortAndReportsOnce()
{
    auto device = std::make_unique<PtyPair>();
    SerialPort port;
    QSignalSpy removed(&port, &SerialPort::deviceRemoved);
    QVERIFY(port.open(device->slavePath()));
    device->unplug();
    QTRY_COMPARE(removed.count(), 1);
    QVERIFY(!port.isOpen());
    // However often the dead handle would have complained, one report only.
    QTest::qWait(100);
    QCOMPARE(removed.count(), 1);
}

void TestSerialPort::bytesReceivedJustBeforeUnplugAreKept()
{
    PtyPair device;
    SerialPort port;
    QSignalSpy removed(&port, &SerialPort::deviceRemoved);
    QVERIFY(port.open(device.slavePath()));
    QVERIFY(device.write("last words"));
    QTest::qWait(50); // let the port take them in, but nobody polls
    device.unplug();
    QTRY_COMPARE(removed.count(), 1);
    QCOMPARE(port.readAll(), QByteArray("last words"));
    QCOMPARE(port.readAll(), QByteArray());
}

void TestSerialPort::enumeratorReportsComingAndGoingDevices()
{
    QList<PortEntry> present{{"ttyUSB0", "USB-Serial"}, {"ttyS0", "Console"}};
    PortEnumerator enumerator([&present] { return present; });
    QSignalSpy discovered(&enumerator, &PortEnumerator::deviceDiscovered);
    QSignalSpy removed(&enumerator, &PortEnumerator::deviceRemoved);

    QCOMPARE(enumerator.ports().size(), 2);
    QCOMPARE(discovered.count() + removed.count(), 0); // what was there at start is no news

    present = {{"ttyS0", "Console"}, {"ttyACM0", "Modem"}};
    QCOMPARE(enumerator.ports(), present);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).value<PortEntry>().name, QStringLiteral("ttyUSB0"));
    QCOMPARE(discovered.count(), 1);
    QCOMPARE(discovered.at(0).at(0).value<PortEntry>().name, QStringLiteral("ttyACM0"));

    present = {{"ttyS0", "Renamed console"}, {"ttyACM0", "Modem"}};
    enumerator.ports();
    QCOMPARE(discovered.count(), 1);
    QCOMPARE(removed.count(), 1);
}

void TestSerialPort::deviceWatcherReportsNodesComingAndGoing_data()
{
    QTest::addColumn<int>("method");
    QTest::newRow("inotify") << int(DeviceDirectoryWatcher::Method::Notify);
    QTest::newRow("poll") << int(DeviceDirectoryWatcher::Method::Poll);
}

void TestSerialPort::deviceWatcherReportsNodesComingAndGoing()
{
    QFETCH(int, method);
    QTemporaryDir dev;
    const QString byId = dev.filePath("serial/by-id");
    DeviceDirectoryWatcher watcher({dev.path(), byId}, DeviceDirectoryWatcher::Method(method));
    QCOMPARE(int(watcher.method()), method);
    QSignalSpy changed(&watcher, &DeviceDirectoryWatcher::changed);

    QVERIFY(QFile(dev.filePath("ttyUSB0")).open(QIODevice::WriteOnly));
    QVERIFY(changed.wait(10000));
    // A directory missing at start is watched once it is there.
    QVERIFY(QDir().mkpath(byId));
    QVERIFY(changed.wait(10000));
    QVERIFY(QFile::link(dev.filePath("ttyUSB0"), byId + "/usb-adapter-port0"));
    QVERIFY(changed.wait(10000));
    QVERIFY(QFile::remove(dev.filePath("ttyUSB0")));
    QVERIFY(changed.wait(10000));
}

void TestSerialPort::byIdLinksAndSerialNumbersTellAdaptersApart()
{
    QTemporaryDir root;
    QDir dir(root.path());
    QVERIFY(dir.mkdir("by-id"));
    for (const char *node : {"ttyUSB0", "ttyUSB1", "by-id/plain-file"})
        QVERIFY(QFile(dir.filePath(node)).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link("../ttyUSB1", dir.filePath("by-id/usb-CH340_A1-if00-port0")));
    QVERIFY(QFile::link("../gone", dir.filePath("by-id/usb-dangling")));
    const QHash<QString, QString> links = portLinksByTarget(dir.filePath("by-id"));
    QCOMPARE(links.size(), 1);
    QCOMPARE(links.value(QFileInfo(dir.filePath("ttyUSB1")).canonicalFilePath()),
             QStringLiteral("usb-CH340_A1-if00-port0"));
    QVERIFY(portLinksByTarget(dir.filePath("missing")).isEmpty());
    QVERIFY(portLinksByTarget(dir.filePath("by-id"), 0).isEmpty());

    PortEntry lost{"ttyUSB0", "USB2.0-Serial"};
    lost.serialNumber = "A1";
    lost.vendorId = 0x1a86;
    lost.productId = 0x7523;
    PortEntry back = lost;
    back.name = "ttyUSB1";
    QVERIFY(lost.sameDevice(back));
    back.productId = 0x55d4; // same serial number, another product
    QVERIFY(!lost.sameDevice(back));
    back.serialNumber.clear();
    QVERIFY(!PortEntry{"ttyUSB0"}.sameDevice(PortEntry{"ttyUSB1"}));
    lost.byIdLink = back.byIdLink = "usb-CH340-if00-port0";
    QVERIFY(lost.sameDevice(back));
}

QTEST_MAIN(TestSerialPort)
#include "test_serialport.moc"
