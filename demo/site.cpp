#include "demo/site.h"

#include "demo/makerpages.h"
#include "demo/marketpages.h"
#include "demo/quotebook.h"
#include "quote/gbk.h"
#include "services/sitepages.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace standin {

namespace {

const QByteArray kText = "text/plain; charset=gbk";
const QByteArray kHtml = "text/html; charset=gbk";

Reply html(const QString& page, int status = 200) {
    return {status, kHtml, gbk::encode(page)};
}

// "page" may be left out or be 1; the site has no further pages.
bool firstPage(const QUrlQuery& query) {
    return !query.hasQueryItem(u"page"_s) || query.queryItemValue(u"page"_s) == u"1"_s;
}

} // namespace

Reply Site::handle(const QString& path, const QString& rawQuery, const QDateTime& now) {
    if (path.startsWith(u"/standin/"_s))
        return control(path, rawQuery);
    if (path == u"/msq"_s)
        return quote(rawQuery, now);
    if (path == u"/map1.asp"_s) {
        Reply reply = listPage(rawQuery, now);
        if (reply.status == 200)
            return reply;
    }
    if (path == u"/map2.asp"_s) {
        const QUrlQuery query(rawQuery);
        if (query.queryItemValue(u"cid"_s) == u"15"_s && firstPage(query))
            return html(picksPage(now.date().addDays(-m_picksDaysBack), m_book));
    }

    static const QRegularExpression chartPath(u"^/cn/([^/]*)/index_kp\\.shtml$"_s);
    if (const QRegularExpressionMatch match = chartPath.match(path); match.hasMatch()) {
        const QString code = match.captured(1);
        return html(chartPage(code, m_book.stock(code)));
    }

    if (path == u"/"_s)
        return html(homePage());
    if (path == QLatin1String(pages::kAnnouncement))
        return html(announcementPage(now.date()));
    if (path == QLatin1String(pages::kMarketRisk))
        return html(riskPage(m_riskGrade.value_or(riskGrade(m_book.shanghai()))));
    if (path == QLatin1String(pages::kIntroduction))
        return html(introPanel());
    if (path == QLatin1String(pages::kMembership))
        return html(membershipPage());
    if (path == QLatin1String(pages::kAbout))
        return html(aboutPage());
    if (path == QLatin1String(pages::kContact))
        return html(contactPage());
    if (path == QLatin1String(pages::kNews))
        return html(newsPage(now));
    static const QRegularExpression blogPath(u"^/blog/(\\w+)\\.htm$"_s);
    if (const QRegularExpressionMatch match = blogPath.match(path); match.hasMatch()) {
        if (const QString page = blogPage(match.captured(1)); !page.isEmpty())
            return html(page);
    }

    return html(notFoundPage(path), 404);
}

bool Site::setRiskGrade(const QString& grade) {
    if (grade == u"auto"_s)
        m_riskGrade.reset();
    else if (grade == u"高"_s || grade == u"中"_s || grade == u"低"_s)
        m_riskGrade = grade.front();
    else
        return false;
    return true;
}

bool Site::setPicksDay(const QString& day) {
    if (day != u"today"_s && day != u"yesterday"_s)
        return false;
    m_picksDaysBack = day == u"yesterday"_s ? 1 : 0;
    return true;
}

Reply Site::control(const QString& path, const QString& rawQuery) {
    const QUrlQuery query(rawQuery);
    bool done = false;
    if (path == u"/standin/risk"_s) {
        done = setRiskGrade(query.queryItemValue(u"grade"_s, QUrl::FullyDecoded));
    } else if (path == u"/standin/picks"_s) {
        done = setPicksDay(query.queryItemValue(u"day"_s, QUrl::FullyDecoded));
    } else if (path == u"/standin/rumour"_s) {
        done = rawQuery == u"next"_s;
        if (done)
            moveRumoursOn();
    } else {
        return html(notFoundPage(path), 404);
    }
    return done ? Reply{200, kText, "ok\n"} : Reply{400, kText, "bad value\n"};
}

Reply Site::quote(const QString& rawQuery, const QDateTime& now) const {
    // Like the real service: a code it does not know gets an empty body with
    // status 200, not an error.
    Reply reply{200, kText, {}};
    const Instrument* found = nullptr;
    if (rawQuery.startsWith(u"cn_"_s))
        found = m_book.stock(QUrl::fromPercentEncoding(rawQuery.mid(3).toUtf8()));
    else if (rawQuery.startsWith(u"zs_"_s))
        found = m_book.index(QUrl::fromPercentEncoding(rawQuery.mid(3).toUtf8()));
    if (found)
        reply.body = gbk::encode(quoteLine(*found, now));
    return reply;
}

Reply Site::listPage(const QString& rawQuery, const QDateTime& now) const {
    const QUrlQuery query(rawQuery);
    if (!firstPage(query))
        return {404, {}, {}};
    bool isNumber = false;
    const int cid = query.queryItemValue(u"cid"_s).toInt(&isNumber);
    if (!isNumber)
        return {404, {}, {}};
    if (cid == 2)
        return html(rumourPage(now, m_rumourSlotsOn));
    if (cid == 15)
        return html(historyPage(now.date(), m_book));
    const QString page = categoryPage(cid, now, m_book);
    if (page.isEmpty())
        return {404, {}, {}};
    return html(page);
}

} // namespace standin
