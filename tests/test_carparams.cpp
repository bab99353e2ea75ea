// Tuning the car without a window: the messages a parameter goes out as,
// command 4 of the car link, the parameter file and the send pacer.
#include "carframe.h"
#include "carparams.h"
#include "rawbytes.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <vector>

namespace {

CarParameter parameter(const QString &name, double value, int decimals = 2)
{
    CarParameter row;
    row.name = name;
    row.value = value;
    row.minimum = -10;
    row.maximum = 10;
    row.step = 0.25;
    row.decimals = decimals;
    return row;
}

struct Frame
{
    int command;
    QByteArray payload;
};

std::vector<Frame> cut(const CarLink::FrameLengths &lengths, const QByteArray &stream,
                       CarFrameParser *parser)
{
    std::vector<Frame> frames;
    parser->setFrameLengths(lengths);
    for (int command = 1; command < CarLink::kCommandCount; ++command)
        parser->setHandler(command, [&frames, command](const char *payload, int length) {
            frames.push_back({command, QByteArray(payload, length)});
        });
    parser->append(stream);
    return frames;
}

// A valid file with one field replaced, of its first row or of the whole.
QByteArray fileWith(const QString &field, const QJsonValue &value, bool ofRow = false)
{
    CarParameterSet set;
    set.rows = {parameter(QStringLiteral("kp"), 1)};
    QJsonObject object = QJsonDocument::fromJson(CarParams::toJson(set)).object();
    QJsonObject row = object.value(QLatin1String("rows")).toArray().at(0).toObject();
    row.insert(field, value);
    object.insert(ofRow ? QStringLiteral("rows") : field, ofRow ? QJsonArray{row} : value);
    return QJsonDocument(object).toJson();
}

QByteArray fileWithRow(const QString &field, const QJsonValue &value)
{
    return fileWith(field, value, true);
}

} // namespace

Q_DECLARE_METATYPE(CarParameter)

class TestCarParams : public QObject
{
    Q_OBJECT
private slots:
    void textMessageFollowsTheTemplate_data();
    void textMessageFollowsTheTemplate();
    void badTemplatesAreRefused_data();
    void badTemplatesAreRefused();
    void binaryFrameIsReadBackByTheCarParser();
    void withoutItsLengthCommandFourIsNotLookedFor();
    void setRoundTripsThroughItsFile();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void pacerSendsTheFirstAtOnceTheLastOnceLaterAndNothingOnceCancelled();
    void pacerNeverSendsOneParameterMoreThanTwentyTimesASecond();
};

void TestCarParams::textMessageFollowsTheTemplate_data()
{
    QTest::addColumn<QString>("textTemplate");
    QTest::addColumn<CarParameter>("row");
    QTest::addColumn<QByteArray>("message");
    const CarParameter kp = parameter(QStringLiteral("kp"), 1.256);
    QTest::newRow("default") << QStringLiteral("%name=%value\\n") << kp << QByteArray("kp=1.26\n");
    QTest::newRow("index") << QStringLiteral("P%index:%value\\r\\n") << kp
                           << QByteArray("P3:1.26\r\n");
    QTest::newRow("no decimals") << QStringLiteral("%value")
                                 << parameter(QStringLiteral("n"), -7.4, 0) << QByteArray("-7");
    QTest::newRow("rounds to zero") << QStringLiteral("%value")
                                    << parameter(QStringLiteral("n"), -0.001) << QByteArray("0.00");
    QTest::newRow("six decimals") << QStringLiteral("%value")
                                  << parameter(QStringLiteral("n"), 0.125, 6)
                                  << QByteArray("0.125000");
    QTest::newRow("escapes") << QStringLiteral("\\t\\\\\\\"\\'\\xA5\\x7%%name\\0") << kp
                             << bytes({'\t', '\\', '"', '\'', 0xA5, 0x07, '%', 'n', 'a', 'm', 'e',
                                       0});
    QTest::newRow("GB18030 name") << QStringLiteral("%name=%value;")
                                  << parameter(QStringLiteral("速度"), 2, 1)
                                  << bytes({0xCB, 0xD9, 0xB6, 0xC8, '=', '2', '.', '0', ';'});
}

void TestCarParams::textMessageFollowsTheTemplate()
{
    QFETCH(QString, textTemplate);
    QFETCH(CarParameter, row);
    QFETCH(QByteArray, message);
    QVERIFY(CarParams::templateValid(textTemplate, nullptr));
    QCOMPARE(CarParams::textMessage(textTemplate, row, 3), message);
}

