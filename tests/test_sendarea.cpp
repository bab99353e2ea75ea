// The send area on a bare form of its own, no main window: what typed text
// and hex become, when timed and cycle send fire, and what a send that did
// not go out leaves alone.
#include "sendarea.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// A form with a send edit, its boxes and three presets with their own
// newline and auto-clear boxes, all in one column.
struct Form
{
    Form()
    {
        auto *column = new QVBoxLayout(&widget);
        const auto add = [column](QWidget *w) {
            column->addWidget(w);
            return w;
        };
        area.edit = static_cast<QPlainTextEdit *>(add(new QPlainTextEdit));
        area.hex = static_cast<QCheckBox *>(add(new QCheckBox));
        area.send = static_cast<QPushButton *>(add(new QPushButton));
        area.clear = static_cast<QPushButton *>(add(new QPushButton));
        area.newLine = static_cast<QCheckBox *>(add(new QCheckBox));
        area.autoClear = static_cast<QCheckBox *>(add(new QCheckBox));
        area.timer = static_cast<QCheckBox *>(add(new QCheckBox));
        area.timerMs = static_cast<QSpinBox *>(add(new QSpinBox));
        area.timerMs->setRange(1, 999999);
        for (int i = 0; i < 3; ++i)
            presets.lines.append({static_cast<QLineEdit *>(add(new QLineEdit)),
                                  static_cast<QCheckBox *>(add(new QCheckBox)),
                                  static_cast<QPushButton *>(add(new QPushButton))});
        presets.newLine = static_cast<QCheckBox *>(add(new QCheckBox));
        presets.autoClear = static_cast<QCheckBox *>(add(new QCheckBox));
        presets.cycle = static_cast<QPushButton *>(add(new QPushButton));
        presets.cycleMs = static_cast<QSpinBox *>(add(new QSpinBox));
        presets.cycleMs->setRange(1, 999999);
        sendArea = std::make_unique<SendArea>(
            QStringLiteral("t_"), area, presets,
            [this](const QByteArray &bytes, SendArea::Source) {
                if (linkTakes)
                    written.append(bytes);
                return linkTakes;
            },
            nullptr);
    }
    QLabel *note() const { return widget.findChild<QLabel *>(QStringLiteral("t_sendNote")); }

    QWidget widget;
    SendArea::Widgets area;
    SendArea::Presets presets;
    std::unique_ptr<SendArea> sendArea;
    QList<QByteArray> written;
    bool linkTakes = true;
};

} // namespace

class TestSendArea : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<SendArea::Refusal>(); }
    void typedTextBecomesBytesAndOnlyASendThatWentClearsIt();
    void partialHexSendsWhatTheConversionKeepsAndNamesTheRest();
    void timedSendKeepsItsIntervalAndRunsOnlyWhileWantedAndReady();
    void cycleVisitsThePresetsInOrderAndPausesWhileNotReady();
};

void TestSendArea::typedTextBecomesBytesAndOnlyASendThatWentClearsIt()
{
    Form form;
    form.area.edit->setPlainText(QStringLiteral("中"));
    form.area.autoClear->setChecked(true);
    form.sendArea->timerTick();
    QVERIFY(form.written.isEmpty()); // nothing to send to yet
    QVERIFY(!form.area.send->isEnabled());
    QVERIFY(!form.presets.lines[0].send->isEnabled());

    form.sendArea->setReady(true);
    QVERIFY(form.area.send->isEnabled() && form.presets.cycle->isEnabled());
    form.linkTakes = false;
    form.area.send->click();
    QCOMPARE(form.area.edit->toPlainText(), QStringLiteral("中"));
    form.linkTakes = true;
    form.area.newLine->setChecked(true);
    form.area.send->click();
    QCOMPARE(form.written, QList<QByteArray>{"\xD6\xD0\r\n"});
    QVERIFY(form.area.edit->toPlainText().isEmpty());

    // An empty source is refused, not even a newline goes out.
    QSignalSpy refused(form.sendArea.get(), &SendArea::refused);
    form.area.send->click();
    QCOMPARE(refused.count(), 1);
    QCOMPARE(form.written.size(), 1);

    // A preset: its own hex box, the presets' newline and clear boxes.
    form.presets.lines[1].edit->setText(QStringLiteral("41 42"));
    form.presets.lines[1].hex->setChecked(true);
    form.presets.autoClear->setChecked(true);
    form.presets.lines[1].send->click();
    QCOMPARE(form.written.last(), QByteArray("AB"));
    QVERIFY(form.presets.lines[1].edit->text().isEmpty());
}

