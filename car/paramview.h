#pragma once

#include "carparams.h"

#include <QTimer>
#include <QVector>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class Dialogs;
class QDoubleSpinBox;
class QSlider;
class QSpinBox;
class QTableWidgetItem;

namespace Ui {
class ParameterView;
}

// The "参数调节" page: the car's tunable values, each with a spin box and a
// slider kept together. A value the user changes goes out to the car at
// most 20 times a second (always its last value), as a line made from the
// template or as a parameter frame; nothing goes out while no source is
// open. Beside each row is the value the car last reported; a row whose
// reported value stays different from the set one for more than a second is
// marked.
class ParameterView : public QWidget
{
    Q_OBJECT
public:
    // Hands bytes to the open source; false, with a reason, when they were
    // not taken.
    using Writer = std::function<bool(const QByteArray &bytes, QString *error)>;
    // How the car reports its values back, after the protocol the tab reads.
    enum class Replies { TextLines, CarFrames, None };
    // How long a reported value may differ from the set one unmarked.
    static constexpr int kMarkAfterMs = 1000;

    explicit ParameterView(Dialogs &dialogs, QWidget *parent = nullptr);
    ~ParameterView() override;

    void setWriter(Writer writer) { m_writer = std::move(writer); }
    void setLinkOpen(bool open);
    // `protocol` names the one that sends no replies, for the page's note.
    void setReplies(Replies replies, const QString &protocol = QString());

    CarParameterSet parameterSet() const { return m_set; }
    void setParameterSet(const CarParameterSet &set);
    // The set last opened or saved; empty if none.
    QString fileName() const { return m_fileName; }
    // The set reopened at start: a file that no longer opens leaves the
    // page empty and says why on the page.
    void reopenFile(const QString &path);

    // What the car reported: labelled values of a text line (names[i] for
    // values[i], those whose bit is set in `labelled`), or the payload of a
    // parameter frame.
    void reportLabelled(const QStringList &names, const double *values, int count,
                        unsigned labelled);
    void reportFrame(const char *payload, int length);

    // The value the car last reported for a row, if any.
    bool reportedValue(int row, double *value) const;
    bool rowMarked(int row) const;

    // The clock the send pacing and the marks go by; tests drive their own.
    void setClock(ParameterClock clock);
    // Marks the rows whose reported value has differed from the set one for
    // more than kMarkAfterMs. Runs every 100 ms while a difference waits.
    void checkMarks();

    void sendAll();

signals:
    // A row's value went out to the car.
    void valueSent(int row, double value);
    // Rows were added, removed, moved or renamed, or another set was opened.
    void rowsChanged();

private:
    struct Reported
    {
        bool known = false;
        double value = 0;
        qint64 differsSince = -1; // m_clock time, or -1 while they agree
        bool marked = false;
    };
    struct RowWidgets
    {
        QDoubleSpinBox *value = nullptr;
        QSlider *slider = nullptr;
        QDoubleSpinBox *minimum = nullptr;
        QDoubleSpinBox *maximum = nullptr;
        QDoubleSpinBox *step = nullptr;
        QSpinBox *decimals = nullptr;
    };

    void rebuildTable();
    void fillRow(int row);
    void createRowWidgets(int row);
    void onNameEdited(QTableWidgetItem *item);
    void onValueChanged(int row, double value);
    void onSliderMoved(int row, int position);
    void onLimitsEdited(int row);
    void addRow();
    void removeRow();
    void moveRow(int by);
    void onModeChosen(int index);
    void onTemplateEdited(const QString &text);
    void openSet();
    void saveSet();

    void send(int row);
    void report(int row, double value);
    void compare(int row);
    void showReported(int row);
    void showNote();
    int currentRow() const;
    int rowNamed(const QString &name) const;

    std::unique_ptr<Ui::ParameterView> ui;
    Dialogs &m_dialogs;
    Writer m_writer;
    CarParameterSet m_set;
    std::vector<Reported> m_reported;
    QVector<RowWidgets> m_widgets;
    ParameterSendPacer m_pacer;
    ParameterClock m_clock = parameterClockMs;
    QTimer m_markTimer;
    QString m_fileName;
    QString m_templateProblem;
    QString m_problem; // the last send or file problem
    bool m_linkOpen = false;
    Replies m_replies = Replies::CarFrames;
    QString m_protocol;
    bool m_filling = false;
};
