#include "measuretable.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTableWidget>

MeasureTable::MeasureTable(QTableWidget *table)
    : QObject(table)
    , m_table(table)
{
    m_table->resizeColumnsToContents();
    m_table->installEventFilter(this);
}

void MeasureTable::setRows(const QVector<QStringList> &rows)
{
    bool resize = rows.size() != m_table->rowCount();
    m_table->setRowCount(rows.size());
    const int columns = m_table->columnCount();
    m_widest.resize(columns);
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < columns; ++column) {
            const QString text = rows[row].value(column);
            if (text.size() > m_widest[column]) {
                m_widest[column] = text.size();
                resize = true;
            }
            QTableWidgetItem *cell = m_table->item(row, column);
            if (!cell) {
                cell = new QTableWidgetItem;
                cell->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                                   : Qt::AlignRight | Qt::AlignVCenter);
                m_table->setItem(row, column, cell);
            }
            if (cell->text() != text)
                cell->setText(text);
        }
    }
    // Columns grow to the longest text they held, never shrink: values
    // change every redraw and the widths would jitter with them.
    if (resize)
        m_table->resizeColumnsToContents();
}

QString MeasureTable::text() const
{
    QStringList lines;
    QStringList cells;
    for (int column = 0; column < m_table->columnCount(); ++column)
        cells.append(m_table->horizontalHeaderItem(column)->text());
    lines.append(cells.join(QLatin1Char('\t')));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        cells.clear();
        for (int column = 0; column < m_table->columnCount(); ++column) {
            const QTableWidgetItem *cell = m_table->item(row, column);
            cells.append(cell ? cell->text() : QString());
        }
        lines.append(cells.join(QLatin1Char('\t')));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void MeasureTable::copy() const
{
    QApplication::clipboard()->setText(text());
}

bool MeasureTable::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copy();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
