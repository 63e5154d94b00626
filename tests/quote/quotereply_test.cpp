#include "quote/gbk.h"
#include "quote/quotereply.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

using quote::Reply;

// A reply is handed around by value (through the fetcher, into callers'
// rows): each copy must read its own body, short or long, after the one it
// came from is gone. The source's storage is reused for a different reply so a
// copy that still looked into it would read the wrong text.
TEST(QuoteReply, CopiesAndMovesReadTheirOwnBody) {
    for (const std::u16string body : {u"a,b", u"'cn_1','浦发银行','7.50'"}) {
        std::optional<Reply> copied(std::in_place, body), moved(std::in_place, body);
        const Reply copy = *copied, move = std::move(*moved);
        copied.emplace(std::u16string(body.size(), u'#'));
        moved.emplace(std::u16string(body.size(), u'#'));
        EXPECT_EQ(copy.field(1), Reply(body).field(1));
        EXPECT_EQ(move.field(1), Reply(body).field(1));
    }
}

// Whatever the code, the target stays one token of the request line that
// decodes back to exactly the code's bytes.
TEST(QuoteTarget, EveryByteValueIsSafeOnTheRequestLineAndDecodesBack) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes.push_back(char(b));
    const std::string target = quote::stockQuoteTarget(allBytes);
    ASSERT_EQ(target.rfind("/msq?cn_", 0), 0u);

    const std::string encoded = target.substr(8);
    for (const char c : encoded)
        EXPECT_TRUE(c > 0x20 && c < 0x7f && c != '#') << "byte " << int(c);
    const QByteArray decoded = QByteArray::fromPercentEncoding(QByteArray::fromStdString(encoded));
    EXPECT_EQ(decoded.toStdString(), allBytes);
}

// Names beyond GB2312 (昇) have a GBK form; what GBK cannot hold is flagged.
// A broken lead byte must neither crash nor swallow the comma after it, and
// one at the very end must not vanish: the fields keep their numbers. Fed a
// byte at a time, as a page arrives, the text is the same.
TEST(QuoteGbk, EncodesBeyondGb2312AndKeepsFieldsInPlacePastInvalidBytes) {
    ASSERT_TRUE(gbk::available());
    for (const auto& [text, bytes, whole] :
         {std::tuple{QStringLiteral("昇 A"), QByteArray("\x95\x4E A"), true},
          {QStringLiteral("a\U0001F600b"), QByteArray("a?b"), false},
          {QStringLiteral("600\u00AD000") + QChar(0xDE00) + u'0' + QChar(0xD83D),
           QByteArray("600?000?0?"), false}}) {
        bool complete = !whole;
        EXPECT_EQ(gbk::encode(text, &complete), bytes) << text.toStdString();
        EXPECT_EQ(complete, whole) << text.toStdString();
        EXPECT_EQ(gbk::decode(bytes) == text, whole) << "round trip of " << text.toStdString();
    }
    QString plane; // every character of the basic plane, none of which may vanish
    for (char32_t c = 1; c < 0x10000; ++c)
        plane += QChar::isSurrogate(c) ? QChar(u'?') : QChar(c);
    EXPECT_EQ(gbk::decode(gbk::encode(plane)).size(), plane.size());
    // Broken lead bytes before the price, and a lead byte alone at the end.
    for (const QByteArray bytes :
         {"\x81,7.50,\xC6\xD6", "\xFF,7.50,\xC6\xD6", "\x80\x7F,7.50,\xC6\xD6",
          "\xC6,7.50,\xC6\xD6", "a,7.50,\xC6\xD6\xC6"}) {
        SCOPED_TRACE(bytes.toHex().constData());
        const Reply reply(gbk::decode(bytes).toStdU16String());
        EXPECT_EQ(reply.fieldCount(), 3u);
        EXPECT_EQ(reply.field(1), u"7.50");
        EXPECT_EQ(reply.field(2), bytes.endsWith('\xC6') ? u"浦\uFFFD" : u"浦");
        gbk::Decoder decoder;
        QString text;
        for (const char byte : bytes)
            text += decoder.decode(QByteArrayView(&byte, 1));
        EXPECT_EQ(text + decoder.finish(), gbk::decode(bytes));
    }
}
