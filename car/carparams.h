#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

class QTimer;

// One tunable value of the car.
struct CarParameter
{
    QString name; // at most 31 bytes in GB18030; firmware expects ASCII letters, digits and '_'
    double value = 0, minimum = 0, maximum = 100, step = 1;
    int decimals = 0; // 0..6, digits printed after the point
};

// The rows of the tuning page and how their values go out.
struct CarParameterSet
{
    static constexpr int kMaxRows = 32;
    enum class Mode { Text, Binary };
    QVector<CarParameter> rows;
    QString textTemplate = QStringLiteral("%name=%value\\n"); // as typed: C escapes not yet applied
    Mode mode = Mode::Text;
};

bool operator==(const CarParameter &a, const CarParameter &b);
bool operator==(const CarParameterSet &a, const CarParameterSet &b);
inline bool operator!=(const CarParameter &a, const CarParameter &b) { return !(a == b); }
inline bool operator!=(const CarParameterSet &a, const CarParameterSet &b) { return !(a == b); }

namespace CarParams {

// Command 4 of the car link: index (1 byte), value (float, little-endian).
constexpr int kPayloadLength = 5;
constexpr int kMaxTemplateLength = 256;
constexpr int kMaxNameBytes = 31;
constexpr int kMaxDecimals = 6;
constexpr qint64 kMaxFileSize = 1024 * 1024;
// The largest value, limit or step a row shows, and the finest step.
constexpr double kMaxMagnitude = 1e9;
constexpr double kMinStep = 1e-6;

// The template with %name (GB18030), %value (fixed with row.decimals, C
// locale), %index (decimal) and the C escapes \n \r \t \\ \0 \xHH \" \';
// "%%" is a '%'. An invalid template, or a value that is not finite, yields
// nothing.
QByteArray textMessage(const QString &textTemplate, const CarParameter &row, int index);
// At most 256 characters, every escape and every '%' known.
bool templateValid(const QString &textTemplate, QString *problem);

// The frame 04 FB index f0 f1 f2 f3 FB 04; nothing for a value that is not
// finite.
QByteArray binaryMessage(int index, double value);
bool readBinaryPayload(const char *payload, int length, int &index, double &value);

// A name the set may hold: 1..31 bytes in GB18030, no control characters,
// blanks, '=', ':' or ',', nothing hidden (HiddenText).
bool nameValid(const QString &name);

// The *.zparams file, UTF-8 JSON:
//   {"format": "zentrik-params", "version": 1, "mode": "text" | "binary",
//    "template": "%name=%value\n",
//    "rows": [{"name": "kp", "value": 1.25, "min": 0, "max": 10,
//              "step": 0.05, "decimals": 2}, ...]}
// At most 32 rows with distinct valid names, finite numbers, min <= max,
// limits within ±1e9, step 1e-6..1e9, decimals 0..6 and a valid template;
// a value outside min..max is clamped. Anything else is refused as a whole: nullopt and a message.
QByteArray toJson(const CarParameterSet &set);
std::optional<CarParameterSet> fromJson(const QByteArray &json, QString *problem);

bool saveFile(const QString &path, const CarParameterSet &set, QString *error);
// Refuses files over 1 MiB before reading them.
std::optional<CarParameterSet> loadFile(const QString &path, QString *problem);

} // namespace CarParams

// Milliseconds on a clock that never goes back, for the parameter page's
// timings. Tests drive their own.
using ParameterClock = std::function<qint64()>;
qint64 parameterClockMs();

// At most 20 sends a second per parameter, always the last value:
// `send(index)` is called at once when the parameter has not been sent for
// 50 ms on `clock`, otherwise once when the 50 ms are up (the callback reads
// the row's value then).
class ParameterSendPacer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 50;
    explicit ParameterSendPacer(std::function<void(int index)> send, QObject *parent = nullptr,
                                ParameterClock clock = parameterClockMs);
    ~ParameterSendPacer() override;

    void setClock(ParameterClock clock) { m_clock = std::move(clock); }

    void changed(int index);
    void cancelAll(); // the source closed: nothing pending is sent
    bool pending(int index) const;

private:
    struct Slot
    {
        QTimer *timer = nullptr;
        qint64 lastSentMs = -1; // on m_clock; -1 before the first send
    };
    Slot &slot(int index);
    void sendNow(int index);

    std::function<void(int)> m_send;
    ParameterClock m_clock;
    QHash<int, Slot> m_slots;
};
