// zentrik-sim car: plays a smart car sending camera images, CCD lines and
// oscilloscope samples in the car link's frames, over a serial line or, as
// a car with a Wi-Fi bridge, over TCP or UDP. With --protocol text,
// justfloat or custom it sends the same samples as a firmware printing them
// would: text lines, JustFloat frames or binary frames of a format the user
// described. It listens too: parameters the workbench
// sets are printed, answered and (speed, kp, kd) change the scene: the
// oscilloscope's first two channels are its speed loop.
#include "carframe.h"
#include "carlistener.h"
#include "carscene.h"
#include "capturewriter.h"
#include "framedescription.h"
#include "programinfo.h"
#include "samplestore.h"
#include "sampletypes.h"
#include "simlink.h"
#include "simmodes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTextCodec>
#include <QTextStream>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr int kUnpacedBatchBytes = 16 * 1024;
// Paced, a tick sends the rounds due since the last one, up to this much.
constexpr int kPacedBatchBytes = 256 * 1024;
constexpr int kMaxFps = 1000000;
// How far speed (percent of the usual pace) and the gains go.
constexpr double kMaxSpeed = 1000;
constexpr double kMaxGain = 1000;
// The set-point steps every this many seconds unless --step-every says;
// unpaced, every kUnpacedStepRounds rounds.
constexpr int kStepSeconds = 3;
constexpr int kUnpacedStepRounds = 300;
// Answers waiting while the workbench reads nothing but keeps sending.
constexpr int kMaxAnswersWaiting = 64 * 1024;
// Reading stops past what a frame description may be; the parser refuses
// the rest.
constexpr qint64 kMaxFrameFileBytes = 64 * 1024 + 1;

enum class Protocol { Car, Text, JustFloat, Custom };
enum class TextFormat { Plain, Labelled, Teleplot };

const char kJustFloatTail[4] = {'\x00', '\x00', '\x80', '\x7f'};

struct CarOptions
{
    Protocol protocol = Protocol::Car;
    TextFormat textFormat = TextFormat::Plain;
    bool camera = false;
    bool ccd = false;
    bool scope = false;
    CarCamera::Settings image;
    int ccdCount = 1;
    int ccdLine = 128;
    int channels = 8;
    int sampleType = Int8;
    int fps = 10;
    int stepEvery = 0;
    int garbage = 0;
    int corruptEvery = 0;
    qint64 rounds = 0;
    quint32 seed = 1;
    QList<QByteArray> params;
    FrameFormat::Description frame; // --protocol custom
    QByteArray frameJson;           // the description as one line of JSON
    QString record;
};

void addCarOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Plays a smart car: sends camera, CCD and oscilloscope frames the "
                       "car tab decodes. Configure the tab the same way as the car."));
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")},
                      QStringLiteral("Show these options.")});
    const auto option = [&parser](const char *name, const char *help, const char *value,
                                  const char *defaultValue) {
        parser.addOption({QString::fromLatin1(name), QString::fromLatin1(help),
                          QString::fromLatin1(value), QString::fromLatin1(defaultValue)});
    };
    option("protocol",
           "How to send: car (the car link's frames), text (lines of numbers, see "
           "--text-format), justfloat (little-endian floats, then 00 00 80 7F; double "
           "samples are rounded to float) or custom (frames of the format described in "
           "--frame). The same scene and seed give the same values in each. Text, justfloat "
           "and custom carry the oscilloscope samples only: --send defaults to scope for them "
           "and refuses camera and ccd.",
           "name", "car");
    option("frame",
           "--protocol custom: the frame description (.zframe). Its channels carry the "
           "scene's channels 1, 2, ... in order (their number is the description's, not "
           "--channels); a value goes into its field as (value - offset) / scale, rounded "
           "for integer types and clamped to the type. With several frame types every round "
           "sends each type once.",
           "file", "");
    option("text-format",
           "Text lines: plain (v1,v2,...), labelled (ch1:v1,ch2:v2,...) or teleplot (a line "
           ">chN:v per channel). Integers are printed as integers, floats with the digits "
           "that read back to the same value.",
           "form", "plain");
    option("send", "What to send, comma separated: camera, ccd, scope.", "list", "camera");
    option("image", "Camera image mode: binary, grey or colour.", "mode", "binary");
    option("width", "Image width in pixels (1..999).", "w", "80");
    option("height", "Image height in pixels (1..999).", "h", "60");
    option("bit-order", "Binary images: high (first pixel in bit 7) or low.", "order", "high");
    option("ones", "Binary images: a 1 bit is black or white.", "colour", "black");
    option("endian", "Colour images: RGB565 words little or big endian.", "order", "little");
    option("ccd-count", "Number of CCD sensors (1 or 2).", "n", "1");
    option("ccd-line", "Pixels per CCD line (1..9999).", "n", "128");
    option("channels",
           "Oscilloscope channels (1..8). Channel 1 is the speed loop's set-point, channel 2 "
           "its measured speed, each as (percent of the usual pace - 100) / 100 scaled like "
           "the other channels (int8_t: 100 x that, float: 500 + 400 x that); the others are "
           "sines, ramps and noise.",
           "n", "8");
    option("step-every",
           "Rounds between the set-point's steps: it moves between the speed last received "
           "(100 at first) and 50 above it. 0: every 3 seconds at --fps (300 rounds "
           "unpaced).",
           "n", "0");
    option("sample-type",
           "Oscilloscope sample type: int8_t, uint8_t, int16_t, uint16_t, int32_t, uint32_t, "
           "float or double.",
           "type", "int8_t");
    option("fps",
           "Rounds of frames per second (up to 1000000; above 1000 a millisecond's rounds go "
           "out in one write); 0 sends as fast as the line takes.",
           "n", "10");
    option("garbage", "Random bytes sent before every frame, to exercise resync.", "n", "0");
    option("corrupt-every",
           "Give every n-th frame a wrong trailer (0: never); custom frames get a wrong "
           "checksum, or without one a wrong trailer, or without one a wrong first header "
           "byte.",
           "n", "0");
    option("rounds", "Stop after this many rounds (0: run until stopped).", "n", "0");
    option("seed", "Seed of the noise in the scene and the garbage.", "n", "1");
    option("record",
           "Also write what is sent into this capture file, as the car tab records it (with "
           "this protocol and these settings), stamped with each round's time at --fps.",
           "file", "");
    option("params",
           "Names of the parameters by index, comma separated, for parameter frames (command "
           "4: index, little-endian float). The car takes lines name=value or name:value and "
           "these frames, prints each on stdout and answers with the value it holds: a frame "
           "(car; a line's name needs an index here), a line name:value (text) or nothing "
           "(justfloat, custom). speed (percent of the usual pace, -1000..1000) moves the "
           "camera image and the CCD line and is the speed loop's set-point. kp and kd tune "
           "the loop, a second-order plant under PD control: natural frequency w0 x sqrt(kp) "
           "with w0 = 2 pi x 3 / --step-every radians a round, damping kd / sqrt(kp) (kp 1, "
           "kd 0.5 at first: damping 0.5), so a larger kp overshoots more and a larger kd "
           "less.",
           "list", "speed,kp,ki,kd");
    SimLink::addOptions(parser, true);
    SimLink::addListenAndUdpOptions(parser);
}

std::optional<int> intOption(const QCommandLineParser &parser, const char *name, int low,
                             int high, QString *error)
{
    bool ok = false;
    const int value = parser.value(QString::fromLatin1(name)).toInt(&ok);
    if (!ok || value < low || value > high) {
        *error = QStringLiteral("--%1 wants a number from %2 to %3")
                     .arg(QLatin1String(name))
                     .arg(low)
                     .arg(high);
        return std::nullopt;
    }
    return value;
}

