// What one CCD frame costs: two sensors analysed and drawn plus one track
// record row, first as plain image work, then through the page with its
// labels, for short and long lines at picture sizes a maximised window gives.
#include "ccddrawing.h"
#include "ccdview.h"
#include "scripteddialogs.h"
#include "widgetlookup.h"

#include <QApplication>
#include <QComboBox>
#include <QSpinBox>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

const QSize kPictureSize(900, 160);
const QSize kTrackSize(900, 300);

// A track under a line sensor: bright floor between two dark edges that
// drift from frame to frame.
std::vector<uchar> trackLine(int width, int frame)
{
    std::vector<uchar> line(static_cast<size_t>(width));
    const int shift = int(width / 8 * std::sin(frame * 0.05));
    const int left = width / 4 + shift;
    const int right = 3 * width / 4 + shift;
    for (int i = 0; i < width; ++i)
        line[size_t(i)] = uchar(i > left && i < right ? 200 + (i * 7) % 40 : 30 + (i * 3) % 20);
    return line;
}

// A few hundred distinct payloads of two sensors, so the work is not one
// line cached over and over.
std::vector<QByteArray> payloads(int width)
{
    std::vector<QByteArray> frames;
    for (int frame = 0; frame < 256; ++frame) {
        QByteArray payload;
        for (int sensor = 0; sensor < 2; ++sensor) {
            const std::vector<uchar> line = trackLine(width, frame + 40 * sensor);
            payload.append(reinterpret_cast<const char *>(line.data()), width);
        }
        frames.push_back(payload);
    }
    return frames;
}

void BM_CcdDrawing(benchmark::State &state)
{
    const int width = int(state.range(0));
    const std::vector<QByteArray> frames = payloads(width);
    std::vector<uchar> differences(static_cast<size_t>(width));
    std::array<QImage, 2> pictures;
    CcdTrackRecord track;
    track.reset(width, kTrackSize);

    size_t next = 0;
    for (auto _ : state) {
        const auto *payload = reinterpret_cast<const uchar *>(frames[next].constData());
        next = (next + 1) % frames.size();
        track.append(payload);
        benchmark::DoNotOptimize(track.picture());
        for (int sensor = 0; sensor < 2; ++sensor) {
            const uchar *line = payload + sensor * width;
            const CcdStatistics statistics = analyseCcdLine(line, width, differences.data());
            const CcdThreshold threshold =
                resolveCcdThreshold(CcdThresholdBasis::Difference, 128, statistics.maxDifference);
            drawCcdPicture(pictures[size_t(sensor)], kPictureSize, line, differences.data(), width,
                           statistics, CcdThresholdBasis::Difference, threshold.value);
        }
        benchmark::DoNotOptimize(pictures);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_CcdPageFrame(benchmark::State &state)
{
    const int width = int(state.range(0));
    const std::vector<QByteArray> frames = payloads(width);
    ScriptedDialogs dialogs;
    CcdView view(dialogs);
    view.resize(kPictureSize.width() + 200, 2 * kPictureSize.height() + kTrackSize.height() + 150);
    view.show();
    child<QComboBox>(&view, "car_ccd_num")->setCurrentIndex(1);
    child<QSpinBox>(&view, "car_ccd_line")->setValue(width);
    view.setLinkOpen(true);

    size_t next = 0;
    for (auto _ : state) {
        const QByteArray &payload = frames[next];
        next = (next + 1) % frames.size();
        view.handleFrame(payload.constData(), payload.size());
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_CcdDrawing)->Arg(128)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CcdPageFrame)->Arg(128)->Arg(1024)->Unit(benchmark::kMicrosecond);
