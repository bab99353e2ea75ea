#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One serial port as the port combo boxes show it.
struct PortEntry
{
    QString name;         // what the user would type to open it ("ttyUSB0")
    QString friendlyName; // the device's description, shown as a tool tip

    bool operator==(const PortEntry &other) const
    {
        return name == other.name && friendlyName == other.friendlyName;
    }
};

Q_DECLARE_METATYPE(PortEntry)

// Where the list of ports comes from. The system source asks QSerialPortInfo,
// which lists real adapters only; tests supply their own list.
using PortListSource = std::function<QList<PortEntry>()>;
PortListSource systemPortListSource();

// One enumeration shared by several panels: they read the list of the last
// refresh(), and the owner decides when the source is asked again.
class SharedPortList
{
public:
    explicit SharedPortList(PortListSource source);

    void refresh();
    // Answers with the list of the last refresh(); stays valid on its own.
    PortListSource lastList() const;

private:
    PortListSource m_source;
    std::shared_ptr<QList<PortEntry>> m_ports;
};

// Asks its source for the ports present and reports, by comparing with the
// previous answer, which devices came and went.
class PortEnumerator : public QObject
{
    Q_OBJECT
public:
    explicit PortEnumerator(PortListSource source, QObject *parent = nullptr);

    // The ports present now. From the second call on, emits deviceDiscovered
    // and deviceRemoved for the names that appeared or vanished since the
    // call before.
    QList<PortEntry> ports();

signals:
    void deviceDiscovered(const PortEntry &port);
    void deviceRemoved(const PortEntry &port);

private:
    PortListSource m_source;
    QList<PortEntry> m_previous;
    bool m_primed = false;
};