// The SampleTypeCode of a type name such as "int16_t"; -1 for none.
int sampleTypeByName(const QString &name)
{
    for (int code = 0; code < kSampleTypeCount; ++code) {
        if (name == QLatin1String(sampleType(code).name))
            return code;
    }
    return -1;
}

// One of a few words, by index; -1 if none matches.
int choice(const QCommandLineParser &parser, const char *name, const QStringList &words)
{
    return int(words.indexOf(parser.value(QString::fromLatin1(name))));
}

// The description, as the frame page would take it: refused with the field
// and the reason.
bool readFrame(const QString &path, CarOptions *options, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QByteArray json = file.read(kMaxFrameFileBytes);
    FrameFormat::Refusal refusal;
    if (!FrameFormat::parse(json, &options->frame, &refusal)) {
        *error = path + QStringLiteral(": ") + refusal.text();
        return false;
    }
    options->frameJson = QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact);
    return true;
}

bool readProtocol(const QCommandLineParser &parser, CarOptions *options, QString *error)
{
    const int protocol = choice(parser, "protocol", {"car", "text", "justfloat", "custom"});
    const int textFormat = choice(parser, "text-format", {"plain", "labelled", "teleplot"});
    if (protocol < 0 || textFormat < 0) {
        *error = QStringLiteral("--protocol knows car, text, justfloat and custom, "
                                "--text-format plain, labelled and teleplot");
        return false;
    }
    options->protocol = Protocol(protocol);
    options->textFormat = TextFormat(textFormat);
    const bool custom = options->protocol == Protocol::Custom;
    if (custom != parser.isSet(QStringLiteral("frame"))) {
        *error = QStringLiteral("--protocol custom and --frame FILE go together");
        return false;
    }
    if (custom && parser.isSet(QStringLiteral("channels"))) {
        *error = QStringLiteral("--protocol custom sends the channels of its --frame, not "
                                "--channels");
        return false;
    }
    return !custom || readFrame(parser.value(QStringLiteral("frame")), options, error);
}

