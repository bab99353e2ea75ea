#pragma once

#include "dialogs.h"

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
    std::unique_ptr<Progress> progress(QWidget *parent, const QString &text,
                                       qint64 total) override;
};
