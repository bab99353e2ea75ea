#include "widgetdialogs.h"

#include "receivescope.h"
#include "translation.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>

namespace {

// Messages often quote what a device, a file or a server said: never markup.
void showMessage(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                 const QString &text)
{
    Q_ASSERT_X(!ReceiveScope::active(), "Dialogs", "a message box inside a receive");
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void WidgetDialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    showMessage(QMessageBox::Information, parent, title, text);
}

void WidgetDialogs::critical(QWidget *parent, const QString &title, const QString &text)
{
    showMessage(QMessageBox::Critical, parent, title, text);
}

bool WidgetDialogs::question(QWidget *parent, const QString &title, const QString &text)
{
    Q_ASSERT_X(!ReceiveScope::active(), "Dialogs", "a question inside a receive");
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
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

namespace {

// QProgressDialog counts in int; the task is shown in thousandths.
class ProgressWindow : public Progress
{
public:
    ProgressWindow(QWidget *parent, const QString &text, qint64 total)
        : m_dialog(text, mainTr("取消"), 0, 1000, parent)
        , m_total(std::max<qint64>(total, 1))
    {
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setValue(0);
    }

    bool update(qint64 done) override
    {
        const int permille = int(std::min<qint64>(done * 1000 / m_total, 1000));
        if (permille != m_dialog.value())
            m_dialog.setValue(permille);
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
    qint64 m_total;
};

} // namespace

std::unique_ptr<Progress> WidgetDialogs::progress(QWidget *parent, const QString &text,
                                                  qint64 total)
{
    return std::make_unique<ProgressWindow>(parent, text, total);
}
