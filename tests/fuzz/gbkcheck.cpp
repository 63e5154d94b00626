#include "quote/gbk.h"
#include "tests/fuzz/fuzzcheck.h"

// What any bytes decode to survives encoding, but for the U+FFFD of bytes
// that were no GBK, which come back as "?". Any UTF-16 text encodes to as many
// characters as it has: one GBK cannot hold, or a lone surrogate, as "?".
void fuzz::gbkText(std::string_view input) {
    const QString text = gbk::decode(QByteArrayView(input.data(), qsizetype(input.size())));
    require(gbk::decode(gbk::encode(text)) == QString(text).replace(QChar(0xFFFD), u'?'),
            "decoded text does not survive encoding");

    QString utf16;
    for (std::size_t at = 0; at + 1 < input.size(); at += 2)
        utf16 += QChar(char16_t(std::uint8_t(input[at]) | std::uint8_t(input[at + 1]) << 8));
    bool complete = false;
    const QString back = gbk::decode(gbk::encode(utf16, &complete));
    require(back.toStdU32String().size() == utf16.toStdU32String().size(),
            "encoding lost or added a character");
    require(!complete || back == utf16, "a complete encoding does not decode to its text");
}
