#include "textcodec.h"

#include <QTextCodec>

QTextCodec *gb18030Codec()
{
    static QTextCodec *const codec = [] {
        QTextCodec *found = QTextCodec::codecForName("GB18030");
        Q_ASSERT_X(found, "gb18030Codec", "Qt was built without the GB18030 codec");
        return found;
    }();
    return codec;
}

QString bytesToText(const QByteArray &bytes)
{
    return gb18030Codec()->toUnicode(bytes);
}

QString cStringBytesToText(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return gb18030Codec()->toUnicode(zero < 0 ? bytes : bytes.left(zero));
}

QByteArray textToBytes(const QString &text)
{
    return gb18030Codec()->fromUnicode(text);
}

StreamTextDecoder::StreamTextDecoder()
    : m_decoder(gb18030Codec()->makeDecoder())
{
}

StreamTextDecoder::~StreamTextDecoder() = default;

QString StreamTextDecoder::decode(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    if (zero < 0)
        return m_decoder->toUnicode(bytes);
    const QString text = m_decoder->toUnicode(bytes.constData(), zero);
    reset();
    return text;
}

void StreamTextDecoder::reset()
{
    m_decoder.reset(gb18030Codec()->makeDecoder());
}