void TestCarParams::badTemplatesAreRefused_data()
{
    QTest::addColumn<QString>("textTemplate");
    QTest::newRow("empty") << QString();
    QTest::newRow("too long") << QString(CarParams::kMaxTemplateLength + 1, QLatin1Char('a'));
    QTest::newRow("unknown placeholder") << QStringLiteral("%nam=%value");
    QTest::newRow("lone percent at the end") << QStringLiteral("%value%");
    QTest::newRow("unknown escape") << QStringLiteral("%value\\q");
    QTest::newRow("backslash at the end") << QStringLiteral("%value\\");
    QTest::newRow("hex escape without digits") << QStringLiteral("\\xg%value");
    QTest::newRow("lone surrogate") << QStringLiteral("%value") + QChar(0xD800);
}

void TestCarParams::badTemplatesAreRefused()
{
    QFETCH(QString, textTemplate);
    QString problem;
    QVERIFY(!CarParams::templateValid(textTemplate, &problem));
    QVERIFY(!problem.isEmpty());
    QVERIFY(CarParams::textMessage(textTemplate, parameter(QStringLiteral("kp"), 1), 0).isEmpty());
    QVERIFY(CarParams::templateValid(QString(CarParams::kMaxTemplateLength, QLatin1Char('a')),
                                     nullptr));
}

void TestCarParams::binaryFrameIsReadBackByTheCarParser()
{
    const QByteArray frame = CarParams::binaryMessage(1, 1.5);
    QCOMPARE(frame, bytes({0x04, 0xFB, 0x01, 0x00, 0x00, 0xC0, 0x3F, 0xFB, 0x04}));
    CarLink::FrameLengths lengths{0, 2, 0, 1, CarParams::kPayloadLength};
    const QByteArray image = CarLink::buildFrame(CarLink::Image, "ab");
    CarFrameParser parser;
    const auto frames
        = cut(lengths, image + frame + CarParams::binaryMessage(200, -2.25) + image, &parser);
    QCOMPARE(int(frames.size()), 4);
    QCOMPARE(frames[1].command, int(CarLink::Param));
    QCOMPARE(frames[3].command, int(CarLink::Image));
    int index = -1;
    double value = 0;
    QVERIFY(CarParams::readBinaryPayload(frames[2].payload.constData(), frames[2].payload.size(),
                                         index, value));
    QCOMPARE(index, 200);
    QCOMPARE(value, -2.25);

    // Beyond a float the car gets the largest one; what is no number is not sent.
    const QByteArray huge = CarParams::binaryMessage(0, 1e300).mid(2, CarParams::kPayloadLength);
    QVERIFY(CarParams::readBinaryPayload(huge.constData(), huge.size(), index, value));
    QCOMPARE(value, double(FLT_MAX));
    QVERIFY(CarParams::binaryMessage(0, std::nan("")).isEmpty());
    QVERIFY(CarParams::binaryMessage(0, -HUGE_VAL).isEmpty());
    for (const double notFinite : {std::nan(""), HUGE_VAL})
        QVERIFY(CarParams::textMessage(QStringLiteral("%name=%value\\n"),
                                       parameter(QStringLiteral("kp"), notFinite), 0)
                    .isEmpty());
    QVERIFY(CarParams::binaryMessage(256, 1).isEmpty());
    const QByteArray infinite = bytes({0, 0x00, 0x00, 0x80, 0x7F});
    QVERIFY(!CarParams::readBinaryPayload(infinite.constData(), infinite.size(), index, value));
    QVERIFY(!CarParams::readBinaryPayload(frames[2].payload.constData(), 4, index, value));
}

void TestCarParams::withoutItsLengthCommandFourIsNotLookedFor()
{
    // "04 FB FB 04" would be an empty parameter frame if command 4 were
    // looked for at length 0.
    const QByteArray stream = bytes({0x04, 0xFB, 0xFB, 0x04})
                              + CarLink::buildFrame(CarLink::Image, "abc") + bytes({0x04, 0xFB})
                              + CarLink::buildFrame(CarLink::Ccd, "def")
                              + bytes({0x04, 0xFB, 0xFB, 0x04, 0x00});
    CarFrameParser parser;
    const auto frames = cut({0, 3, 3, 3, 0}, stream, &parser);
    QCOMPARE(int(frames.size()), 2);
    QCOMPARE(frames[0].payload, QByteArray("abc"));
    QCOMPARE(frames[1].payload, QByteArray("def"));
    QCOMPARE(parser.framesHandled(CarLink::Param), 0);
    QCOMPARE(parser.buffer(), bytes({0x04, 0xFB, 0xFB, 0x04, 0x00}));
}

