// The console's receive view and receive file on real widgets and files.
#include "receivefileswitch.h"
#include "receiveview.h"
#include "scripteddialogs.h"
#include "testfiles.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestReceiveView : public QObject
{
    Q_OBJECT
private slots:
    void streamIsDrawnLaterBoundedAndNewestLast();
    void linesLeaveWholeFromTheTopAndArriveInRedrawSizedGroups();
    void receiveFileReachesTheDiskWithinASecond();
};

void TestReceiveView::streamIsDrawnLaterBoundedAndNewestLast()
{
    QTextEdit edit;
    ReceiveView view(&edit, ReceiveView::Kind::Stream, 100, nullptr);
    QVERIFY(!view.redrawPending());
    view.append(QStringLiteral("OK\r\n"));
    view.append(QStringLiteral("\n[09:05:07]"));
    QVERIFY(edit.toPlainText().isEmpty());
    QVERIFY(view.redrawPending());
    QTRY_COMPARE(edit.toPlainText(), QStringLiteral("OK\n\n[09:05:07]"));
    QVERIFY(!view.redrawPending());

    // Pieces of 10 characters: the document drops the oldest ones with the
    // log and never holds more than it.
    for (int i = 0; i < 50; ++i) {
        view.append(QStringLiteral("%1\n").arg(i, 9, 10, QLatin1Char('0')));
        if (i % 7 == 0)
            view.redrawNow();
    }
    view.redrawNow();
    QCOMPARE(edit.toPlainText(), QStringLiteral("000000040\n000000041\n000000042\n000000043\n"
                                                "000000044\n000000045\n000000046\n000000047\n"
                                                "000000048\n000000049\n"));
    // A piece longer than the whole log keeps its end.
    view.append(QString(150, QLatin1Char('x')) + QStringLiteral("END"));
    view.redrawNow();
    QCOMPARE(edit.toPlainText(), QString(97, QLatin1Char('x')) + QStringLiteral("END"));
    view.clear();
    view.appendLine(QStringLiteral("AT"));
    view.appendLine(QStringLiteral("ATI"));
    view.redrawNow();
    QCOMPARE(edit.toPlainText(), QStringLiteral("AT\nATI"));
    QVERIFY(!edit.document()->isUndoRedoEnabled());
}

void TestReceiveView::linesLeaveWholeFromTheTopAndArriveInRedrawSizedGroups()
{
    QTextEdit edit;
    ReceiveView view(&edit, ReceiveView::Kind::Lines, 40, nullptr);
    view.setCharsPerRedraw(20);
    const auto line = [](int number) { return QStringLiteral("<b>%1</b>").arg(number, 2, 10, QLatin1Char('0')); };
    // Lines of 9 characters: the log keeps the newest four; a redraw adds
    // lines until 20 characters have gone in, the rest wait for the next.
    for (int i = 0; i < 6; ++i)
        view.append(line(i));
    view.redrawNow();
    QCOMPARE(edit.toPlainText(), QStringLiteral("02\n03\n04"));
    QVERIFY(view.redrawPending());
    QTRY_COMPARE(edit.toPlainText(), QStringLiteral("02\n03\n04\n05"));
    view.append(line(6));
    view.append(line(7));
    view.redrawNow();
    QCOMPARE(edit.toPlainText(), QStringLiteral("04\n05\n06\n07"));
    QCOMPARE(edit.document()->blockCount(), 4);
    QVERIFY(!view.redrawPending());

    view.setCharsPerRedraw(-1);
    view.append(QStringLiteral("<i>c</i><br>d"));
    view.redrawNow();
    QCOMPARE(edit.toPlainText(), QStringLiteral("05\n06\n07\nc\nd"));
    view.append(QString(40, QLatin1Char('e')));
    view.redrawNow();
    QCOMPARE(edit.toPlainText(), QString(40, QLatin1Char('e')));

    // A plain edit with a block limit of its own has cut from the top
    // already: only the rest of a dropped piece goes.
    QPlainTextEdit plain;
    plain.setMaximumBlockCount(2);
    ReceiveView limited(&plain, ReceiveView::Kind::Stream, 8, nullptr);
    limited.append(QStringLiteral("a\nb\nc\n"));
    limited.redrawNow();
    limited.append(QStringLiteral("de"));
    limited.redrawNow();
    limited.append(QStringLiteral("f"));
    limited.redrawNow();
    QCOMPARE(plain.toPlainText(), QStringLiteral("def"));
}

// Written bytes reach the disk within a second, however quiet the line
// stays afterwards, and the timer stops once they have.
void TestReceiveView::receiveFileReachesTheDiskWithinASecond()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("rx.bin");
    QWidget form;
    auto *check = new QCheckBox(&form);
    auto *edit = new QLineEdit(path, &form);
    ScriptedDialogs dialogs;
    ReceiveFileSwitch file(check, edit, dialogs, &form);
    check->setChecked(true);
    QVERIFY(file.isOpen());
    QElapsedTimer clock;
    clock.start();
    file.write("+CSQ: 16,0\r\n");
    QVERIFY(file.hasUnflushedBytes());
    QTRY_COMPARE_WITH_TIMEOUT(contentOf(path), QByteArray("+CSQ: 16,0\r\n"), 1500);
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!file.hasUnflushedBytes());
    QVERIFY(file.findChildren<QTimer *>().first()->isActive() == false);
    QVERIFY(dialogs.calls.isEmpty());
}

QTEST_MAIN(TestReceiveView)
#include "test_receiveview.moc"
