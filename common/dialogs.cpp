#include "dialogs.h"

#include "translation.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

void WidgetDialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text);
}

void WidgetDialogs::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::critical(parent, title, text);
}

bool WidgetDialogs::question(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton *ok = box.addButton(mainTr("确定"),
                                    QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(mainTr("取消"),
                                        QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok;
}

QString WidgetDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString WidgetDialogs::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}
