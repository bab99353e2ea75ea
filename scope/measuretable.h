#pragma once

#include <QObject>
#include <QStringList>
#include <QVector>

class QTableWidget;

// The measurement table: rows of texts the page computed, and Ctrl+C on
// the table copying all of it, header included, as tab-separated lines
// that a spreadsheet pastes into cells.
class MeasureTable : public QObject
{
    Q_OBJECT
public:
    explicit MeasureTable(QTableWidget *table);

    // One row per channel, one text per column; cells are reused.
    void setRows(const QVector<QStringList> &rows);
    QString text() const;
    void copy() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableWidget *m_table;
    QVector<int> m_widest; // characters, per column
};
