#include "desk/hotsectorscan.h"
#include "gateway/newsfeed.h"
#include "quote/gbk.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>

// Every item taken from the feed is today's, and the page made of them reads
// back through the tracker's own scanner, after GBK there and back, as exactly
// those items' headlines and times: no headline breaks the markup or holds a
// marker, and every link and time has the length the tracker skips.
void fuzz::newsFeed(std::string_view input) {
    namespace news = gateway::news;
    const QDateTime now(QDate(2024, 5, 17), QTime(6, 0), Qt::UTC); // 14:00 in Beijing
    const news::Answer answer =
        news::todaysItems(QByteArrayView(input.data(), qsizetype(input.size())), now);
    const auto* items = std::get_if<std::vector<news::Item>>(&answer);
    if (!items)
        return;
    require(items->size() <= std::size_t(news::kMaxItems), "more items than the feed's page");
    const QString page = gbk::decode(gbk::encode(news::page(*items)));
    const std::vector<desk::hotsector::Line> lines = desk::hotsector::scan(page);
    require(lines.size() == items->size(), "an item the tracker does not read as one entry");
    for (std::size_t i = 0; i < std::min(lines.size(), items->size()); ++i) {
        const news::Item& item = (*items)[i];
        require(item.stamp.size() == pages::news::kStampLength && item.stamp.startsWith(u"05-17 "),
                "a time not of today, or not of 11 characters");
        require(item.link.size() == pages::news::kLinkLength, "a link not of the length skipped");
        require(!item.text.isEmpty() && item.text == item.text.simplified(),
                "an empty headline, or one not on one line");
        require(std::none_of(item.text.begin(), item.text.end(),
                             [](QChar c) { return QStringView(u"\"<>&").contains(c); }),
                "markup in a headline");
        require(lines[i].text == item.text + item.stamp, "the tracker reads another headline");
    }
}
