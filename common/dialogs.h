#pragma once

#include <QString>

class QWidget;

// Every message box and file dialog of the program goes through this
// interface. The application uses WidgetDialogs; tests answer from a script.
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
};

// Real, modal Qt dialogs.
class WidgetDialogs : public Dialogs
{
public:
    void information(QWidget *parent, const QString &title, const QString &text) override;
    void critical(QWidget *parent, const QString &title, const QString &text) override;
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
};
