#include "quote/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

// Decoders and encoders are made in place for every call: they hold state,
// and moving an ICU-backed converter in Qt 6.4 leaves it unusable.
QString decode(QByteArrayView bytes) {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    // A lead byte at the very end would wait in the decoder for its trail
    // byte and vanish; one more ASCII byte makes it come out as U+FFFD.
    QByteArray terminated(bytes.data(), bytes.size());
    terminated.append(' ');
    QString text = decoder.decode(terminated);
    if (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
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
