#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace standin {

class QuoteBook;

struct Reply {
    int status = 200;
    QByteArray contentType;
    QByteArray body; // GBK
};

// Every outside service the programs use, behind one address: the quote
// service, the maker's site, the chart server and the news page. Knows
// nothing about sockets, so the routing can be checked without a network.
class Site {
public:
    explicit Site(const QuoteBook& book)
        : m_book(book) {}

    // `path` is decoded; `rawQuery` is the query exactly as sent, without
    // the "?", because the quote service reads it as "cn_" + code rather
    // than as key=value pairs. Besides the services' pages, two control
    // paths switch what the pages say, so a demonstration can show every case:
    //   /standin/risk?grade=高|中|低|auto   the market-risk grade; auto
    //                                       follows the Shanghai index again
    //   /standin/picks?day=today|yesterday  the date of the daily-picks page
    //   /standin/rumour?next                the rumour page's head moves on at
    //                                       once, without waiting for its two minutes
    Reply handle(const QString& path, const QString& rawQuery, const QDateTime& now);

    // "高", "中", "低" or "auto"; false for anything else, which changes nothing.
    bool setRiskGrade(const QString& grade);
    // "today" or "yesterday"; false for anything else, which changes nothing.
    bool setPicksDay(const QString& day);
    // The rumour page's head moves on by one two-minute slot.
    void moveRumoursOn() { ++m_rumourSlotsOn; }

private:
    Reply control(const QString& path, const QString& rawQuery);

    Reply quote(const QString& rawQuery, const QDateTime& now) const;
    Reply listPage(const QString& rawQuery, const QDateTime& now) const;

    const QuoteBook& m_book;
    std::optional<QChar> m_riskGrade; // none: from the index
    int m_picksDaysBack = 0;
    int m_rumourSlotsOn = 0;
};

} // namespace standin
