#pragma once

// What the GPS tab's test programs share: a tab of its own in a working
// folder of its own for every test, its TCP source and a device on it.
#include "fakeports.h"
#include "gpstab.h"
#include "runningwait.h"
#include "scripteddialogs.h"
#include "tcpserverlink.h"
#include "widgetlookup.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

inline QString label(const GpsTab &tab, const char *name)
{
    return child<QLabel>(&tab, QString::fromLatin1(name))->text();
}

inline QString logText(const GpsTab &tab)
{
    return child<QTextEdit>(&tab, "recvEdit_gps")->toPlainText();
}

// A device at the other end of the tab's TCP server.
class TcpDevice
{
public:
    explicit TcpDevice(GpsTab &tab)
    {
        socket.connectToHost(QHostAddress::LocalHost, tab.tcpServer()->port());
        socket.waitForConnected(3000);
    }
    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    // Waits until `size` bytes have come back.
    QByteArray receive(int size, int timeoutMs = 20000)
    {
        if (!waitRunning([&] { return socket.bytesAvailable() >= size; }, timeoutMs))
            qWarning("only %lld of %d bytes came back", socket.bytesAvailable(), size);
        return socket.read(size);
    }
    QTcpSocket socket;
};

class GpsTabFixture
{
protected:
    void makeTab()
    {
        m_workDir = std::make_unique<QTemporaryDir>();
        m_oldWorkDir = QDir::currentPath();
        QDir::setCurrent(m_workDir->path());
        m_tab = std::make_unique<GpsTab>(m_dialogs, m_ports.source());
        m_tab->resize(1000, 600);
    }

    void dropTab()
    {
        m_tab.reset();
        QDir::setCurrent(m_oldWorkDir);
        m_workDir.reset();
    }

    void listen()
    {
        child<QComboBox>(m_tab.get(), "gps_com")->setCurrentIndex(1);
        child<QLineEdit>(m_tab.get(), "gps_tcp_port_s")->setText("0");
        child<QPushButton>(m_tab.get(), "gps_tcp_server_link")->click();
        QVERIFY(m_tab->tcpServer()->isOpen());
    }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<GpsTab> m_tab;
    std::unique_ptr<QTemporaryDir> m_workDir;
    QString m_oldWorkDir;
};
