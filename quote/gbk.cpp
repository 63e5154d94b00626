#include "quote/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

Decoder::Decoder()
    : m_decoder("GBK") {
}

QString Decoder::decode(QByteArrayView piece) {
    return m_decoder.isValid() ? m_decoder.decode(piece) : QString::fromLatin1(piece);
}

QString Decoder::finish() {
    // A lead byte at the very end would wait in the decoder for its trail
    // byte and vanish; one more ASCII byte makes it come out as U+FFFD.
    QString rest = decode(" ");
    if (rest.endsWith(QLatin1Char(' ')))
        rest.chop(1);
    return rest;
}

// Decoders and encoders are made in place for every call: they hold state,
// and moving an ICU-backed converter in Qt 6.4 leaves it unusable.
QString decode(QByteArrayView bytes) {
    Decoder decoder;
    QString text = decoder.decode(bytes);
    return text + decoder.finish();
}

QByteArray encode(QStringView text, bool* complete) {
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        if (complete)
            *complete = false;
        return text.toLatin1();
    }
    QByteArray bytes = encoder.encode(text);
    if (complete)
        *complete = !encoder.hasError();
    return bytes;
}

bool available() {
    QStringDecoder decoder("GBK");
    return decoder.isValid();
}

} // namespace gbk
