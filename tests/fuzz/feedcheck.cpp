#include "gateway/feed.h"
#include "quote/change.h"
#include "quote/gbk.h"
#include "tests/fuzz/fuzzcheck.h"

// Every record the feed's parser accepts has prices under a million, formats
// to a change with a sign true to the prices for every pair of them, and to a
// reply of Quillon's thirteen fields; sanitizers watch the arithmetic.
void fuzz::gatewayFeed(std::string_view input) {
    const QString text = gbk::decode(QByteArrayView(input.data(), qsizetype(input.size())));
    const qsizetype lineEnd = text.indexOf(u'\n');
    const gateway::Wanted wanted = gateway::wantedFor(QStringView(text).left(lineEnd))
                                       .value_or(gateway::Wanted{QStringLiteral("sh600000")});
    const gateway::FeedAnswer answer = gateway::parseFeed(
        gateway::FeedFormat::HqStrList, QStringView(text).mid(lineEnd + 1), wanted.symbol);
    const auto* quote = std::get_if<gateway::FeedQuote>(&answer);
    if (!quote)
        return;
    const gateway::Micros prices[] = {quote->open, quote->prevClose, quote->price, quote->high,
                                      quote->low};
    for (const gateway::Micros price : prices) {
        require(price >= 0 && price < 1'000'000'000'000, "a price of a million or more");
        for (const gateway::Micros prevClose : prices)
            require(quote::formatChange(price, prevClose).startsWith(u'-') ==
                        (prevClose > 0 && price < prevClose),
                    "a change's sign false to the prices");
    }
    // No GBK trail byte is a ",", so every one there ends a field.
    require(gateway::quillonReply(wanted, *quote).count(',') == 12, "a reply not of 13 fields");
}
