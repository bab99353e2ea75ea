// The four-field IPv4 edit as a user types into it.
#include "ciplineedit.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest>

namespace {

// Keys go where the focus is, as they would from a keyboard.
void type(const QString &keys)
{
    for (const QChar c : keys)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

void press(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

} // namespace

class TestCIPLineEdit : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void dotsMoveOnAndFieldsRefuseWhatIsNoOctet();
    void arrowsCrossFieldsOnlyAtTheirEdges();
    void setTextKeepsOnlyOctets();

private:
    QLineEdit *field(int index) const { return m_edit->findChildren<QLineEdit *>().at(index); }

    std::unique_ptr<CIPLineEdit> m_edit;
};

void TestCIPLineEdit::init()
{
    m_edit = std::make_unique<CIPLineEdit>();
    m_edit->show();
    QApplication::setActiveWindow(m_edit.get());
    QVERIFY(QTest::qWaitForWindowActive(m_edit.get()));
    m_edit->setFocus();
    QCOMPARE(QApplication::focusWidget(), field(0));
}

void TestCIPLineEdit::cleanup()
{
    m_edit.reset();
}

void TestCIPLineEdit::dotsMoveOnAndFieldsRefuseWhatIsNoOctet()
{
    QSignalSpy changes(m_edit.get(), &CIPLineEdit::textChanged);
    type("192.168.1.10");
    QCOMPARE(m_edit->text(), QStringLiteral("192.168.1.10"));
    QVERIFY(m_edit->isComplete());
    QCOMPARE(changes.last().first().toString(), QStringLiteral("192.168.1.10"));

    m_edit->setText({});
    m_edit->setFocus();
    type("256");
    QCOMPARE(field(0)->text(), QStringLiteral("25"));
    type("a-x 9");
    QCOMPARE(field(0)->text(), QStringLiteral("25"));
    type("5.1000");
    QCOMPARE(m_edit->text(), QStringLiteral("255.100.."));
    QVERIFY(!m_edit->isComplete());
}

void TestCIPLineEdit::arrowsCrossFieldsOnlyAtTheirEdges()
{
    type("10.20");
    QCOMPARE(QApplication::focusWidget(), field(1));
    press(Qt::Key_Left);
    QCOMPARE(QApplication::focusWidget(), field(1));
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    QCOMPARE(QApplication::focusWidget(), field(0));
    QCOMPARE(field(0)->cursorPosition(), 2);
    press(Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), field(1));
    QCOMPARE(field(1)->cursorPosition(), 0);
    press(Qt::Key_End);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), field(3));
    type(".7");
    QCOMPARE(m_edit->text(), QStringLiteral("10.20..7"));
}

void TestCIPLineEdit::setTextKeepsOnlyOctets()
{
    m_edit->setText(QStringLiteral("127.0.0.1"));
    QCOMPARE(m_edit->text(), QStringLiteral("127.0.0.1"));
    m_edit->setText(QStringLiteral("1.2.300.x"));
    QCOMPARE(m_edit->text(), QStringLiteral("1.2.."));
    m_edit->setText(QStringLiteral("8.8"));
    QCOMPARE(m_edit->text(), QStringLiteral("8.8.."));
}

QTEST_MAIN(TestCIPLineEdit)
#include "test_ciplineedit.moc"
