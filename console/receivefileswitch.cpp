#include "receivefileswitch.h"

#include "dialogs.h"
#include "translation.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

ReceiveFileSwitch::ReceiveFileSwitch(QCheckBox *check, QLineEdit *pathEdit, Dialogs &dialogs,
                                     QWidget *dialogParent)
    : QObject(dialogParent)
    , m_check(check)
    , m_pathEdit(pathEdit)
    , m_dialogs(dialogs)
    , m_dialogParent(dialogParent)
    , m_flushTimer(new QTimer(this))
{
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(kFlushDelayMs);
    connect(m_flushTimer, &QTimer::timeout, this, &ReceiveFileSwitch::flush);
    connect(check, &QCheckBox::stateChanged, this, &ReceiveFileSwitch::onStateChanged);
}

ReceiveFileSwitch::~ReceiveFileSwitch()
{
    close();
}

void ReceiveFileSwitch::onStateChanged(int state)
{
    if (state == Qt::Unchecked)
        close();
    else if (!m_file.isOpen())
        open();
}

void ReceiveFileSwitch::open()
{
    if (m_pathEdit->text().isEmpty()) {
        const QString chosen =
            m_dialogs.saveFileName(m_dialogParent, mainTr("保存文件"),
                                   QCoreApplication::applicationDirPath(), mainTr("所有文件(*.*)"));
        // The edit shows the platform's own form of the path; what is opened
        // below is the chosen file itself, never a rewritten name.
        m_pathEdit->setText(QDir::toNativeSeparators(chosen));
    }
    const QString path = QDir::fromNativeSeparators(m_pathEdit->text());
    m_file.setFileName(path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath());

    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate;
    if (!path.isEmpty() && QFileInfo(path).size() > 0
        && m_dialogs.question(m_dialogParent, mainTr("询问"),
                              mainTr("文件非空，是否追加？\n\n确定则追加（保留原数据）,"
                                     "取消则覆盖（清空原数据）")))
        mode = QIODevice::WriteOnly | QIODevice::Append;
    if (path.isEmpty() || !m_file.open(mode))
        fail(mainTr("打开文件失败"));
}

void ReceiveFileSwitch::write(const QByteArray &bytes)
{
    if (!m_file.isOpen() || bytes.isEmpty())
        return;
    if (m_file.write(bytes) == bytes.size()) {
        if (!m_flushTimer->isActive())
            m_flushTimer->start();
        return;
    }
    stopWriting();
    QMetaObject::invokeMethod(
        this, [this] { m_dialogs.critical(m_dialogParent, mainTr("错误"), mainTr("写入文件失败")); },
        Qt::QueuedConnection);
}

void ReceiveFileSwitch::flush()
{
    m_flushTimer->stop();
    if (m_file.isOpen() && !m_file.flush())
        fail(mainTr("写入文件失败"));
}

void ReceiveFileSwitch::close()
{
    m_flushTimer->stop();
    if (m_file.isOpen())
        m_file.close();
}

void ReceiveFileSwitch::stopWriting()
{
    close();
    if (m_check)
        m_check->setChecked(false);
}

void ReceiveFileSwitch::fail(const QString &text)
{
    stopWriting();
    m_dialogs.critical(m_dialogParent, mainTr("错误"), text);
}