void TestSendArea::partialHexSendsWhatTheConversionKeepsAndNamesTheRest()
{
    Form form;
    form.sendArea->setReady(true);
    form.area.hex->setChecked(true);
    form.area.newLine->setChecked(true);
    QVERIFY(form.note() && !form.note()->isVisibleTo(&form.widget));

    form.area.edit->setPlainText(QStringLiteral("01 XY 02"));
    form.area.send->click();
    QCOMPARE(form.written.last(), QByteArray("\x01\r\n"));
    QVERIFY(form.note()->isVisibleTo(&form.widget));
    QCOMPARE(form.note()->text(), QStringLiteral("已忽略非十六进制内容：XY 02"));
    QCOMPARE(form.note()->textFormat(), Qt::PlainText);

    // A lone last digit is named too; whole hex hides the note again.
    form.area.edit->setPlainText(QStringLiteral("1A 2B 3"));
    form.area.send->click();
    QCOMPARE(form.written.last(), QByteArray("\x1A\x2B\r\n"));
    QCOMPARE(form.note()->text(), QStringLiteral("已忽略非十六进制内容：3"));
    form.area.edit->setPlainText(QStringLiteral("1a2b "));
    form.area.send->click();
    QCOMPARE(form.written.last(), QByteArray("\x1A\x2B\r\n"));
    QVERIFY(!form.note()->isVisibleTo(&form.widget));

    // Where nothing converts, a page that refuses sends nothing at all.
    form.sendArea->setRefusesEmptyHex(true);
    QSignalSpy refused(form.sendArea.get(), &SendArea::refused);
    form.area.edit->setPlainText(QStringLiteral("<b>x</b>") + QString(500, QLatin1Char('z')));
    form.area.send->click();
    QCOMPARE(form.written.size(), 3);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.first().first().value<SendArea::Refusal>(), SendArea::Refusal::NoHex);
    QVERIFY(form.note()->text().startsWith(QStringLiteral("已忽略非十六进制内容：<b>x</b>zz")));
    QVERIFY(form.note()->text().size() < 100);
}

void TestSendArea::timedSendKeepsItsIntervalAndRunsOnlyWhileWantedAndReady()
{
    Form form;
    form.area.edit->setPlainText(QStringLiteral("T"));
    form.area.timerMs->setValue(300);
    form.area.timer->setChecked(true);
    QVERIFY(!form.sendArea->timedSendRunning());
    QElapsedTimer clock;
    clock.start();
    form.sendArea->setReady(true);
    QVERIFY(form.sendArea->timedSendRunning());
    QTest::qWait(50);
    if (clock.elapsed() < 250)
        QVERIFY(form.written.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!form.written.isEmpty(), 5000);
    const qint64 firstAfter = clock.elapsed();
    QVERIFY2(firstAfter >= 250 && firstAfter < 800, qPrintable(QString::number(firstAfter)));

    // A new interval is taken at once, also while the timer runs.
    form.area.timerMs->setValue(999999);
    const int sent = form.written.size();
    QTest::qWait(400);
    QCOMPARE(form.written.size(), sent);
    form.area.timerMs->setValue(5);
    QTRY_VERIFY(form.written.size() >= sent + 3);

    form.sendArea->setReady(false);
    QVERIFY(!form.sendArea->timedSendRunning());
    form.sendArea->setReady(true);
    QVERIFY(form.sendArea->timedSendRunning());
    form.area.timer->setChecked(false);
    QVERIFY(!form.sendArea->timedSendRunning());
}

void TestSendArea::cycleVisitsThePresetsInOrderAndPausesWhileNotReady()
{
    Form form;
    const auto line = [&form](int i) { return form.presets.lines[i].edit; };
    line(0)->setText(QStringLiteral("A"));
    line(2)->setText(QStringLiteral("C"));
    form.sendArea->setReady(true);
    form.presets.cycleMs->setValue(999999); // the test drives the ticks
    form.presets.cycle->click();
    QCOMPARE(form.presets.cycle->text(), QStringLiteral("停止"));

    form.sendArea->cycleTick();
    QVERIFY(!line(0)->isEnabled());
    form.sendArea->cycleTick(); // the empty preset: greyed, nothing sent
    QVERIFY(line(0)->isEnabled() && !line(1)->isEnabled());
    form.sendArea->cycleTick();
    form.sendArea->cycleTick(); // wraps to the first again
    QVERIFY(line(2)->isEnabled() && !line(0)->isEnabled());
    QCOMPARE(form.written, (QList<QByteArray>{"A", "C", "A"}));

    // Not ready, the cycle waits; ready again, it goes on at its pace.
    form.presets.cycleMs->setValue(2);
    form.sendArea->setReady(false);
    QTest::qWait(50);
    QCOMPARE(form.written.size(), 3);
    QCOMPARE(form.presets.cycle->text(), QStringLiteral("停止"));
    form.sendArea->setReady(true);
    QTRY_VERIFY(form.written.size() >= 6);

    form.presets.cycle->click();
    QCOMPARE(form.presets.cycle->text(), QStringLiteral("循环发送"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(line(i)->isEnabled());
    const int sent = form.written.size();
    QTest::qWait(50);
    QCOMPARE(form.written.size(), sent);
}

QTEST_MAIN(TestSendArea)
#include "test_sendarea.moc"
