#pragma once

#include <QString>

#include <memory>

class QWidget;

// A long task as the user follows it.
class Progress
{
public:
    virtual ~Progress() = default;
    // `done` of the task's steps are finished; false once the user asked to
    // cancel.
    virtual bool update(qint64 done) = 0;
};

// Every message box and file dialog of the program goes through this
// interface. The application uses WidgetDialogs (widgetdialogs.h); tests
// answer from a script.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void critical(QWidget *parent, const QString &title, const QString &text) = 0;

    // A question offering "确定" (accept, first) and "取消" (reject).
    // True only when the user pressed "确定"; closing the box means no.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;

    // Empty when the user cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;

    // Progress with a cancel button for a task of `total` steps, shown only
    // when the task lasts long enough to notice. Closes when destroyed. The
    // default never cancels.
    virtual std::unique_ptr<Progress> progress(QWidget *parent, const QString &text, qint64 total);
};