void TestCarParams::setRoundTripsThroughItsFile()
{
    CarParameterSet set;
    set.mode = CarParameterSet::Mode::Binary;
    set.textTemplate = QStringLiteral("#%index %name:%value\\r\\n%%");
    set.rows = {parameter(QStringLiteral("speed"), 0.1 + 0.2, 6),
                parameter(QStringLiteral("速度"), -3, 0)};
    set.rows[0].minimum = -1e9;
    set.rows[0].step = 1e-6;
    set.rows[1].minimum = -1e-9;
    set.rows[1].maximum = 1e9;
    set.rows[1].step = 1e9;
    set.rows[1].value = 12345.678;
    QCOMPARE(CarParams::fromJson(CarParams::toJson(set), nullptr), set);

    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.zparams"));
    QVERIFY(CarParams::saveFile(path, set, nullptr));
    QCOMPARE(CarParams::loadFile(path, nullptr), set);

    // A value outside its bounds is kept at the nearer bound.
    const auto clamped = CarParams::fromJson(fileWithRow(QStringLiteral("value"), 11), nullptr);
    QVERIFY(clamped);
    QCOMPARE(clamped->rows.at(0).value, 10.0);

    QFile big(path);
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(CarParams::kMaxFileSize + 1));
    big.close();
    QString problem;
    QVERIFY(!CarParams::loadFile(path, &problem));
    QVERIFY(!problem.isEmpty());
    // A pipe nobody writes to is refused, not waited on.
    const QString pipe = dir.filePath(QStringLiteral("pipe.zparams"));
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(!CarParams::loadFile(pipe, &problem));
    QVERIFY(
        !CarParams::saveFile(dir.filePath(QStringLiteral("missing/set.zparams")), set, &problem));

    // A refusal names the row as written, whatever it holds.
    set.rows[0].name = QStringLiteral("k%1");
    set.rows[0].decimals = 7;
    QVERIFY(!CarParams::fromJson(CarParams::toJson(set), &problem));
    QVERIFY2(problem.contains(QLatin1String("k%1")), qPrintable(problem));
}

void TestCarParams::damagedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    CarParameterSet full;
    for (int i = 0; i <= CarParameterSet::kMaxRows; ++i)
        full.rows.append(parameter(QStringLiteral("p%1").arg(i), 0));
    CarParameterSet twice;
    twice.rows = {parameter(QStringLiteral("kp"), 0), parameter(QStringLiteral("kp"), 1)};
    QTest::newRow("not JSON") << QByteArray("{\"format\": ");
    QTest::newRow("an array") << QByteArray("[]");
    QTest::newRow("a repeated field") << QByteArray(CarParams::toJson(CarParameterSet()))
                                             .replace("\"rows\"", "\"rows\": [[]], \"rows\"");
    QTest::newRow("other format") << fileWith(QStringLiteral("format"),
                                              QStringLiteral("zentrik-map"));
    QTest::newRow("version 2") << fileWith(QStringLiteral("version"), 2);
    QTest::newRow("unknown mode") << fileWith(QStringLiteral("mode"), QStringLiteral("hex"));
    QTest::newRow("bad template") << fileWith(QStringLiteral("template"), QStringLiteral("%v"));
    QTest::newRow("long template")
        << fileWith(QStringLiteral("template"), QString(300, QLatin1Char('a')));
    QTest::newRow("rows not a list") << fileWith(QStringLiteral("rows"), QJsonObject());
    QTest::newRow("33 rows") << CarParams::toJson(full);
    QTest::newRow("same name twice") << CarParams::toJson(twice);
    QTest::newRow("row not an object") << fileWith(QStringLiteral("rows"), QJsonArray{1});
    QTest::newRow("value missing") << fileWithRow(QStringLiteral("value"), QJsonValue());
    QTest::newRow("value as text") << fileWithRow(QStringLiteral("value"), QStringLiteral("1"));
    QTest::newRow("infinite maximum")
        << QByteArray(fileWithRow(QStringLiteral("max"), 12345).replace("12345", "1e999"));
    QTest::newRow("min above max") << fileWithRow(QStringLiteral("min"), 11);
    QTest::newRow("step zero") << fileWithRow(QStringLiteral("step"), 0);
    QTest::newRow("step below 1e-6") << fileWithRow(QStringLiteral("step"), 0.99e-6);
    QTest::newRow("step beyond 1e9") << fileWithRow(QStringLiteral("step"), 1.01e9);
    QTest::newRow("maximum beyond 1e9") << fileWithRow(QStringLiteral("max"), 1e9 + 1);
    QTest::newRow("minimum beyond -1e9") << fileWithRow(QStringLiteral("min"), -1e9 - 1);
    QJsonObject extreme = QJsonDocument::fromJson(fileWithRow(QStringLiteral("min"), -1e308)).object();
    QJsonObject extremeRow = extreme.value(QLatin1String("rows")).toArray().at(0).toObject();
    extremeRow.insert(QStringLiteral("max"), 1e308);
    extremeRow.insert(QStringLiteral("step"), 1e-300);
    extreme.insert(QStringLiteral("rows"), QJsonArray{extremeRow});
    QTest::newRow("limits a slider cannot divide") << QJsonDocument(extreme).toJson();
    QTest::newRow("decimals 7") << fileWithRow(QStringLiteral("decimals"), 7);
    QTest::newRow("decimals fractional") << fileWithRow(QStringLiteral("decimals"), 1.5);
    QTest::newRow("name empty") << fileWithRow(QStringLiteral("name"), QString());
    QTest::newRow("name of 32 bytes")
        << fileWithRow(QStringLiteral("name"), QString(32, QLatin1Char('k')));
    QTest::newRow("name of 16 GB18030 characters")
        << fileWithRow(QStringLiteral("name"), QString(16, QChar(0x901F)));
    for (const char *name : {"k p", "k=p", "k:p", "k,p", "k\tp", "k\np"})
        QTest::newRow(name) << fileWithRow(QStringLiteral("name"), QLatin1String(name));
    QTest::newRow("name with a control character")
        << fileWithRow(QStringLiteral("name"), QStringLiteral("k\u0085p"));
    QTest::newRow("name turned right to left")
        << fileWithRow(QStringLiteral("name"), QStringLiteral("\u202Ekp"));
    QTest::newRow("name with a zero-width space")
        << fileWithRow(QStringLiteral("name"), QStringLiteral("k\u200Bp"));
}

