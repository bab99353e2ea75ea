#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDate>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QTime>

#include <functional>

// New texts for the tab's labels, by object name, in the order they change.
using LabelTexts = QList<QPair<QString, QString>>;

// The position record: what the receiver's sentences have told us so far,
// and the label texts each sentence changes. Knows nothing of widgets.
class GpsRecord
{
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;
    // A satellite system whose GSV has not come for this long no longer
    // adds to the satellites in view. Some receivers send GSV only every
    // five seconds.
    static constexpr qint64 kInViewExpiryMs = 10000;

    // Without a clock, the system's monotonic one.
    explicit GpsRecord(Clock clock = {});

    // Signed decimal degrees as text; "0" until the first valid fix.
    QByteArray latitude() const { return m_latitude; }
    QByteArray longitude() const { return m_longitude; }
    bool hasPosition() const { return m_latitude != "0"; }

    // Date and time are replaced independently, as each RMC brings them.
    QDate utcDate() const { return m_utcDate; }
    QTime utcTime() const { return m_utcTime; }

    // The sentence's effect on the record and the labels. `moved` is set
    // when a valid fix has changed the position (the map follows it).
    LabelTexts applyRmc(const QByteArrayList &fields, bool *moved);
    LabelTexts applyVtg(const QByteArrayList &fields);
    LabelTexts applyGga(const QByteArrayList &fields);
    LabelTexts applyGsa(const QByteArrayList &fields);
    LabelTexts applyGsv(const QByteArrayList &fields);
    // The source has closed or changed: no system's count stands any more.
    void forgetSatellitesInView();

    static QString dateText(const QDate &date);
    static QString timeText(const QTime &time);

private:
    bool readFix(const QByteArrayList &fields, LabelTexts *labels);
    bool readDate(const QByteArray &text);
    bool readTime(const QByteArray &text);
    void expireSatellitesInView(qint64 now);

    QByteArray m_latitude = "0";
    QByteArray m_longitude = "0";
    QDate m_utcDate;
    QTime m_utcTime;
    // Satellites in view per talker: a multi-constellation receiver reports
    // each system in its own GSV series.
    struct InView
    {
        int count = 0;
        qint64 heardAt = 0;
    };
    QHash<QByteArray, InView> m_satellitesInView;
    Clock m_clock;
};
