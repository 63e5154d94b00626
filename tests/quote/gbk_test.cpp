#include "quote/gbk.h"
#include "quote/quotereply.h"

#include <gtest/gtest.h>

TEST(QuoteGbk, DecodesGb2312AndGbkOnlyCharacters) {
    ASSERT_TRUE(gbk::available());
    EXPECT_EQ(gbk::decode(QByteArray("\xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0")),
              QStringLiteral("浦发银行"));
    // 0x95 0x4E lies outside GB2312: a plain GB2312 decoder would not know it.
    EXPECT_EQ(gbk::decode(QByteArray("\x95\x4E")), QStringLiteral("昇"));
    EXPECT_EQ(gbk::decode(QByteArray("600000,7.50")), QStringLiteral("600000,7.50"));
}

TEST(QuoteGbk, NamesWithBlanksSurviveARoundTrip) {
    for (const QString& name : {QStringLiteral("新 希 望"), QStringLiteral(" *ST 昇兴  A\t"),
                                QStringLiteral("浦发银行")}) {
        const QByteArray bytes = gbk::encode(name);
        EXPECT_EQ(gbk::decode(bytes), name);
    }
    EXPECT_EQ(gbk::encode(QStringLiteral("浦发银行")),
              QByteArray("\xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0"));
    EXPECT_EQ(gbk::encode(QStringLiteral("新 希 望")).count(' '), 2);
}

TEST(QuoteGbk, CharactersGbkCannotHoldEncodeToQuestionMarks) {
    bool complete = true;
    EXPECT_EQ(gbk::encode(QStringLiteral("a\U0001F600b"), &complete), QByteArray("a?b"));
    EXPECT_FALSE(complete);
    EXPECT_EQ(gbk::encode(QStringLiteral("昇 A"), &complete), QByteArray("\x95\x4E A"));
    EXPECT_TRUE(complete);
}

// A broken lead byte must neither crash nor swallow the comma after it: the
// fields behind it keep their numbers.
TEST(QuoteGbk, InvalidBytesDoNotSwallowTheNextComma) {
    for (const QByteArray& bytes :
         {QByteArray("\x81,7.50,\xC6\xD6"), QByteArray("\xFF,7.50,\xC6\xD6"),
          QByteArray("\x80\x7F,7.50,\xC6\xD6"), QByteArray("\xC6,7.50,\xC6\xD6")}) {
        const QString text = gbk::decode(bytes);
        const quote::Reply reply(text.toStdU16String());
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