bool readOptions(const QCommandLineParser &parser, CarOptions *options, QString *error)
{
    if (!readProtocol(parser, options, error))
        return false;
    const bool samplesOnly = options->protocol != Protocol::Car;
    const QString send = samplesOnly && !parser.isSet(QStringLiteral("send"))
                             ? QStringLiteral("scope")
                             : parser.value(QStringLiteral("send"));
    const QStringList kinds = send.split(QLatin1Char(','));
    for (const QString &kind : kinds) {
        if (kind == QLatin1String("camera"))
            options->camera = true;
        else if (kind == QLatin1String("ccd"))
            options->ccd = true;
        else if (kind == QLatin1String("scope"))
            options->scope = true;
        else {
            *error = QStringLiteral("--send knows camera, ccd and scope, not '%1'").arg(kind);
            return false;
        }
    }
    if (samplesOnly && (options->camera || options->ccd)) {
        *error = QStringLiteral("--protocol %1 carries oscilloscope samples only: camera and "
                                "ccd need --protocol car")
                     .arg(parser.value(QStringLiteral("protocol")));
        return false;
    }
    options->image.mode = choice(parser, "image", {"binary", "grey", "colour"});
    const int bitOrder = choice(parser, "bit-order", {"high", "low"});
    const int ones = choice(parser, "ones", {"black", "white"});
    const int endian = choice(parser, "endian", {"little", "big"});
    options->sampleType = sampleTypeByName(parser.value(QStringLiteral("sample-type")));
    if (options->image.mode < 0 || bitOrder < 0 || ones < 0 || endian < 0
        || options->sampleType < 0) {
        *error = QStringLiteral("unknown value of --image, --bit-order, --ones, --endian or "
                                "--sample-type (see --help)");
        return false;
    }
    options->image.highBitFirst = bitOrder == 0;
    options->image.oneIsBlack = ones == 0;
    options->image.bigEndian = endian == 1;

    const auto width = intOption(parser, "width", 1, 999, error);
    const auto height = intOption(parser, "height", 1, 999, error);
    const auto ccdCount = intOption(parser, "ccd-count", 1, 2, error);
    const auto ccdLine = intOption(parser, "ccd-line", 1, 9999, error);
    const auto channels = intOption(parser, "channels", 1, 8, error);
    const auto fps = intOption(parser, "fps", 0, kMaxFps, error);
    const auto stepEvery = intOption(parser, "step-every", 0, 1 << 30, error);
    const auto garbage = intOption(parser, "garbage", 0, 1 << 20, error);
    const auto corruptEvery = intOption(parser, "corrupt-every", 0, 1 << 30, error);
    const auto rounds = intOption(parser, "rounds", 0, 1 << 30, error);
    const auto seed = intOption(parser, "seed", 0, 1 << 30, error);
    if (!width || !height || !ccdCount || !ccdLine || !channels || !fps || !stepEvery
        || !garbage || !corruptEvery || !rounds || !seed)
        return false;
    options->image.width = *width;
    options->image.height = *height;
    options->ccdCount = *ccdCount;
    options->ccdLine = *ccdLine;
    options->channels = *channels;
    options->fps = *fps;
    options->stepEvery = *stepEvery;
    if (options->stepEvery == 0)
        options->stepEvery = *fps > 0 ? std::max(4, *fps * kStepSeconds) : kUnpacedStepRounds;
    options->garbage = *garbage;
    options->corruptEvery = *corruptEvery;
    options->rounds = *rounds;
    options->seed = quint32(*seed);
    options->record = parser.value(QStringLiteral("record"));
    // Names go over the line as the workbench writes them, in GB18030.
    const QTextCodec *codec = QTextCodec::codecForName("GB18030");
    const QString params = parser.value(QStringLiteral("params"));
    options->params = (codec ? codec->fromUnicode(params) : params.toUtf8()).split(',');
    *error = CarListener::namesProblem(options->params);
    return error->isEmpty();
}

// JustFloat carries no names, so the car answers nothing there.
CarListener::Answer answerIn(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Car:
        return CarListener::Answer::Frame;
    case Protocol::Text:
        return CarListener::Answer::Line;
    case Protocol::JustFloat:
    case Protocol::Custom:
        break;
    }
    return CarListener::Answer::None;
}

const char *protocolKey(Protocol protocol)
{
    const char *const keys[] = {"car", "text", "justfloat", "custom"};
    return keys[int(protocol)];
}

// The header the car tab writes when it records with the settings the car
// sends with.
Capture::Header captureHeader(const CarOptions &options)
{
    const auto number = [](int value) { return QString::number(value); };
    Capture::Header header{
        {QStringLiteral("tab"), QStringLiteral("car")},
        {QStringLiteral("version"), programVersion()},
        {QStringLiteral("protocol"), QLatin1String(protocolKey(options.protocol))},
        {QStringLiteral("image.mode"), number(options.image.mode)},
        {QStringLiteral("image.width"), number(options.image.width)},
        {QStringLiteral("image.height"), number(options.image.height)},
        {QStringLiteral("image.highBitFirst"), number(options.image.highBitFirst)},
        {QStringLiteral("image.oneIsBlack"), number(options.image.oneIsBlack)},
        {QStringLiteral("image.bigEndian"), number(options.image.bigEndian)},
        {QStringLiteral("ccd.count"), number(options.ccdCount)},
        {QStringLiteral("ccd.line"), number(options.ccdLine)},
        // Custom frames are cut by their description: --channels (refused
        // with them) stays at the tab's default, so a replay asks nothing.
        {QStringLiteral("scope.channels"), number(options.channels)},
        {QStringLiteral("scope.type"), number(options.sampleType)},
    };
    if (options.protocol == Protocol::Custom)
        header.insert(QStringLiteral("frame"), QString::fromUtf8(options.frameJson));
    return header;
}

