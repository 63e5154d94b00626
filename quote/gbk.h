#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

// Code page 936 (GBK): the encoding of the quote service's replies and of the
// watch-list files. Bytes that are not valid GBK decode to U+FFFD; characters
// GBK cannot hold, and those it would give no bytes, encode to "?": none vanishes.
namespace gbk {

QString decode(QByteArrayView bytes);
// complete, when given, tells whether every character had a GBK form.
QByteArray encode(QStringView text, bool* complete = nullptr);

// Decodes a text that arrives in pieces: a character split between two pieces
// comes out whole. Made in place and never moved: an ICU-backed converter in
// Qt 6.4 does not survive a move.
class Decoder {
public:
    Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    QString decode(QByteArrayView piece);
    // The end of the text: a lead byte still waiting for its trail byte comes out as U+FFFD.
    QString finish();

private:
    QStringDecoder m_decoder;
};

// False when this Qt has no GBK codec (built without ICU): nothing would decode.
bool available();

} // namespace gbk
