#pragma once

#include "gateway/feed.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <variant>
#include <vector>

// The hot-sector tracker's news page, made from today's items of the
// provider's live finance news feed, in the layout the tracker reads
// (services/sitepages.h). No item is made up: a feed that cannot be had gives
// a page without items.
namespace gateway::news {

// The newest page of the feed's finance channel (zhibo_id 152), every tag,
// newest first. The feed answers
//   {"result":{"status":{"code":0,...},"data":{"feed":{"list":[
//     {"id":...,"rich_text":"...","create_time":"YYYY-MM-DD HH:MM:SS","docurl":"...",...}]}}}}
// in UTF-8. Its format is not published: the reader takes only these fields,
// and takes no field's presence or type for granted.
inline constexpr char kFeedTarget[] =
    "/api/zhibo/feed?page=1&page_size=20&zhibo_id=152&tag_id=0&dire=f&dpc=1";
inline constexpr qint64 kMaxFeedBytes = 512 * 1024;
inline constexpr int kMaxItems = 50; // read from the list; it holds page_size of them

struct Item {
    QString stamp; // "MM-DD HH:MM", Beijing time
    QString link;  // exactly the link length the tracker skips
    QString text;  // one line, as the tracker shows it
};
using Answer = std::variant<std::vector<Item>, Garbled>;

// Today's items (today in Beijing, at `now`) in the feed's order; Garbled when
// the body is not the feed's answer, the feed says it failed, or it is too large.
Answer todaysItems(QByteArrayView body, const QDateTime& now);

// An item's rich text as one line of plain text: tags out, the entities the
// feed uses decoded, blanks collapsed, what GBK cannot hold as "?", and the
// characters that would end a link or open a tag in their full-width forms,
// because the tracker shows what it reads without decoding entities.
QString headline(QStringView richText);

// The page, to be sent GBK-encoded.
QString page(const std::vector<Item>& items);

} // namespace gateway::news
