#pragma once

#include "gpsfix.h"
#include "satellites.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDate>
#include <QHash>
#include <QTime>

#include <functional>
#include <optional>

// The position record: what the receiver's sentences have told us so far.
// Each sentence gives back the fix it brought.
class GpsRecord
{
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;
    // A satellite system whose GSV has not come for this long no longer
    // adds to the satellites in view. Some receivers send GSV only every
    // five seconds.
    static constexpr qint64 kInViewExpiryMs = 10000;
    // A system's count beyond this is refused; the sum over all systems
    // stops there too.
    static constexpr int kMaxSatellitesInView = 999;

    // Without a clock, the system's monotonic one.
    explicit GpsRecord(Clock clock = {});

    // Signed decimal degrees as text; "0" until the first valid fix.
    QByteArray latitude() const { return m_latitude; }
    QByteArray longitude() const { return m_longitude; }
    bool hasPosition() const { return m_latitude != "0"; }

    // Date and time are replaced independently, as each RMC brings them.
    QDate utcDate() const { return m_utcDate; }
    QTime utcTime() const { return m_utcTime; }

    GpsFix applyRmc(const QByteArrayList &fields);
    GpsFix applyVtg(const QByteArrayList &fields);
    GpsFix applyGga(const QByteArrayList &fields);
    GpsFix applyGsa(const QByteArrayList &fields);
    GpsFix applyGsv(const QByteArrayList &fields);
    // Any other sentence: tells the satellites' GSA epochs apart.
    void applyOther() { m_sky.otherSentence(); }
    // The source has closed or changed: no system's count stands any more,
    // no satellite stays in the sky.
    void forgetSatellitesInView();

    // The satellites heard within the last SkyModel::kExpiryMs.
    const SkyModel &sky() const { return m_sky; }
    // Drops the satellites no longer heard; true if any went.
    bool expireSky() { return m_sky.expire(m_clock()); }

private:
    bool readDate(const QByteArray &text);
    bool readTime(const QByteArray &text);
    void expireSatellitesInView(qint64 now);
    static std::optional<int> satellitesInView(const QByteArray &text);

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
    SkyModel m_sky;
    Clock m_clock;
};
