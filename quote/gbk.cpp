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
    // One character at a time: the converter gives some characters no bytes
    // at all (a soft hyphen, variation selectors and other invisible ones)
    // and keeps a lone high surrogate waiting for its pair, so encoding the
    // whole text at once would drop them without a trace, and a code or a
    // cell would be sent and saved without what the window shows. Each such
    // character becomes "?", like one GBK cannot hold.
    QByteArray bytes;
    bytes.reserve(text.size());
    bool whole = true;
    for (qsizetype at = 0; at < text.size();) {
        const bool pair = text[at].isHighSurrogate() && at + 1 < text.size() &&
                          text[at + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        const QByteArray one =
            text[at].isSurrogate() && !pair ? QByteArray() : encoder.encode(text.mid(at, length));
        if (one.isEmpty()) {
            bytes.append('?');
            whole = false;
        } else {
            bytes.append(one);
        }
        at += length;
    }
    if (complete)
        *complete = whole && !encoder.hasError();
    return bytes;
}

bool available() {
    QStringDecoder decoder("GBK");
    return decoder.isValid();
}

} // namespace gbk
