#include "receiveview.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

ReceiveView::ReceiveView(QTextEdit *view, Kind kind, int charLimit, QObject *parent)
    : ReceiveView(view->document(), kind, charLimit, parent)
{
    m_textEdit = view;
}

ReceiveView::ReceiveView(QPlainTextEdit *view, Kind kind, int charLimit, QObject *parent)
    : ReceiveView(view->document(), kind, charLimit, parent)
{
    m_plainEdit = view;
}

ReceiveView::ReceiveView(QTextDocument *document, Kind kind, int charLimit, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_redrawTimer(new QTimer(this))
    , m_kind(kind)
    , m_log(charLimit)
{
    document->setUndoRedoEnabled(false);
    m_redrawTimer->setSingleShot(true);
    m_redrawTimer->setInterval(kRedrawMs);
    connect(m_redrawTimer, &QTimer::timeout, this, &ReceiveView::redraw);
}

void ReceiveView::append(const QString &piece)
{
    store(piece);
    scheduleRedraw();
}

void ReceiveView::store(const QString &piece)
{
    if (m_kind == Kind::Stream && piece.size() > m_log.charLimit()) {
        QString end = piece.right(m_log.charLimit());
        if (end.at(0).isLowSurrogate())
            end.remove(0, 1);
        m_log.append(end);
    } else {
        m_log.append(piece);
    }
}

void ReceiveView::appendLine(const QString &text)
{
    append(m_log.isEmpty() ? text : QLatin1Char('\n') + text);
}

void ReceiveView::clear()
{
    m_log.clear();
    if (m_textEdit)
        m_textEdit->clear();
    else
        m_plainEdit->clear();
    m_shownFrom = m_shownTo = m_log.endNumber();
    m_spans.clear();
    m_shownLength = 0;
    m_document = m_textEdit ? m_textEdit->document() : m_plainEdit->document();
}

void ReceiveView::showOnly(const QString &text)
{
    if (!m_plainEdit) {
        clear();
        append(text);
        redrawNow();
        return;
    }
    // A plain edit lays a large text out fastest when given it whole.
    m_redrawTimer->stop();
    m_log.clear();
    store(text);
    m_plainEdit->setPlainText(m_log.line(m_log.firstNumber()));
    m_spans.assign(1, m_document->characterCount() - 1);
    m_shownLength = m_spans.back();
    m_shownFrom = m_log.firstNumber();
    m_shownTo = m_log.endNumber();
    followEnd();
}

void ReceiveView::countersChanged()
{
    scheduleRedraw();
}

void ReceiveView::redrawNow()
{
    redraw();
}

bool ReceiveView::redrawPending() const
{
    return m_redrawTimer->isActive();
}

void ReceiveView::scheduleRedraw()
{
    if (!m_redrawTimer->isActive())
        m_redrawTimer->start();
}

void ReceiveView::redraw()
{
    m_redrawTimer->stop();
    if (m_countersLabel)
        m_countersLabel->setText(trafficText(m_counters.received, m_counters.sent));
    if (m_shownFrom == m_log.firstNumber() && m_shownTo == m_log.endNumber())
        return;
    dropGoneLines();
    QTextCursor cursor(m_document);
    cursor.movePosition(QTextCursor::End);
    // One edit for all the new pieces: the document is laid out (and a
    // block limit applied) once, not after every piece.
    cursor.beginEditBlock();
    showNewLines(cursor);
    cursor.endEditBlock();
    followEnd();
    if (m_shownTo < m_log.endNumber())
        scheduleRedraw();
}

// Pieces the log has dropped leave from the top of the document; pieces it
// dropped before they were shown are never shown. A view with a block limit
// of its own has already cut some from the top: only the rest is removed.
// A document that holds more than was shown is drawn afresh from the log
// rather than cut at a wrong place.
void ReceiveView::dropGoneLines()
{
    const qint64 first = m_log.firstNumber();
    const int cutByView = m_shownLength - (m_document->characterCount() - 1);
    if (m_shownTo <= first || cutByView < 0) {
        m_document->clear();
        m_spans.clear();
        m_shownLength = 0;
        m_shownTo = first;
    } else if (m_shownFrom < first) {
        int gone = 0;
        for (qint64 number = m_shownFrom; number < first; ++number) {
            gone += m_spans.front();
            m_spans.pop_front();
        }
        // A line's paragraph break leaves with the lines above it.
        if (m_kind == Kind::Lines) {
            ++gone;
            --m_spans.front();
        }
        m_shownLength -= gone;
        if (gone > cutByView) {
            QTextCursor cursor(m_document);
            cursor.setPosition(gone - cutByView, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }
    m_shownFrom = first;
}

void ReceiveView::showNewLines(QTextCursor &cursor)
{
    for (int chars = 0; m_shownTo < m_log.endNumber()
                        && (m_charsPerRedraw < 0 || chars < m_charsPerRedraw);
         ++m_shownTo) {
        const QString &piece = m_log.line(m_shownTo);
        const int start = cursor.position();
        if (m_kind == Kind::Stream) {
            cursor.insertText(piece);
        } else {
            // A line starts afresh: no colour of the one before runs into it.
            if (m_shownTo > m_shownFrom)
                cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
            cursor.insertHtml(piece);
        }
        m_spans.push_back(cursor.position() - start);
        m_shownLength += m_spans.back();
        chars += piece.size();
    }
}

void ReceiveView::followEnd()
{
    QAbstractScrollArea *area = m_textEdit;
    if (m_textEdit)
        m_textEdit->moveCursor(QTextCursor::End);
    else {
        m_plainEdit->moveCursor(QTextCursor::End);
        area = m_plainEdit;
    }
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
}
