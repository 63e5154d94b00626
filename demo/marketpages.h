#pragma once

#include "services/sitepages.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace standin {

struct Instrument;

// The quote provider's intraday chart (979 x 772 px): the stock's path since
// the open as an inline SVG line. A null stock gives a "no data" page.
QString chartPage(const QString& code, const Instrument* stock);

struct NewsEntry {
    QDateTime time;
    QString headline;
};

// Today's hot-sector items, newest first: those already published at `now`,
// but never fewer than ten, so the page is not empty before the open.
QList<NewsEntry> hotSectorNews(const QDateTime& now);

// The news page's link address is cut so that the headline starts at this
// offset of the href value: readers of the page skip exactly this much.
constexpr int kNewsLinkLength = pages::news::kLinkLength;
QString newsLink(const QDate& day, int serial);

// The hot-sector news page. Each entry is
//   <li><span>MM-DD HH:MM</span><a href="LINK+HEADLINE" target="_blank">...
// where LINK has kNewsLinkLength characters. Around them, as a reader of the
// page meets them: a pinned item before the document starts, a link in the
// page's head, an item whose link is LINK alone, one with a short link, and a
// link in the foot without a target.
QString newsPage(const QDateTime& now);

} // namespace standin
