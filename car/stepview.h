#pragma once

#include "stepresponse.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <memory>
#include <optional>

class Dialogs;
class ParameterView;
class ScopeView;

namespace Ui {
class StepView;
}

// The "阶跃响应" page: steps of a set-point, found in the oscilloscope's
// samples or in the values the parameter page sends, each measured against
// a response channel beside the parameters that were in force.
//
// The analysis follows the oscilloscope's redraws, so it runs at their pace
// while samples arrive and not at all while none do.
class StepView : public QWidget
{
    Q_OBJECT
public:
    // The table's columns, newest step first.
    enum Column {
        StartColumn,
        FromColumn,
        ToColumn,
        DelayColumn,
        RiseColumn,
        OvershootColumn,
        SettlingColumn,
        ErrorColumn,
        ParametersColumn,
        ColumnCount
    };

    StepView(Dialogs &dialogs, ScopeView &scope, ParameterView &parameters,
             QWidget *parent = nullptr);
    ~StepView() override;

    const StepAnalyzer &analyzer() const { return m_analyzer; }

signals:
    // A step of the table was put on the oscilloscope.
    void stepShown();

private:
    void fillSetpointChoices();
    void fillResponseChoices();
    void applySettings();
    void analyse();
    void onValueSent(int row, double value);
    void addPendingStep();
    QString sentParameters() const;
    void refreshTable();
    void rebuildTable();
    void fillRow(int tableRow, const Step &step);
    void growColumns(const QStringList &texts);
    QStringList rowTexts(const Step &step) const;
    QString timeText(const std::optional<double> &samples) const;
    void showMarks();
    void showStep(int tableRow);
    void exportTable();
    void clearSteps();

    std::unique_ptr<Ui::StepView> ui;
    Dialogs &m_dialogs;
    ScopeView &m_scope;
    ParameterView &m_parameters;
    StepAnalyzer m_analyzer;
    QHash<QString, double> m_sent; // the value last sent, by row name
    struct PendingStep
    {
        quint64 at = 0;
        double from = 0;
        double to = 0;
    };
    std::optional<PendingStep> m_pendingStep; // handed over once the other rows are sent
    // The starts of the steps the table shows, oldest first (its last row
    // first), and whether the newest was open when shown.
    std::deque<quint64> m_shownStarts;
    bool m_newestShownOpen = false;
    std::optional<double> m_shownRate; // the sample rate the rows' times were written with
};
