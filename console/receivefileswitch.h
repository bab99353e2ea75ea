#pragma once

#include <QFile>
#include <QObject>
#include <QPointer>

class Dialogs;
class QCheckBox;
class QLineEdit;
class QTimer;
class QWidget;

// "Receive data to file": a check box and a path edit that start and stop
// writing received bytes to a file. Checking the box opens the file named in
// the edit (asking for one when the edit is empty, and whether to append
// when the file already holds data); unchecking closes it. A file that
// cannot be opened unchecks the box again, so nothing is silently dropped.
// Written bytes reach the disk within kFlushDelayMs: a timer runs while
// unflushed bytes wait, and only then.
class ReceiveFileSwitch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFlushDelayMs = 1000;

    ReceiveFileSwitch(QCheckBox *check, QLineEdit *pathEdit, Dialogs &dialogs,
                      QWidget *dialogParent);
    ~ReceiveFileSwitch() override;

    bool isOpen() const { return m_file.isOpen(); }
    // Received bytes that are still in the file's buffer, waiting for flush().
    bool hasUnflushedBytes() const { return m_file.isOpen() && m_file.bytesToWrite() > 0; }
    QString fileName() const { return m_file.fileName(); }

    // Appends received bytes when the file is open. A failed write closes
    // the file and says so rather than losing the rest of the stream quietly;
    // the box comes after the caller has returned, since writes happen inside
    // a receive poll that must finish before the event loop runs again.
    void write(const QByteArray &bytes);
    void flush();
    void close();

private:
    void onStateChanged(int state);
    void open();
    void fail(const QString &text);
    void stopWriting();

    QPointer<QCheckBox> m_check;
    QPointer<QLineEdit> m_pathEdit;
    Dialogs &m_dialogs;
    QPointer<QWidget> m_dialogParent;
    QFile m_file;
    QTimer *m_flushTimer;
};