// Sends one round (a frame of each kind asked for) per tick.
class Car
{
public:
    Car(const CarOptions &options, SimLink &link)
        : m_options(options)
        , m_link(link)
        , m_recording(CaptureWriter::kDefaultQueueLimit, [this] { return m_stampUs; })
        , m_scene(options.seed)
        , m_garbageState(options.seed * 2654435761u + 1)
    {
        m_scene.setStepInterval(options.stepEvery);
        m_clock.start();
    }

    // Sends a round (a frame of each kind asked for), and more while fewer
    // than `maxRounds` are sent and the batch is below `batchBytes`, in one
    // write: sending as fast as the line takes them, a write per frame would
    // make the simulator, not the line, the limit. False once the line has
    // gone or the rounds are done.
    bool sendRounds(qint64 maxRounds, int batchBytes)
    {
        bool more = sendRecordedRound();
        for (qint64 sent = 1; more && sent < maxRounds && m_out.size() < batchBytes; ++sent)
            more = sendRecordedRound();
        const bool written = m_link.write(m_out);
        m_out.clear();
        return more && written && m_recording.failure() == CaptureWriter::Failure::None;
    }

    // Other bytes sent between rounds (answers): recorded with the next round's time.
    bool send(const QByteArray &bytes)
    {
        record(timeUs(), bytes);
        return m_link.write(bytes);
    }

    qint64 roundsSent() const { return m_round; }

    // Records every round sent from now on into a capture file; why it
    // cannot, if so.
    QString startRecording(const QString &path, const Capture::Header &header)
    {
        return m_recording.open(path, header) ? QString() : m_recording.errorString();
    }
    // Ends the recording; its error, if it failed.
    QString endRecording()
    {
        m_recording.close();
        return m_recording.failure() == CaptureWriter::Failure::None
                   ? QString()
                   : m_recording.errorString();
    }

    // Rounds sent after this show the new value.
    void setParameter(const QByteArray &name, double value)
    {
        if (name == "speed") {
            const double speed = std::clamp(value, -kMaxSpeed, kMaxSpeed);
            m_step = speed / 100;
            m_scene.setSpeedSetpoint(speed);
        } else if (name == "kp") {
            m_scene.setKp(std::clamp(value, -kMaxGain, kMaxGain));
        } else if (name == "kd") {
            m_scene.setKd(std::clamp(value, -kMaxGain, kMaxGain));
        }
    }

private:
    // The time of the next round: where it falls at --fps, or as it happens unpaced.
    qint64 timeUs() const
    {
        if (m_options.fps > 0)
            return m_round * 1000000 / m_options.fps;
        return m_clock.nsecsElapsed() / 1000;
    }

    bool sendRecordedRound()
    {
        const qint64 time = timeUs();
        const int start = int(m_out.size());
        const bool more = sendRound();
        record(time, m_out.mid(start));
        return more;
    }

    // The capture's time is the rounds', so a recording made again is the same.
    void record(qint64 timeUs, const QByteArray &bytes)
    {
        if (!m_recording.isOpen())
            return;
        m_stampUs = timeUs;
        m_recording.append(bytes);
    }

    // The scene's channels sent: a description's, or --channels.
    int channels() const
    {
        if (m_options.protocol == Protocol::Custom)
            return int(m_options.frame.channels.size());
        return m_options.channels;
    }

    bool sendRound()
    {
        if (m_options.camera)
            add(CarLink::Image, m_scene.cameraPayload(m_options.image, m_position));
        if (m_options.ccd)
            add(CarLink::Ccd,
                m_scene.ccdPayload(m_options.ccdCount, m_options.ccdLine, m_position));
        if (m_options.scope) {
            const QByteArray payload =
                m_scene.scopePayload(channels(), m_options.sampleType, int(m_round));
            if (m_options.protocol == Protocol::Car)
                add(CarLink::Scope, payload);
            else
                addSamples(payload);
        }
        ++m_round;
        m_position += m_step;
        return m_options.rounds == 0 || m_round < m_options.rounds;
    }

