// The car tab's step response page against the device simulator on a
// pseudo-terminal: the simulator's set-point steps on its own, its speed
// follows with the damping the gains sent from the parameter page give, and
// each step's row names the gains it ran with.
#include "cartab.h"
#include "fakeports.h"
#include "paramview.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "simulatorprocess.h"
#include "stepview.h"
#include "widgetlookup.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

CarParameterSet gains(double kp)
{
    CarParameterSet set;
    set.rows.append({QStringLiteral("kp"), kp, 0, 10, 0.05, 2});
    set.rows.append({QStringLiteral("kd"), 0.5, 0, 10, 0.05, 2});
    return set;
}

} // namespace

class TestStepView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void gainsSentFromTheParameterPageNameTheStepsTheyShape();
    void aSetPointRowSentStartsAStepFromTheValueSentBefore();

private:
    void openOnSimulator(SimulatorProcess &sim)
    {
        QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                           {"car", "--protocol", "car", "--send", "scope", "--channels", "2",
                            "--sample-type", "float", "--fps", "1000", "--step-every", "200"}),
                 qPrintable(sim.error()));
        widget<QSpinBox>("car_ware_num")->setValue(2);
        widget<QComboBox>("car_ware_type")->setCurrentIndex(6); // float
        widget<QComboBox>("car_portBox")->setEditText(sim.portPath());
        widget<QPushButton>("car_OpenCloseButton")->click();
        QVERIFY(m_tab->sourceOpen());
    }
    template <typename T>
    T *widget(const char *name)
    {
        return child<T>(m_tab.get(), QString::fromLatin1(name));
    }
    QString cell(int row, int column)
    {
        const QTableWidgetItem *item = widget<QTableWidget>("car_step_table")->item(row, column);
        return item ? item->text() : QString();
    }
    // The overshoot of a step below the newest (so measured to its end)
    // whose parameters are `parameters`, if the table has one.
    std::optional<double> closedOvershoot(const QString &parameters)
    {
        auto *table = widget<QTableWidget>("car_step_table");
        for (int row = 1; row < table->rowCount(); ++row) {
            if (cell(row, StepView::ParametersColumn) == parameters) {
                QString text = cell(row, StepView::OvershootColumn);
                text.chop(1); // '%'
                return text.toDouble();
            }
        }
        return std::nullopt;
    }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<CarTab> m_tab;
};

void TestStepView::init()
{
    m_dialogs.clear();
    m_tab = std::make_unique<CarTab>(m_dialogs, m_ports.source());
}

void TestStepView::cleanup()
{
    m_tab.reset();
}

void TestStepView::gainsSentFromTheParameterPageNameTheStepsTheyShape()
{
    SimulatorProcess sim;
    openOnSimulator(sim);

    // Damping kd / √kp: 0.5 with kp 1, 0.25 with kp 4.
    m_tab->parameterView()->setParameterSet(gains(1));
    widget<QPushButton>("car_param_sendAll")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closedOvershoot(QStringLiteral("kp=1.00 kd=0.50")), 20000);
    m_tab->parameterView()->setParameterSet(gains(4));
    widget<QPushButton>("car_param_sendAll")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closedOvershoot(QStringLiteral("kp=4.00 kd=0.50")), 20000);
    const double gentle = *closedOvershoot(QStringLiteral("kp=1.00 kd=0.50"));
    const double lively = *closedOvershoot(QStringLiteral("kp=4.00 kd=0.50"));
    QVERIFY2(gentle > 5 && lively > gentle * 1.5,
             qPrintable(QStringLiteral("%1 %2").arg(gentle).arg(lively)));
    QCOMPARE(widget<QTableWidget>("car_step_table")->horizontalHeaderItem(6)->text(),
             QStringLiteral("调节时间"));

    // A row clicked holds the oscilloscope on its step.
    auto *table = widget<QTableWidget>("car_step_table");
    emit table->cellClicked(1, 0);
    QVERIFY(m_tab->scopeView()->isHeld());
    QCOMPARE(widget<QTabWidget>("car_tabWidget")->currentWidget()->objectName(),
             QStringLiteral("car_ware_tab"));

    // The export holds the header and every row, newest first.
    widget<QPushButton>("car_OpenCloseButton")->click();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("steps.csv"));
    m_dialogs.fileAnswers.enqueue(path);
    widget<QPushButton>("car_step_export")->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), table->rowCount() + 2); // and the empty piece after the last line
    QVERIFY(lines[1].endsWith(cell(0, StepView::ParametersColumn).toLatin1()));

    widget<QPushButton>("car_step_clear")->click();
    QCOMPARE(table->rowCount(), 0);
}

// A value sent for the set-point row starts a step from the one sent before
// (the first one has nothing before it: the car had not reported yet), and
// the step names every row "全部发送" sent with it.
void TestStepView::aSetPointRowSentStartsAStepFromTheValueSentBefore()
{
    SimulatorProcess sim;
    openOnSimulator(sim);
    CarParameterSet set = gains(1);
    set.rows.prepend({QStringLiteral("speed"), 120, 0, 300, 1, 0});
    m_tab->parameterView()->setParameterSet(set);
    auto *setpoint = widget<QComboBox>("car_step_setpoint");
    setpoint->setCurrentIndex(setpoint->findText(QStringLiteral("speed")));

    widget<QPushButton>("car_param_sendAll")->click();
    double reported = 0;
    QTRY_VERIFY_WITH_TIMEOUT(m_tab->parameterView()->reportedValue(0, &reported), 5000);
    auto *table = widget<QTableWidget>("car_step_table");
    QCOMPARE(table->rowCount(), 0);

    set.rows[0].value = 90;
    set.rows[1].value = 2; // kp, sent after speed
    m_tab->parameterView()->setParameterSet(set);
    widget<QPushButton>("car_param_sendAll")->click();
    QTRY_COMPARE(table->rowCount(), 1);
    QCOMPARE(cell(0, StepView::FromColumn), QStringLiteral("120"));
    QCOMPARE(cell(0, StepView::ToColumn), QStringLiteral("90"));
    QCOMPARE(cell(0, StepView::ParametersColumn), QStringLiteral("speed=90 kp=2.00 kd=0.50"));
}

QTEST_MAIN(TestStepView)
#include "test_stepview.moc"
