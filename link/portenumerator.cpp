#include "portenumerator.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

PortListSource systemPortListSource()
{
    return [] {
        QList<PortEntry> ports;
        const auto infos = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : infos)
            ports.append({info.portName(), info.description()});
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
