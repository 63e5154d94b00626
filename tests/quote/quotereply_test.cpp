#include "quote/quotereply.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <optional>
#include <string>

using quote::Reply;

TEST(QuoteReply, EmptyPiecesAreFieldsAndKeepLaterNumbersInPlace) {
    const Reply reply(u"a,,c,");
    EXPECT_EQ(reply.fieldCount(), 4u);
    EXPECT_EQ(reply.field(0), u"a");
    EXPECT_EQ(reply.field(1), u"");
    EXPECT_EQ(reply.field(2), u"c");
    EXPECT_EQ(reply.field(3), u"");
    EXPECT_EQ(reply.field(4), std::nullopt);

    const Reply commas(u",,");
    EXPECT_EQ(commas.fieldCount(), 3u);
    EXPECT_EQ(commas.field(2), u"");
}

TEST(QuoteReply, BodyWithoutCommaHasOnlyFieldZeroAndEmptyBodyHasNone) {
    const Reply single(u"no quote for this code");
    EXPECT_EQ(single.fieldCount(), 1u);
    EXPECT_EQ(single.field(0), u"no quote for this code");
    for (const std::size_t n : {std::size_t{1}, quote::kNameField, quote::kPriceField,
                                quote::kChangeField, quote::kHighField})
        EXPECT_EQ(single.field(n), std::nullopt) << "field " << n;

    const Reply empty(u"");
    EXPECT_EQ(empty.fieldCount(), 0u);
    EXPECT_EQ(empty.field(0), std::nullopt);
}

TEST(QuoteReply, FieldIsMissingExactlyWhenThereAreFewerThanNPlusOnePieces) {
    std::u16string body = u"0";
    for (std::size_t pieces = 1; pieces <= 14; ++pieces) {
        const Reply reply(body);
        for (std::size_t n = 0; n <= 14; ++n)
            EXPECT_EQ(reply.field(n).has_value(), n < pieces) << pieces << " pieces, field " << n;
        body += u",x";
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

TEST(QuoteReply, QuoteFieldsOfATypicalReply) {
    const Reply reply(u"'cn_600519','600519','贵州茅台','1688.00','-0.85%','1702.50','1690.00',"
                      u"'1680.10','12345','67890','0','1710.00','2024-05-06'");
    EXPECT_EQ(reply.field(quote::kNameField), u"贵州茅台");
    EXPECT_EQ(reply.field(quote::kPriceField), u"1688.00");
    EXPECT_EQ(reply.field(quote::kChangeField), u"-0.85%");
    EXPECT_EQ(reply.field(quote::kHighField), u"1710.00");
    EXPECT_EQ(reply.field(quote::kIndexLevelField), u"1688.00");
}

TEST(QuoteTarget, NormalCodesAreAppendedUnchanged) {
    EXPECT_EQ(quote::stockQuoteTarget("600000"), "/msq?cn_600000");
    EXPECT_EQ(quote::stockQuoteTarget("000876"), "/msq?cn_000876");
    EXPECT_EQ(quote::stockQuoteTarget("sh600000"), "/msq?cn_sh600000");
    EXPECT_EQ(quote::stockQuoteTarget(""), "/msq?cn_");
    EXPECT_EQ(quote::kShanghaiIndexTarget, "/msq?zs_000001");
    EXPECT_EQ(quote::kShenzhenIndexTarget, "/msq?zs_399001");
}

TEST(QuoteTarget, BytesThatCouldChangeTheRequestArePercentEncoded) {
    EXPECT_EQ(quote::stockQuoteTarget("600000\r\nX-Injected: 1"),
              "/msq?cn_600000%0D%0AX-Injected:%201");
    EXPECT_EQ(quote::stockQuoteTarget("60 0#frag"), "/msq?cn_60%200%23frag");
    EXPECT_EQ(quote::stockQuoteTarget("100%"), "/msq?cn_100%25");
    EXPECT_EQ(quote::stockQuoteTarget(std::string("\x00\x01\x1f\x7f", 4)), "/msq?cn_%00%01%1F%7F");
    EXPECT_EQ(quote::stockQuoteTarget("\xC6\xD6\xB7\xA2"), "/msq?cn_%C6%D6%B7%A2");
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
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const auto c = static_cast<unsigned char>(encoded[i]);
        EXPECT_TRUE(c > 0x20 && c < 0x7f) << "byte " << int(c) << " at " << i;
        EXPECT_NE(c, '#');
        if (c == '%') {
            ASSERT_LT(i + 2, encoded.size());
            EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(encoded[i + 1])) &&
                        std::isxdigit(static_cast<unsigned char>(encoded[i + 2])));
        }
    }
    const QByteArray decoded = QByteArray::fromPercentEncoding(QByteArray::fromStdString(encoded));
    EXPECT_EQ(decoded.toStdString(), allBytes);
}
