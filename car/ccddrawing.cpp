#include "ccddrawing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const QRgb kGreyCurve = 0xFF0000FF;
const QRgb kDifferenceCurve = 0xFFFF007F;
const QRgb kThresholdLine = 0xFFFF0000;

// Keeps curves off the picture's outermost rows, where they would vanish
// against the frame of the page; a picture under three rows high still gets
// its dots somewhere inside.
int clampRow(int y, int height)
{
    if (y < 1)
        y = 1;
    if (y >= height - 1)
        y = height - 2;
    return std::clamp(y, 0, height - 1);
}

// Row of a value on a scale whose top is `full`; a zero scale puts
// everything on the top row.
int scaledRow(int value, int full, int height)
{
    const int y = full > 0 ? height - (height * value) / full : 1;
    return clampRow(y, height);
}

} // namespace

CcdStatistics analyseCcdLine(const uchar *line, int width, uchar *differences)
{
    CcdStatistics statistics;
    if (width <= 0)
        return statistics;
    int maximum = line[0];
    int minimum = line[0];
    int maxDifference = 0;
    qint64 sum = 0;
    for (int i = 0; i < width; ++i) {
        const int value = line[i];
        maximum = std::max(maximum, value);
        minimum = std::min(minimum, value);
        sum += value;
        const int difference = i + 1 < width ? std::abs(line[i + 1] - value) : 0;
        differences[i] = uchar(difference);
        maxDifference = std::max(maxDifference, difference);
    }
    statistics.maximum = maximum;
    statistics.minimum = minimum;
    statistics.average = int(sum / width);
    statistics.maxDifference = maxDifference;
    return statistics;
}

CcdThreshold resolveCcdThreshold(CcdThresholdBasis basis, int sliderValue, int maxDifference)
{
    if (basis == CcdThresholdBasis::GreyLevel)
        return {sliderValue, 255};
    int value = sliderValue;
    if (maxDifference < value)
        value = maxDifference * 8 / 10;
    return {value, maxDifference};
}

void drawCcdPicture(QImage &picture, QSize size, const uchar *line, const uchar *differences,
                    int width, const CcdStatistics &statistics, CcdThresholdBasis basis,
                    int threshold)
{
    if (size.isEmpty() || width <= 0) {
        picture = QImage();
        return;
    }
    if (picture.size() != size || picture.format() != QImage::Format_RGB32)
        picture = QImage(size, QImage::Format_RGB32);
    const int columns = size.width();
    const int height = size.height();

    // Grey stripes: each column shows the pixel it falls on, without smoothing.
    auto *firstRow = reinterpret_cast<QRgb *>(picture.scanLine(0));
    for (int c = 0; c < columns; ++c) {
        const int grey = line[qint64(width) * c / columns];
        firstRow[c] = qRgb(grey, grey, grey);
    }
    const size_t rowBytes = size_t(columns) * sizeof(QRgb);
    for (int y = 1; y < height; ++y)
        std::memcpy(picture.scanLine(y), firstRow, rowBytes);

    const int maxDifference = statistics.maxDifference;
    for (int c = 0; c < columns; ++c) {
        const int source = int(qint64(width) * c / columns);
        picture.setPixel(c, scaledRow(line[source], 255, height), kGreyCurve);
        if (c < columns - 1)
            picture.setPixel(c, scaledRow(differences[source], maxDifference, height),
                             kDifferenceCurve);
    }

    const int full = basis == CcdThresholdBasis::GreyLevel ? 255 : maxDifference;
    auto *thresholdRow = reinterpret_cast<QRgb *>(picture.scanLine(scaledRow(threshold, full, height)));
    std::fill(thresholdRow, thresholdRow + columns, kThresholdLine);
}

QSize CcdTrackRecord::usableSize(QSize pictureSize)
{
    // A record needs at least one row and column to show anything at all.
    return {std::max(pictureSize.width(), 1), std::max(pictureSize.height(), 1)};
}

void CcdTrackRecord::reset(int lineWidth, QSize pictureSize)
{
    m_lineWidth = std::max(lineWidth, 0);
    m_rowCount = 0;
    m_oldest = 0;
    const QSize size = usableSize(pictureSize);
    if (m_rows.size() != size)
        m_rows = QImage(size, QImage::Format_Grayscale8);
    m_lines.assign(size_t(size.height()) * m_lineWidth, 0);
}

void CcdTrackRecord::setPictureSize(QSize pictureSize)
{
    if (usableSize(pictureSize) == m_rows.size())
        return;
    std::vector<uchar> kept;
    const int keptRows = std::min(m_rowCount, usableSize(pictureSize).height());
    for (int row = m_rowCount - keptRows; row < m_rowCount; ++row) {
        const auto line = m_lines.begin() + ptrdiff_t(offsetOf(row));
        kept.insert(kept.end(), line, line + m_lineWidth);
    }
    reset(m_lineWidth, pictureSize);
    for (int row = 0; row < keptRows; ++row)
        append(kept.data() + size_t(row) * m_lineWidth);
}

size_t CcdTrackRecord::offsetOf(int row) const
{
    return size_t((m_oldest + row) % capacity()) * m_lineWidth;
}

void CcdTrackRecord::append(const uchar *line)
{
    if (m_lineWidth <= 0 || m_rows.isNull())
        return;
    if (m_rowCount == capacity()) {
        // Scroll up by one row; the rows of a QImage are one contiguous block.
        const qsizetype stride = m_rows.bytesPerLine();
        std::memmove(m_rows.bits(), m_rows.bits() + stride, size_t(stride) * (m_rowCount - 1));
        m_oldest = (m_oldest + 1) % capacity();
        --m_rowCount;
    }
    uchar *stored = m_lines.data() + offsetOf(m_rowCount);
    std::memcpy(stored, line, size_t(m_lineWidth));

    uchar *row = m_rows.scanLine(m_rowCount);
    const int columns = m_rows.width();
    for (int c = 0; c < columns; ++c)
        row[c] = stored[qint64(m_lineWidth) * c / columns];
    ++m_rowCount;
}

QImage CcdTrackRecord::picture() const
{
    if (m_rowCount == 0)
        return QImage();
    if (m_rowCount == m_rows.height())
        return m_rows;
    return m_rows.copy(0, 0, m_rows.width(), m_rowCount);
}
