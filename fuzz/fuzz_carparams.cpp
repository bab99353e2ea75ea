// The parameter file reader: whatever a file holds, a set it accepts keeps
// every bound, goes out as messages, and comes back equal from its own file.
// The same bytes read as a send template: accepted exactly when it makes a
// message.
#include "carparams.h"
#include "fuzzcheck.h"
#include "hiddentext.h"

#include <QSet>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

void checkBounds(const CarParameterSet &set)
{
    check(set.rows.size() <= CarParameterSet::kMaxRows, "at most 32 rows");
    check(CarParams::templateValid(set.textTemplate, nullptr), "a valid template");
    QSet<QString> names;
    for (int i = 0; i < set.rows.size(); ++i) {
        const CarParameter &row = set.rows.at(i);
        check(CarParams::nameValid(row.name) && !HiddenText::contains(row.name), "valid names");
        check(!names.contains(row.name), "distinct names");
        names.insert(row.name);
        check(std::isfinite(row.value) && std::isfinite(row.minimum) && std::isfinite(row.maximum)
                  && std::isfinite(row.step),
              "finite numbers");
        check(row.minimum <= row.value && row.value <= row.maximum, "values within their bounds");
        check(std::abs(row.minimum) <= CarParams::kMaxMagnitude
                  && std::abs(row.maximum) <= CarParams::kMaxMagnitude,
              "limits the page shows");
        check(row.step >= CarParams::kMinStep && row.step <= CarParams::kMaxMagnitude,
              "steps the page shows");
        check(std::isfinite((row.maximum - row.minimum) / row.step), "a slider can divide the span");
        check(row.decimals >= 0 && row.decimals <= CarParams::kMaxDecimals, "decimals 0..6");
        check(!CarParams::textMessage(set.textTemplate, row, i).isEmpty(),
              "a text message per row");
        check(CarParams::binaryMessage(i, row.value).size() == CarParams::kPayloadLength + 4,
              "a binary frame per row");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QString problem;
    const std::optional<CarParameterSet> set = CarParams::fromJson(bytes, &problem);
    if (set) {
        checkBounds(*set);
        check(CarParams::fromJson(CarParams::toJson(*set), nullptr) == set, "round trip");
    } else {
        check(!problem.isEmpty(), "a refusal says why");
    }

    if (size <= 2 * CarParams::kMaxTemplateLength) {
        const QString text = QString::fromUtf8(bytes);
        check(!CarParams::nameValid(text) || !HiddenText::contains(text),
              "a valid name hides nothing");
        CarParameter row;
        row.name = QStringLiteral("kp");
        const bool valid = CarParams::templateValid(text, nullptr);
        const QByteArray message = CarParams::textMessage(text, row, 7);
        check(valid == !message.isEmpty(), "a valid template makes a message");

        // Any double as the value, from the first bytes: what is not finite
        // goes out in neither mode.
        if (size >= sizeof(double)) {
            std::memcpy(&row.value, data, sizeof(double));
            const bool finite = std::isfinite(row.value);
            check(finite || CarParams::textMessage(text, row, 7).isEmpty(), "no text for Inf or NaN");
            check(finite == !CarParams::binaryMessage(7, row.value).isEmpty(),
                  "a frame exactly for finite values");
        }
    }
    return 0;
}
