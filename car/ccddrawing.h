#pragma once

#include <QImage>
#include <QSize>

#include <vector>

// Drawing of one linear CCD line: the picture with grey stripes, grey curve,
// difference curve and threshold line, and the statistics beside it. Plain
// image work, no widgets, so the page and the benchmarks share it.

// What the threshold slider of a sensor refers to.
enum class CcdThresholdBasis { GreyLevel, Difference };

struct CcdStatistics
{
    int maximum = 0;
    int minimum = 0;
    int average = 0; // integer mean
    int maxDifference = 0;
};

// Fills `differences` (width bytes) with |x[i+1] − x[i]| for every pixel but
// the last, whose difference is 0, and returns the statistics of the line.
// The plain magnitude keeps a full-scale edge (0 → 200) at 200, so the
// difference curve and the slider range show real edge strength.
CcdStatistics analyseCcdLine(const uchar *line, int width, uchar *differences);

struct CcdThreshold
{
    int value = 0;         // threshold drawn, and the value the slider shows
    int sliderMaximum = 0; // range of the slider for this line
};

// Where a sensor's threshold lands for a line. Against the difference curve
// the slider's range is the line's largest difference, and a slider above it
// is pulled to 80 % of it so the threshold line stays inside the picture.
CcdThreshold resolveCcdThreshold(CcdThresholdBasis basis, int sliderValue, int maxDifference);

// Draws the picture of one sensor into `picture`, which is (re)allocated only
// when its size differs from `size`, so a caller drawing every frame reuses
// one buffer. An empty size leaves a null picture.
void drawCcdPicture(QImage &picture, QSize size, const uchar *line, const uchar *differences,
                    int width, const CcdStatistics &statistics, CcdThresholdBasis basis,
                    int threshold);

// The track record: the lines of one sensor stacked over time, one picture
// row per line, newest at the bottom. Rows are scaled to the picture width as
// they arrive and the picture scrolls in place, so a frame costs one row of
// scaling however tall the record is. The lines themselves are kept too, so a
// new picture size rescales the record instead of losing it.
class CcdTrackRecord
{
public:
    // Empties the record and fixes its line width and its picture size; the
    // record never holds more rows than the picture is high.
    void reset(int lineWidth, QSize pictureSize);
    // Keeps the newest rows that fit the new size, rescaled.
    void setPictureSize(QSize pictureSize);
    void clear()
    {
        m_rowCount = 0;
        m_oldest = 0;
    }

    // Adds one line of lineWidth bytes; when full, the oldest row leaves.
    void append(const uchar *line);

    int rowCount() const { return m_rowCount; }
    int capacity() const { return m_rows.height(); }
    QSize pictureSize() const { return m_rows.size(); }

    // Picture width × rowCount grey image; null while empty.
    QImage picture() const;

private:
    static QSize usableSize(QSize pictureSize);
    size_t offsetOf(int row) const; // of a line in m_lines; row 0 is the oldest

    int m_lineWidth = 0;
    int m_rowCount = 0;
    int m_oldest = 0;          // slot of the oldest line in m_lines
    std::vector<uchar> m_lines; // capacity slots of m_lineWidth bytes, a ring
    QImage m_rows; // picture width × capacity, the first m_rowCount rows used
};
