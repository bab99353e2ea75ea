#pragma once

#include <QHash>
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
    QString friendlyName{}; // the device's description, shown as a tool tip
    // Known only for some adapters; the initializers let a port be listed by
    // name and description alone.
    QString manufacturer{};
    QString serialNumber{};
    int vendorId = -1; // -1 where the system does not know it
    int productId = -1;
    QString byIdLink{}; // the name of the /dev/serial/by-id link pointing at it

    bool operator==(const PortEntry &other) const
    {
        return name == other.name && friendlyName == other.friendlyName
            && manufacturer == other.manufacturer && serialNumber == other.serialNumber
            && vendorId == other.vendorId && productId == other.productId
            && byIdLink == other.byIdLink;
    }

    // "ttyUSB0 — USB2.0-Serial (1a86:7523)", or the bare name where nothing
    // more is known.
    QString listText() const;
    // The same adapter, whatever name it has now: by its by-id link, or by
    // its serial number together with vendor and product id.
    bool sameDevice(const PortEntry &other) const;
};

Q_DECLARE_METATYPE(PortEntry)

// Where the list of ports comes from. The system source asks QSerialPortInfo,
// which lists real adapters only; tests supply their own list.
using PortListSource = std::function<QList<PortEntry>()>;
PortListSource systemPortListSource();

// The by-id links in `directory`, as a map from the canonical path each one
// points at to the link's name. A missing folder gives an empty map; at most
// `limit` entries are looked at.
QHash<QString, QString> portLinksByTarget(const QString &directory, int limit = 256);

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
    // The answer of the last ports() call.
    const QList<PortEntry> &lastPorts() const { return m_previous; }

signals:
    void deviceDiscovered(const PortEntry &port);
    void deviceRemoved(const PortEntry &port);

private:
    PortListSource m_source;
    QList<PortEntry> m_previous;
    bool m_primed = false;
};
