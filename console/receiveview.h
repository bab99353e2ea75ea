#pragma once

#include "consoletext.h"
#include "linelog.h"

#include <QObject>

#include <deque>

class QLabel;
class QPlainTextEdit;
class QTextCursor;
class QTextDocument;
class QTextEdit;
class QTimer;

// Drives a text view of a form as a bounded console. What is appended goes
// into a LineLog first; the view follows on a timer that runs only while
// something new waits, adding the new pieces at the end and removing from
// the top the ones the log has dropped. The document is never converted
// again as a whole, so a redraw costs what changed, not what is shown.
//
// A Lines view takes HTML, a paragraph per line (a network page, the GPS
// log); a Stream view takes plain text that continues where the last piece
// ended (a module's replies). A stream piece longer than the whole log
// keeps its end.
class ReceiveView : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Lines, Stream };
    static constexpr int kRedrawMs = 50;

    ReceiveView(QTextEdit *view, Kind kind, int charLimit, QObject *parent);
    ReceiveView(QPlainTextEdit *view, Kind kind, int charLimit, QObject *parent);

    // A redraw adds at most this many characters of new pieces; the rest
    // wait for the next. Unlimited unless set.
    void setCharsPerRedraw(int chars) { m_charsPerRedraw = chars; }
    // A label that shows the counters after every redraw.
    void setCountersLabel(QLabel *label) { m_countersLabel = label; }

    void append(const QString &piece);
    // Stream views: a piece on a line of its own.
    void appendLine(const QString &text);
    void clear();
    // Replaces everything with the text and shows it now.
    void showOnly(const QString &text);

    ByteCounters &counters() { return m_counters; }
    const ByteCounters &counters() const { return m_counters; }
    // The counters changed: the label follows with the next redraw.
    void countersChanged();

    // Shows now what waits for the timer.
    void redrawNow();
    bool redrawPending() const;
    const LineLog &log() const { return m_log; }

private:
    ReceiveView(QTextDocument *document, Kind kind, int charLimit, QObject *parent);
    void store(const QString &piece);
    void scheduleRedraw();
    void redraw();
    void dropGoneLines();
    void showNewLines(QTextCursor &cursor);
    void followEnd();

    QTextDocument *m_document;
    QTextEdit *m_textEdit = nullptr;
    QPlainTextEdit *m_plainEdit = nullptr;
    QLabel *m_countersLabel = nullptr;
    QTimer *m_redrawTimer;
    const Kind m_kind;
    LineLog m_log;
    ByteCounters m_counters;
    int m_charsPerRedraw = -1;
    // The log's pieces the view shows, with the document positions each
    // takes (a Lines piece after the first counts its paragraph break).
    qint64 m_shownFrom = 0;
    qint64 m_shownTo = 0;
    std::deque<int> m_spans;
    int m_shownLength = 0;
};