void TestCarParams::damagedFilesAreRefused()
{
    QFETCH(QByteArray, json);
    QString problem;
    QVERIFY(!CarParams::fromJson(json, &problem));
    QVERIFY(!problem.isEmpty());
}

void TestCarParams::pacerSendsTheFirstAtOnceTheLastOnceLaterAndNothingOnceCancelled()
{
    std::vector<int> values;
    int value = 0;
    ParameterSendPacer pacer([&](int) { values.push_back(value); });
    QElapsedTimer burst;
    burst.start();
    // A burst with no event handled in between, as a dragged slider gives.
    for (value = 1; value <= 10; ++value)
        pacer.changed(0);
    value = 10;
    QCOMPARE(values, std::vector<int>{1});
    QVERIFY(pacer.pending(0));
    QVERIFY(!pacer.pending(1));
    QTRY_COMPARE_WITH_TIMEOUT(values.size(), size_t(2), 5000);
    QVERIFY(burst.elapsed() >= ParameterSendPacer::kIntervalMs - 1);
    QCOMPARE(values.back(), 10);
    QVERIFY(!pacer.pending(0));
    QTest::qWait(3 * ParameterSendPacer::kIntervalMs);
    QCOMPARE(values.size(), size_t(2));

    // The source closed: what waits is dropped.
    pacer.changed(0);
    pacer.changed(0);
    pacer.changed(1);
    QCOMPARE(values.size(), size_t(4));
    pacer.cancelAll();
    QVERIFY(!pacer.pending(0));
    QTest::qWait(3 * ParameterSendPacer::kIntervalMs);
    QCOMPARE(values.size(), size_t(4));
}

// On a clock the test drives: one parameter goes out at most every 1000 / 20
// ms, another is not held back by it, and one waiting goes out when its
// time comes.
void TestCarParams::pacerNeverSendsOneParameterMoreThanTwentyTimesASecond()
{
    constexpr qint64 kMinimumGapMs = 1000 / 20;
    qint64 now = 5000;
    std::vector<std::pair<int, qint64>> sent;
    ParameterSendPacer pacer([&](int index) { sent.push_back({index, now}); }, nullptr,
                             [&now] { return now; });
    pacer.changed(0);
    now += 10;
    pacer.changed(0);
    pacer.changed(1);
    QCOMPARE(sent.size(), size_t(2));
    QCOMPARE(sent[1].first, 1);
    QVERIFY(pacer.pending(0));

    now = 5000 + kMinimumGapMs - 1;
    pacer.changed(0);
    QCOMPARE(sent.size(), size_t(2));
    now = 5000 + kMinimumGapMs;
    QTRY_COMPARE_WITH_TIMEOUT(sent.size(), size_t(3), 5000);

    now += kMinimumGapMs - 1;
    pacer.changed(0);
    QVERIFY(pacer.pending(0));
    now += 1;
    QTRY_COMPARE_WITH_TIMEOUT(sent.size(), size_t(4), 5000);
    now += kMinimumGapMs;
    pacer.changed(0);
    QCOMPARE(sent.size(), size_t(5));
    for (size_t i = 1; i < sent.size(); ++i) {
        if (sent[i].first == 0 && sent[i - 1].first == 0)
            QVERIFY(sent[i].second - sent[i - 1].second >= kMinimumGapMs);
    }
}

QTEST_GUILESS_MAIN(TestCarParams)
#include "test_carparams.moc"
