#include "samplestore.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <limits>

SampleStore::SampleStore(quint64 capacity)
    : m_capacity(capacity)
{
    const quint64 doubles = kRegions * (capacity + 1);
    if (capacity == 0 || doubles > std::numeric_limits<size_t>::max() / sizeof(double))
        return;
    // Reserved, not touched: the pages are committed only as samples are
    // written, so an idle oscilloscope costs next to no memory.
    m_blockBytes = size_t(doubles) * sizeof(double);
    void *block = mmap(nullptr, m_blockBytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) {
        m_blockBytes = 0;
        return;
    }
    m_block = static_cast<double *>(block);
    m_summary.resize(size_t(capacity / kSummaryBlock + 3));
    resetWindows();
}

SampleStore::~SampleStore()
{
    if (m_block)
        munmap(m_block, m_blockBytes);
}

void SampleStore::resetWindows()
{
    for (int index = 0; index < kWindows; ++index)
        m_windows[index] = regionStart(index);
    m_size = 0;
    m_slides = 0;
    m_rotation = 8;
    m_appended = 0;
    m_summarySlot = 0;
    m_nonFiniteRefused = 0;
}

void SampleStore::clear()
{
    if (m_block)
        resetWindows();
}

bool SampleStore::append(const double *values, int count)
{
    if (!m_block)
        return false;
    double row[kChannels];
    count = std::clamp(count, 0, kChannels);
    if (!std::all_of(values, values + count, [](double value) { return std::isfinite(value); })) {
        ++m_nonFiniteRefused;
        return false;
    }
    std::copy(values, values + count, row);
    std::fill(row + count, row + kChannels, 0.0);

    const quint64 n = m_size;
    m_windows[kXWindow][n] = n == 0 ? 0.0 : m_windows[kXWindow][n - 1] + 1;
    for (int channel = 0; channel < kChannels; ++channel)
        m_windows[channel][n] = row[channel];
    updateSummary(m_appended++, row);

    if (n < m_capacity) {
        m_size = n + 1;
        return true;
    }
    for (double *&start : m_windows)
        ++start;
    if (m_slides == 0) {
        m_slides = 1;
        return true;
    }
    // The element just written into the last region, mirrored into the first.
    regionStart(0)[m_slides - 1] = regionStart(kRegions - 1)[m_slides - 1];
    if (m_slides >= m_capacity) {
        m_windows[m_rotation] = regionStart(0);
        m_slides = 0;
        m_rotation = m_rotation == 0 ? 8 : m_rotation - 1;
    } else {
        ++m_slides;
    }
    return true;
}

// The slot of a sequence is (sequence / kSummaryBlock) modulo the ring size,
// kept as a running index: no division per sample.
void SampleStore::updateSummary(quint64 sequence, const double *values)
{
    if (sequence % kSummaryBlock == 0) {
        if (sequence > 0 && ++m_summarySlot == m_summary.size())
            m_summarySlot = 0;
        Extremes &slot = m_summary[m_summarySlot];
        std::copy(values, values + kChannels, slot.min);
        std::copy(values, values + kChannels, slot.max);
        return;
    }
    Extremes &slot = m_summary[m_summarySlot];
    for (int channel = 0; channel < kChannels; ++channel) {
        slot.min[channel] = std::min(slot.min[channel], values[channel]);
        slot.max[channel] = std::max(slot.max[channel], values[channel]);
    }
}

void SampleStore::scan(const double *values, quint64 first, quint64 last, double &min,
                       double &max) const
{
    // Four running extremes instead of one: the comparisons no longer wait
    // for each other.
    double lows[4] = {min, min, min, min};
    double highs[4] = {max, max, max, max};
    quint64 index = first;
    for (; index + 3 <= last; index += 4) {
        for (int lane = 0; lane < 4; ++lane) {
            lows[lane] = std::min(lows[lane], values[index + lane]);
            highs[lane] = std::max(highs[lane], values[index + lane]);
        }
    }
    for (; index <= last; ++index) {
        lows[0] = std::min(lows[0], values[index]);
        highs[0] = std::max(highs[0], values[index]);
    }
    min = std::min(std::min(lows[0], lows[1]), std::min(lows[2], lows[3]));
    max = std::max(std::max(highs[0], highs[1]), std::max(highs[2], highs[3]));
}

void SampleStore::minMax(int channel, quint64 first, quint64 last, double &min,
                         double &max) const
{
    const double *values = m_windows[channel];
    min = max = values[first];
    // Sequence numbers make the summary blocks independent of where the
    // window happens to start.
    const quint64 base = m_appended - m_size;
    const quint64 firstFull = (base + first + kSummaryBlock - 1) / kSummaryBlock;
    const quint64 endFull = (base + last + 1) / kSummaryBlock; // one past the last full block
    if (firstFull >= endFull) {
        scan(values, first, last, min, max);
        return;
    }
    const quint64 head = firstFull * kSummaryBlock - base; // first position of a full block
    if (head > first)
        scan(values, first, head - 1, min, max);
    for (quint64 block = firstFull; block < endFull; ++block) {
        const Extremes &slot = m_summary[size_t(block % m_summary.size())];
        min = std::min(min, slot.min[channel]);
        max = std::max(max, slot.max[channel]);
    }
    const quint64 tail = endFull * kSummaryBlock - base;
    if (tail <= last)
        scan(values, tail, last, min, max);
}

SampleRange SampleStore::positionsOf(SampleRange sequences) const
{
    if (sequences.first >= m_appended)
        return {};
    // Not first + count: that may pass 2^64.
    const quint64 end = sequences.first + std::min(sequences.count, m_appended - sequences.first);
    const quint64 first = std::max(sequences.first, firstSequence());
    if (first >= end)
        return {};
    return {first - firstSequence(), end - first};
}
