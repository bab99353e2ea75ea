// The network pages' logic without a window: auto send.
#include "autosender.h"

#include <QSignalSpy>
#include <QtTest>

class TestNetLog : public QObject
{
    Q_OBJECT
private slots:
    void autoSenderRunsOnlyWhileWantedAndReady();
};

void TestNetLog::autoSenderRunsOnlyWhileWantedAndReady()
{
    AutoSender sender;
    sender.setInterval(5);
    QSignalSpy due(&sender, &AutoSender::due);
    sender.setWanted(true);
    QVERIFY(!sender.isRunning());
    sender.setReady(true);
    QVERIFY(sender.isRunning());
    QTRY_VERIFY(due.count() >= 3);
    sender.setReady(false);
    QVERIFY(!sender.isRunning());
    sender.setReady(true);
    sender.setWanted(false);
    QVERIFY(!sender.isRunning());
}

QTEST_GUILESS_MAIN(TestNetLog)
#include "test_netlog.moc"