    void add(int command, const QByteArray &payload)
    {
        m_out.append(garbage());
        QByteArray frame = CarLink::buildFrame(command, payload);
        ++m_frames;
        if (m_options.corruptEvery > 0 && m_frames % m_options.corruptEvery == 0)
            frame[frame.size() - 1] = char(command % 3 + 1); // another command's byte
        m_out.append(frame);
    }

    // The values of a car scope payload as text lines or a JustFloat frame.
    // A corrupted text round ends in a stray letter, which makes its last
    // line no sample; a corrupted JustFloat frame loses its tail.
    void addSamples(const QByteArray &payload)
    {
        double values[SampleStore::kChannels] = {};
        decodeSamples(m_options.sampleType, channels(), payload.constData(), values);
        if (m_options.protocol == Protocol::Custom) {
            for (int type = 0; type < int(m_options.frame.types.size()); ++type)
                addCustomFrame(type, values);
            return;
        }
        m_out.append(garbage());
        if (m_options.protocol == Protocol::JustFloat)
            appendJustFloat(values);
        else
            appendText(values);
        ++m_frames;
        if (m_options.corruptEvery > 0 && m_frames % m_options.corruptEvery == 0)
            m_out[m_out.size() - (m_options.protocol == Protocol::JustFloat ? 1 : 2)] = 'x';
    }

    // A frame of the described format; every type carries its own channels.
    void addCustomFrame(int type, const double *values)
    {
        m_out.append(garbage());
        QByteArray frame = FrameFormat::encode(m_options.frame, type, values);
        ++m_frames;
        if (m_options.corruptEvery > 0 && m_frames % m_options.corruptEvery == 0)
            spoil(frame);
        m_out.append(frame);
    }

    // Makes the decoder refuse the frame: a checksum byte, else the
    // trailer's last byte, else the first header byte inverted.
    void spoil(QByteArray &frame) const
    {
        const FrameFormat::Checksum &checksum = m_options.frame.checksum;
        const int frameBytes = int(frame.size() - m_options.frame.trailer.size());
        int at = 0;
        if (checksum.kind != FrameFormat::ChecksumKind::None)
            at = checksum.at < 0 ? frameBytes + checksum.at : checksum.at;
        else if (!m_options.frame.trailer.isEmpty())
            at = int(frame.size()) - 1;
        frame[at] = char(~frame[at]);
    }

    void appendJustFloat(const double *values)
    {
        for (int channel = 0; channel < m_options.channels; ++channel) {
            char bytes[4];
            qToLittleEndian(float(values[channel]), bytes);
            m_out.append(bytes, 4);
        }
        m_out.append(kJustFloatTail, 4);
    }

    // plain "v1,v2", labelled "ch1:v1,ch2:v2", teleplot ">ch1:v1" lines.
    void appendText(const double *values)
    {
        const TextFormat format = m_options.textFormat;
        for (int channel = 0; channel < m_options.channels; ++channel) {
            if (format == TextFormat::Teleplot)
                m_out.append('>');
            else if (channel > 0)
                m_out.append(',');
            if (format != TextFormat::Plain)
                m_out.append("ch" + QByteArray::number(channel + 1) + ':');
            appendNumber(values[channel]);
            if (format == TextFormat::Teleplot)
                m_out.append('\n');
        }
        if (format != TextFormat::Teleplot)
            m_out.append('\n');
    }

    // The shortest text that reads back as exactly this double, in the C
    // locale: integers print as integers, floats with up to 17 digits.
    void appendNumber(double value)
    {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, value);
        m_out.append(text, int(result.ptr - text));
    }

    QByteArray garbage()
    {
        QByteArray bytes(m_options.garbage, '\0');
        for (char &byte : bytes) {
            m_garbageState = m_garbageState * 1664525u + 1013904223u;
            byte = char(m_garbageState >> 24);
        }
        return bytes;
    }

    CarOptions m_options;
    SimLink &m_link;
    qint64 m_stampUs = 0;
    CaptureWriter m_recording;
    QElapsedTimer m_clock;
    CarScene m_scene;
    quint32 m_garbageState;
    qint64 m_round = 0;
    // Down the track: the round number, until a speed is set.
    double m_position = 0;
    double m_step = 1;
    qint64 m_frames = 0;
    QByteArray m_out;
};

