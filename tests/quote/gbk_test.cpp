#include "quote/gbk.h"
#include "quote/quotereply.h"

#include <gtest/gtest.h>

TEST(QuoteGbk, GbkTextRoundTripsAndWhatGbkCannotHoldBecomesAQuestionMark) {
    ASSERT_TRUE(gbk::available());
    const QByteArray name("\xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0");
    EXPECT_EQ(gbk::decode(name), QStringLiteral("浦发银行"));
    EXPECT_EQ(gbk::encode(QStringLiteral("浦发银行")), name);
    // 0x95 0x4E lies outside GB2312: a plain GB2312 codec would not know it.
    bool complete = false;
    EXPECT_EQ(gbk::encode(QStringLiteral("昇 A"), &complete), QByteArray("\x95\x4E A"));
    EXPECT_TRUE(complete);
    for (const QString& text : {QStringLiteral("新 希 望"), QStringLiteral(" *ST 昇兴  A\t"),
                                QStringLiteral("600000,7.50")})
        EXPECT_EQ(gbk::decode(gbk::encode(text)), text);
    EXPECT_EQ(gbk::encode(QStringLiteral("a\U0001F600b"), &complete), QByteArray("a?b"));
    EXPECT_FALSE(complete);
}

// A broken lead byte must neither crash nor swallow the comma after it: the
// fields behind it keep their numbers.
TEST(QuoteGbk, InvalidBytesDoNotSwallowTheNextComma) {
    for (const QByteArray& bytes :
         {QByteArray("\x81,7.50,\xC6\xD6"), QByteArray("\xFF,7.50,\xC6\xD6"),
          QByteArray("\x80\x7F,7.50,\xC6\xD6"), QByteArray("\xC6,7.50,\xC6\xD6")}) {
        const quote::Reply reply(gbk::decode(bytes).toStdU16String());
        EXPECT_EQ(reply.fieldCount(), 3u) << bytes.toHex().constData();
        EXPECT_EQ(reply.field(1), u"7.50") << bytes.toHex().constData();
        EXPECT_EQ(reply.field(2), u"浦") << bytes.toHex().constData();
    }
}

TEST(QuoteGbk, ABrokenCharacterAtTheEndIsNotDroppedSilently) {
    const QString text = gbk::decode(QByteArray("a,\xC6"));
    EXPECT_EQ(text.size(), 3);
    EXPECT_EQ(text.left(2), QStringLiteral("a,"));
}
