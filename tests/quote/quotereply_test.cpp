#include "quote/quotereply.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <optional>
#include <string>

using quote::Reply;

// Every "," starts a field, empty pieces included, so later numbers stay in
// place; a body without commas is field 0 alone and an empty body has none.
TEST(QuoteReply, FieldsAreTheCommaSeparatedPiecesAndNothingBeyond) {
    const Reply reply(u"a,,c,");
    EXPECT_EQ(reply.fieldCount(), 4u);
    EXPECT_EQ(reply.field(1), u"");
    EXPECT_EQ(reply.field(2), u"c");
    EXPECT_EQ(reply.field(3), u"");
    EXPECT_EQ(Reply(u"no quote for this code").field(0), u"no quote for this code");
    EXPECT_EQ(Reply(u"").field(0), std::nullopt);

    std::u16string body = u"0";
    for (std::size_t pieces = 1; pieces <= 14; ++pieces, body += u",x") {
        const Reply r(body);
        for (std::size_t n = 0; n <= 14; ++n)
            EXPECT_EQ(r.field(n).has_value(), n < pieces) << pieces << " pieces, field " << n;
    }
}

TEST(QuoteReply, ApostrophesGoWhereverTheyStandAndNothingElseDoes) {
    const Reply reply(u"'cn_600000',it's,'','a'b'c',''',' 7.50\t','\r\n-1.2%\n','新 希 望'");
    EXPECT_EQ(reply.field(0), u"cn_600000");
    EXPECT_EQ(reply.field(1), u"its");
    EXPECT_EQ(reply.field(2), u"");
    EXPECT_EQ(reply.field(3), u"abc");
    EXPECT_EQ(reply.field(4), u"");
    EXPECT_EQ(reply.field(5), u" 7.50\t");
    EXPECT_EQ(reply.field(6), u"\r\n-1.2%\n");
    EXPECT_EQ(reply.field(7), u"新 希 望");
    // The body itself is kept as the service sent it.
    EXPECT_EQ(reply.body().substr(0, 12), u"'cn_600000',");
}

// A reply is handed around by value (through the fetcher, into callers'
// rows): each copy must read its own body, short or long, after the one it
// came from is gone. The source's storage is reused for a different reply so a
// copy that still looked into it would read the wrong text.
TEST(QuoteReply, CopiesAndMovesReadTheirOwnBody) {
    for (const std::u16string& body :
         {std::u16string(u"a,b"), std::u16string(u"'cn_1','浦发银行','7.50'")}) {
        std::optional<Reply> source(std::in_place, body);
        const Reply copy = *source;
        source.emplace(std::u16string(body.size(), u'#'));
        EXPECT_EQ(copy.field(1), Reply(body).field(1));

        source.emplace(body);
        const Reply moved = std::move(*source);
        source.emplace(std::u16string(body.size(), u'#'));
        EXPECT_EQ(moved.field(1), Reply(body).field(1));

        Reply assigned(u"x");
        source.emplace(body);
        assigned = *source;
        source.emplace(std::u16string(body.size(), u'#'));
        EXPECT_EQ(assigned.field(1), Reply(body).field(1));
    }
}

// Whatever the code, the target stays one token of the request line that
// decodes back to exactly the code's bytes; plain codes travel unchanged.
TEST(QuoteTarget, EveryByteValueIsSafeOnTheRequestLineAndDecodesBack) {
    EXPECT_EQ(quote::stockQuoteTarget("600000"), "/msq?cn_600000");
    EXPECT_EQ(quote::stockQuoteTarget("60 0#frag\r\n100%"), "/msq?cn_60%200%23frag%0D%0A100%25");
    std::string allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes.push_back(char(b));
    const std::string target = quote::stockQuoteTarget(allBytes);
    ASSERT_EQ(target.rfind("/msq?cn_", 0), 0u);

    const std::string encoded = target.substr(8);
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const auto c = static_cast<unsigned char>(encoded[i]);
        EXPECT_TRUE(c > 0x20 && c < 0x7f && c != '#') << "byte " << int(c) << " at " << i;
        if (c == '%') {
            ASSERT_LT(i + 2, encoded.size());
            EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(encoded[i + 1])) &&
                        std::isxdigit(static_cast<unsigned char>(encoded[i + 2])));
        }
    }
    const QByteArray decoded = QByteArray::fromPercentEncoding(QByteArray::fromStdString(encoded));
    EXPECT_EQ(decoded.toStdString(), allBytes);
}
