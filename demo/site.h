#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

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
    // than as key=value pairs.
    Reply handle(const QString& path, const QString& rawQuery, const QDateTime& now) const;

private:
    Reply quote(const QString& rawQuery, const QDateTime& now) const;
    Reply listPage(const QString& rawQuery, const QDateTime& now) const;

    const QuoteBook& m_book;
};

} // namespace standin