int runCar(const QStringList &arguments)
{
    QCommandLineParser parser;
    addCarOptions(parser);
    QTextStream err(stderr);
    if (!parser.parse(arguments)) {
        err << "zentrik-sim car: " << parser.errorText() << "\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // Qt names the program in the first line; this mode has a name of its own.
        QString help = parser.helpText();
        help.replace(0, help.indexOf(QLatin1Char('\n')),
                     QStringLiteral("Usage: zentrik-sim car [options]"));
        QTextStream(stdout) << help;
        return 0;
    }
    CarOptions options;
    QString error;
    if (!readOptions(parser, &options, &error)) {
        err << "zentrik-sim car: " << error << "\n";
        return 2;
    }

    SimLink link;
    if (!link.open(parser))
        return 1;
    Car car(options, link);
    const QString recordingRefused =
        options.record.isEmpty() ? QString()
                                 : car.startRecording(options.record, captureHeader(options));
    if (!recordingRefused.isEmpty()) {
        err << "zentrik-sim car: cannot record into " << options.record << ": " << recordingRefused
            << "\n";
        return 1;
    }
    CarListener listener(options.params, answerIn(options.protocol),
                         [&car](const QByteArray &name, double value) {
                             car.setParameter(name, value);
                         });
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(options.fps > 0 ? qMax(1, 1000 / options.fps) : 0);
    QElapsedTimer clock;
    bool sending = false;
    // Answers wait for the write under way: they go between frames.
    QByteArray answers;
    const auto sendAnswers = [&] {
        while (!answers.isEmpty()) {
            const QByteArray bytes = std::exchange(answers, {});
            sending = true;
            car.send(bytes);
            sending = false;
        }
    };
    QObject::connect(&link, &SimLink::received, [&](const QByteArray &bytes) {
        const QByteArray more = listener.take(bytes);
        if (answers.size() + more.size() <= kMaxAnswersWaiting)
            answers.append(more);
        else
            err << "zentrik-sim car: the workbench reads nothing, answers dropped\n" << Qt::flush;
        if (!sending)
            sendAnswers();
    });
    QObject::connect(&tick, &QTimer::timeout, [&] {
        // A full line makes write() run the event loop; no round may start
        // inside another.
        if (sending)
            return;
        // Paced, every tick sends the rounds due by now, so rates above the
        // timer's resolution hold on average. Unpaced, rounds go out in
        // batches of a few kilobytes.
        qint64 due = std::numeric_limits<qint64>::max();
        if (options.fps > 0) {
            due = qint64(double(clock.nsecsElapsed()) * options.fps / 1e9) - car.roundsSent();
            if (due <= 0)
                return;
        }
        sending = true;
        if (!car.sendRounds(due, options.fps > 0 ? kPacedBatchBytes : kUnpacedBatchBytes)) {
            tick.stop();
            link.quitOnceRead();
        }
        sending = false;
        sendAnswers();
    });
    QObject::connect(&link, &SimLink::closed, [] { QCoreApplication::quit(); });
    clock.start();
    tick.start();
    const int exitCode = QCoreApplication::exec();
    const QString recordingError = car.endRecording();
    if (!recordingError.isEmpty()) {
        err << "zentrik-sim car: recording into " << options.record
            << " stopped: " << recordingError << "\n";
        return 1;
    }
    return exitCode;
}

} // namespace

SimMode carSimMode()
{
    return {QStringLiteral("car"),
            QStringLiteral("a smart car: camera images, CCD lines, oscilloscope samples"), runCar};
}
