#include "portenumerator.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

QString PortEntry::listText() const
{
    QString text = name;
    if (!friendlyName.isEmpty())
        text += QStringLiteral(" \u2014 ") + friendlyName;
    if (vendorId >= 0 && productId >= 0)
        text += QStringLiteral(" (%1:%2)")
                    .arg(vendorId, 4, 16, QLatin1Char('0'))
                    .arg(productId, 4, 16, QLatin1Char('0'));
    return text;
}

bool PortEntry::sameDevice(const PortEntry &other) const
{
    if (!byIdLink.isEmpty() && byIdLink == other.byIdLink)
        return true;
    return !serialNumber.isEmpty() && serialNumber == other.serialNumber && vendorId >= 0
        && productId >= 0 && vendorId == other.vendorId && productId == other.productId;
}

QHash<QString, QString> portLinksByTarget(const QString &directory, int limit)
{
    QHash<QString, QString> links;
    QDirIterator entries(directory, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (int seen = 0; seen < limit && entries.hasNext(); ++seen) {
        entries.next();
        const QFileInfo entry = entries.fileInfo();
        const QString target = entry.isSymLink() ? entry.canonicalFilePath() : QString();
        if (!target.isEmpty())
            links.insert(target, entry.fileName());
    }
    return links;
}

PortListSource systemPortListSource()
{
    return [] {
        const QHash<QString, QString> links =
            portLinksByTarget(QStringLiteral("/dev/serial/by-id"));
        QList<PortEntry> ports;
        const auto infos = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : infos) {
            PortEntry port{info.portName(), info.description()};
            port.manufacturer = info.manufacturer();
            port.serialNumber = info.serialNumber();
            if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
                port.vendorId = info.vendorIdentifier();
                port.productId = info.productIdentifier();
            }
            port.byIdLink = links.value(QFileInfo(info.systemLocation()).canonicalFilePath());
            ports.append(port);
        }
        return ports;
    };
}

SharedPortList::SharedPortList(PortListSource source)
    : m_source(std::move(source))
    , m_ports(std::make_shared<QList<PortEntry>>())
{
}

void SharedPortList::refresh()
{
    *m_ports = m_source();
}

PortListSource SharedPortList::lastList() const
{
    return [ports = m_ports] { return *ports; };
}

namespace {

bool containsName(const QList<PortEntry> &ports, const QString &name)
{
    return std::any_of(ports.begin(), ports.end(),
                       [&](const PortEntry &port) { return port.name == name; });
}

} // namespace

PortEnumerator::PortEnumerator(PortListSource source, QObject *parent)
    : QObject(parent)
    , m_source(std::move(source))
{
    qRegisterMetaType<PortEntry>();
}

QList<PortEntry> PortEnumerator::ports()
{
    const QList<PortEntry> current = m_source();
    const QList<PortEntry> previous = std::exchange(m_previous, current);
    if (!std::exchange(m_primed, true))
        return current;
    for (const PortEntry &port : previous) {
        if (!containsName(current, port.name))
            emit deviceRemoved(port);
    }
    for (const PortEntry &port : current) {
        if (!containsName(previous, port.name))
            emit deviceDiscovered(port);
    }
    return current;
}
