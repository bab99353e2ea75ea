#include "carlistener.h"

#include <QTextCodec>
#include <QtEndian>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr int kFrameBytes = CarListener::kFramePayload + 4;
constexpr char kCommand = char(CarLink::Param);
constexpr char kNotCommand = char(~CarLink::Param);
constexpr float kFloatMax = std::numeric_limits<float>::max();

bool isControl(char byte)
{
    return uchar(byte) < 0x20 || byte == '\x7f';
}

bool hasControl(const QByteArray &bytes)
{
    for (const char byte : bytes) {
        if (isControl(byte) && byte != '\t')
            return true;
    }
    return false;
}

// The workbench writes names in GB18030; control bytes show as '?'.
QString printable(QByteArray bytes)
{
    for (char &byte : bytes) {
        if (isControl(byte))
            byte = '?';
    }
    static QTextCodec *const codec = QTextCodec::codecForName("GB18030");
    return codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
}

// The shortest text that reads back as the value: as a float where the value
// is one (what a frame carries), else as a double. C locale.
QByteArray numberText(double value)
{
    char text[32];
    const bool isFloat = std::abs(value) <= kFloatMax && double(float(value)) == value;
    const auto result = isFloat ? std::to_chars(text, text + sizeof text, float(value))
                                : std::to_chars(text, text + sizeof text, value);
    return QByteArray(text, int(result.ptr - text));
}

std::optional<double> parseNumber(const QByteArray &text)
{
    const char *first = text.constBegin();
    const char *last = text.constEnd();
    if (first != last && *first == '+')
        ++first;
    double value = 0;
    const auto result = std::from_chars(first, last, value);
    if (first == last || result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QByteArray frame(int index, double value)
{
    char payload[CarListener::kFramePayload];
    payload[0] = char(index);
    qToLittleEndian(float(std::clamp(value, double(-kFloatMax), double(kFloatMax))), payload + 1);
    return CarLink::buildFrame(CarLink::Param, QByteArray(payload, int(sizeof payload)));
}

bool isFrameAt(const QByteArray &bytes, int at)
{
    return bytes.size() - at >= kFrameBytes && bytes[at] == kCommand
           && bytes[at + 1] == kNotCommand && bytes[at + kFrameBytes - 2] == kNotCommand
           && bytes[at + kFrameBytes - 1] == kCommand;
}

// Takes the whole parameter frames out of the text (the frame parser has
// them), so a frame neither ends a line nor makes one too long. Returns
// where a frame not yet complete may begin: the text before it can be cut
// into lines, the rest must wait.
int removeFrames(QByteArray &text)
{
    QByteArray kept;
    kept.reserve(text.size());
    int unfinished = -1;
    for (int at = 0; at < text.size();) {
        if (isFrameAt(text, at)) {
            at += kFrameBytes;
            continue;
        }
        const bool mayStart = text[at] == kCommand
                              && (at + 1 == text.size() || text[at + 1] == kNotCommand);
        if (unfinished < 0 && mayStart && text.size() - at < kFrameBytes)
            unfinished = kept.size();
        kept.append(text[at++]);
    }
    text = kept;
    return unfinished < 0 ? text.size() : unfinished;
}

} // namespace

CarListener::CarListener(const QList<QByteArray> &names, Answer answer, Changed changed,
                         FILE *printed, FILE *notes)
    : m_out(printed)
    , m_err(notes)
    , m_names(names)
    , m_answer(answer)
    , m_changed(std::move(changed))
{
    CarLink::FrameLengths lengths{};
    lengths[CarLink::Param] = kFramePayload;
    m_frames.setFrameLengths(lengths);
    m_frames.setHandler(CarLink::Param, [this](const char *payload, int) { takeFrame(payload); });
}

QString CarListener::namesProblem(const QList<QByteArray> &names)
{
    if (names.size() > 256)
        return QStringLiteral("--params names at most 256 indexes");
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray &name = names[i];
        if (name.isEmpty() || name.size() > kMaxName || hasControl(name) || name.contains(' ')
            || name.contains('=') || name.contains(':') || name.contains('#'))
            return QStringLiteral("--params wants names of 1 to %1 bytes without spaces, '=', "
                                  "':' or '#', not '%2'")
                .arg(kMaxName)
                .arg(printable(name));
        if (names.indexOf(name) != i)
            return QStringLiteral("--params names '%1' twice").arg(printable(name));
    }
    return {};
}

QByteArray CarListener::take(const QByteArray &bytes)
{
    m_frames.append(bytes);
    takeText(bytes);
    m_out << Qt::flush;
    m_err << Qt::flush;
    QByteArray answers;
    answers.swap(m_answers);
    return answers;
}

void CarListener::takeText(const QByteArray &bytes)
{
    m_text.append(bytes);
    const int unfinished = removeFrames(m_text);
    int from = 0;
    for (int end; (end = m_text.indexOf('\n', from)) >= 0 && end < unfinished; from = end + 1) {
        if (m_skippingLongLine)
            m_skippingLongLine = false;
        else
            takeLine(m_text.mid(from, end - from));
    }
    // Kept: the line not yet ended, at most a line's length, and the start
    // of a frame that may follow it.
    const int tail = unfinished - from;
    if (!m_skippingLongLine && tail > kMaxLine + 1) {
        m_err << "zentrik-sim car: skipped a line of over " << kMaxLine << " bytes\n";
        m_skippingLongLine = true;
    }
    m_text.remove(0, m_skippingLongLine ? unfinished : from);
}

void CarListener::takeLine(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > kMaxLine) {
        m_err << "zentrik-sim car: skipped a line of over " << kMaxLine << " bytes\n";
        return;
    }
    if (line.trimmed().isEmpty())
        return;
    const int equals = line.indexOf('=');
    const int colon = line.indexOf(':');
    const int at = equals < 0 || (colon >= 0 && colon < equals) ? colon : equals;
    const QByteArray name = line.left(at).trimmed();
    const std::optional<double> value = parseNumber(line.mid(at + 1).trimmed());
    if (at < 0 || name.isEmpty() || name.size() > kMaxName || hasControl(name) || !value) {
        m_err << "zentrik-sim car: ignored a line that sets no parameter: " << printable(line)
              << "\n";
        return;
    }
    hold(name, int(m_names.indexOf(name)), *value);
}

void CarListener::takeFrame(const char *payload)
{
    const int index = uchar(payload[0]);
    const double value = qFromLittleEndian<float>(payload + 1);
    if (!std::isfinite(value)) {
        m_err << "zentrik-sim car: ignored a parameter frame for #" << index
              << " without a number\n";
        return;
    }
    hold(index < m_names.size() ? m_names[index] : QByteArray(), index, value);
}

// `name` is empty for a frame whose index has none.
void CarListener::hold(const QByteArray &name, int index, double value)
{
    const QByteArray key = name.isEmpty() ? '#' + QByteArray::number(index) : name;
    if (!m_held.contains(key) && m_held.size() >= m_names.size() + kMaxExtraNames) {
        m_err << "zentrik-sim car: holds no more parameters, ignored " << printable(key) << "\n";
        return;
    }
    m_held[key] = value;
    const QByteArray number = numberText(value);
    m_out << "param " << printable(key) << " = " << number << "\n";
    if (!name.isEmpty() && m_changed)
        m_changed(name, value);
    if (m_answer == Answer::Frame && index >= 0)
        m_answers.append(frame(index, value));
    else if (m_answer == Answer::Line && !name.isEmpty())
        m_answers.append(name + ':' + number + '\n');
}
