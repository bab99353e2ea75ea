#pragma once

#include <QtGlobal>

#include <vector>

// A run of samples: `count` from `first`, either window positions or
// sequence numbers (see SampleStore::firstSequence()) as the function
// taking or giving it says.
struct SampleRange
{
    quint64 first = 0;
    quint64 count = 0;
    quint64 end() const { return first + count; }
};

// The oscilloscope's history: the newest `capacity` samples of eight
// channels, each channel (and the X values) always one contiguous run of
// doubles that the plot reads in place.
//
// One block of ten regions of capacity + 1 doubles holds nine sliding
// windows: windows 0..7 are the channels, window 8 the X values. While the
// windows fill up they grow; once full, every new sample moves all nine
// starts one element forward, each into the room its neighbour left
// behind. The window that runs into the last region is mirrored, element by
// element as it goes, into the first region (free by then) and moved there
// once it has fully entered the last one. So storing a sample costs a fixed
// handful of writes and no window is ever copied as a whole.
//
// Beside the block, a min/max summary per block of kSummaryBlock samples of
// every channel lets the plot find the extremes of any run of samples
// without reading all of it.
class SampleStore
{
public:
    static constexpr int kChannels = 8;
    static constexpr int kWindows = 9;
    static constexpr int kXWindow = 8;
    static constexpr int kRegions = 10;
    static constexpr quint64 kDefaultCapacity = 1048575;
    static constexpr quint64 kSummaryBlock = 64;

    explicit SampleStore(quint64 capacity = kDefaultCapacity);
    ~SampleStore();
    SampleStore(const SampleStore &) = delete;
    SampleStore &operator=(const SampleStore &) = delete;

    // False when the block could not be reserved; the store then holds
    // nothing and ignores appends.
    bool isAllocated() const { return m_block != nullptr; }
    quint64 capacity() const { return m_capacity; }

    // Stores one sample: `values` of channels 1..count (count 1..8); the
    // channels above count get 0 so every window stays aligned with X.
    // False (and nothing stored) when the block is missing, or when one of
    // the values is infinite or NaN: such a sample has no place on a plot,
    // and one in the summary would hide every extreme of its block.
    bool append(const double *values, int count);
    // Samples refused as not finite since the last clear.
    qint64 nonFiniteRefused() const { return m_nonFiniteRefused; }

    // Empties every window and puts them back at the start of their regions.
    void clear();

    // N: samples in every window.
    quint64 size() const { return m_size; }
    // Start of window 0..8; `size()` doubles are valid from there.
    const double *window(int index) const { return m_windows[index]; }
    const double *xValues() const { return m_windows[kXWindow]; }

    // Every sample appended since the last clear has a sequence number,
    // counting from 0, that stays with it while the windows slide: window
    // position i holds sequence firstSequence() + i (its X value). A held
    // view keeps sequence numbers and maps them back with positionsOf().
    // clear() starts the numbering over, so a held view lets go on clear.
    quint64 firstSequence() const { return m_appended - m_size; }
    // One past the newest sample's sequence number.
    quint64 endSequence() const { return m_appended; }
    // The window positions of the sequence numbers in `sequences` that are
    // still stored: clamped to the store, empty when none of them is.
    SampleRange positionsOf(SampleRange sequences) const;

    // Smallest and largest value of `channel` at window positions
    // first..last (inclusive, first <= last < size()).
    void minMax(int channel, quint64 first, quint64 last, double &min, double &max) const;

    // For checks of the window bookkeeping.
    quint64 slideCount() const { return m_slides; }
    int rotationIndex() const { return m_rotation; }
    const double *region(int index) const { return m_block + index * (m_capacity + 1); }

private:
    double *regionStart(int index) { return m_block + index * (m_capacity + 1); }
    void resetWindows();
    void updateSummary(quint64 sequence, const double *values);
    void scan(const double *values, quint64 first, quint64 last, double &min, double &max) const;

    quint64 m_capacity;
    size_t m_blockBytes = 0;
    double *m_block = nullptr;
    double *m_windows[kWindows] = {};
    quint64 m_size = 0;     // N
    quint64 m_slides = 0;   // M
    quint8 m_rotation = 8;  // r
    qint64 m_nonFiniteRefused = 0;
    quint64 m_appended = 0; // samples since the last clear; sequence of window position 0 is
                            // m_appended - m_size

    // Per summary block (indexed by sequence / kSummaryBlock modulo the ring
    // size) the min and max of every channel: [slot][channel].
    struct Extremes
    {
        double min[kChannels];
        double max[kChannels];
    };
    std::vector<Extremes> m_summary;
    size_t m_summarySlot = 0; // where the block of the next sample is summarised
};
