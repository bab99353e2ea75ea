#include "nettab.h"

#include "listenscopebox.h"
#include "tcpclientpage.h"
#include "tcpserverpage.h"
#include "udppage.h"
#include "ui_nettab.h"

#include <QSettings>

namespace {
const char kServerScopeSetting[] = "net/tcpServerScope";
const char kUdpScopeSetting[] = "net/udpScope";
} // namespace

NetTab::NetTab(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::NetTab>())
{
    ui->setupUi(this);
    m_server = new TcpServerPage(*ui, dialogs, this);
    m_client = new TcpClientPage(*ui, dialogs, this);
    m_udp = new UdpPage(*ui, dialogs, this);
}

NetTab::~NetTab()
{
    // The pages close their links while the form still stands.
    delete m_udp;
    delete m_client;
    delete m_server;
}

void NetTab::saveProgramSettings(QSettings &settings) const
{
    saveListenScope(settings, QLatin1String(kServerScopeSetting), ui->tcp_server_scope);
    saveListenScope(settings, QLatin1String(kUdpScopeSetting), ui->udp_scope);
}

void NetTab::loadProgramSettings(const QSettings &settings)
{
    loadListenScope(settings, QLatin1String(kServerScopeSetting), ui->tcp_server_scope);
    loadListenScope(settings, QLatin1String(kUdpScopeSetting), ui->udp_scope);
}
