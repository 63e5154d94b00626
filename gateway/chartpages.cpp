#include "gateway/chartpages.h"

#include "quote/change.h"

#include <QStringList>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace gateway {

namespace {

// The drawing, in pixels of the chart window's page.
constexpr double kSvgWidth = 960;
constexpr double kSvgHeight = 610;
constexpr double kPlotLeft = 90;
constexpr double kPlotTop = 14;
constexpr double kPlotWidth = 780; // room on the right for the open's label
constexpr double kPlotHeight = 550;

QString coordinate(double value) {
    return QString::number(value, 'f', 1);
}

QString htmlPage(const QString& title, const QString& body) {
    static const QString style =
        u"body{margin:0;width:979px;height:772px;overflow:hidden;"
        "font:13px SimSun,'宋体',sans-serif;color:#333;background:#fff}"
        ".bar{height:40px;line-height:40px;padding-left:12px;border-bottom:1px solid #ddd;"
        "white-space:nowrap}.bar b{font-size:15px;margin-right:16px}"
        ".bar span{margin-right:14px}.up{color:#d00}.down{color:#080}"
        ".chart{text-align:center;padding-top:8px}.note{margin:0 12px;color:#666}"
        ".none{padding:120px 0;text-align:center;font-size:16px;color:#888}"_s;
    return u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>"_s + title +
           u"</title><style>"_s + style + u"</style></head><body>"_s + body + u"</body></html>\n"_s;
}

// The feed's name for the instrument (outside text), when a record gave one.
QString heading(const Wanted& wanted, const DaySeen* seen) {
    if (!seen || seen->name.isEmpty())
        return wanted.symbol;
    return seen->name.toHtmlEscaped() + u'(' + wanted.symbol + u')';
}

// The day's figures as the feed last gave them, beside the chart.
QString figures(const Wanted& wanted, const DaySeen& day) {
    const Micros price = day.points.back().price;
    const QString trend = price < day.prevClose ? u"down"_s : u"up"_s;
    const auto figure = [&](const QString& label, Micros value, const QString& style = {}) {
        return u"<span"_s + (style.isEmpty() ? QString() : u" class=\""_s + style + u'"') + u'>' +
               label + u' ' + formatPrice(value, day.decimals) + u"</span>"_s;
    };
    return u"<div class=\"bar\"><b>"_s + heading(wanted, &day) + u" 分时走势</b>"_s +
           figure(u"最新"_s, price, trend) + u"<span class=\""_s + trend + u"\">涨跌幅 "_s +
           quote::formatChange(price, day.prevClose) + u"</span>"_s + figure(u"今开"_s, day.open) +
           figure(u"昨收"_s, day.prevClose) + figure(u"最高"_s, day.high) +
           figure(u"最低"_s, day.low) + u"</div>"_s;
}

} // namespace

QByteArray chartImageTarget(const QString& symbol) {
    return "/newchart/min/n/" + symbol.toLatin1() + ".gif";
}

QByteArray imageType(QByteArrayView bytes) {
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return "image/gif";
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return "image/png";
    if (bytes.startsWith("\xff\xd8\xff"))
        return "image/jpeg";
    return {};
}

void QuotesSeen::record(const Wanted& wanted, const FeedQuote& quote, const QDateTime& now) {
    const QDateTime local = inBeijing(now);
    if (local.date() != m_day) {
        m_seen.clear();
        m_day = local.date();
    }
    // A price of 0 is no trade today. Before the open the feed still sends
    // the last session's record, which is not today's price either.
    if (quote.price <= 0 || (quote.date.isValid() && quote.date != m_day))
        return;
    auto found = m_seen.find(wanted.symbol);
    if (found == m_seen.end()) {
        if (m_seen.size() >= kMaxInstruments)
            m_seen.erase(
                std::min_element(m_seen.begin(), m_seen.end(), [](const auto& a, const auto& b) {
                    return a.points.back().at < b.points.back().at;
                }));
        found = m_seen.insert(wanted.symbol, DaySeen{});
    }
    DaySeen& day = *found;
    day.name = quote.name;
    day.decimals = wanted.decimals;
    day.prevClose = quote.prevClose;
    day.open = quote.open;
    day.high = quote.high;
    day.low = quote.low;
    // Between trades and after the close the feed repeats its record: a
    // repeat is no new point, and the line does not run on into the evening.
    if (!day.points.empty() && quote.time.isValid() && quote.time == day.lastRecordTime)
        return;
    day.lastRecordTime = quote.time;
    if (qsizetype(day.points.size()) >= kMaxPoints) {
        std::vector<DaySeen::Point> thinned;
        thinned.reserve(day.points.size() / 2 + 1);
        for (std::size_t i = 0; i < day.points.size(); i += 2)
            thinned.push_back(day.points[i]);
        day.points = std::move(thinned);
    }
    day.points.push_back({local.time(), quote.price});
}

const DaySeen* QuotesSeen::today(const QString& symbol, const QDateTime& now) const {
    if (inBeijing(now).date() != m_day)
        return nullptr;
    const auto found = m_seen.constFind(symbol);
    return found == m_seen.cend() ? nullptr : &*found;
}

QString chartSvg(const DaySeen& day) {
    if (day.points.empty())
        return {};
    Micros low = std::numeric_limits<Micros>::max();
    Micros high = 0;
    const auto take = [&](Micros value) {
        if (value > 0) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    };
    for (const Micros value : {day.prevClose, day.high, day.low})
        take(value);
    for (const DaySeen::Point& point : day.points)
        take(point.price);
    const Micros margin = high > low ? (high - low) / 20 : std::max<Micros>(low / 100, 1);
    const double top = double(high + margin);
    const double span = double(high - low + 2 * margin);
    const auto yOf = [&](Micros value) {
        return coordinate(kPlotTop + kPlotHeight * (top - double(value)) / span);
    };
    const int first = day.points.front().at.msecsSinceStartOfDay();
    const int last = day.points.back().at.msecsSinceStartOfDay();
    const auto xOf = [&](QTime at) {
        return coordinate(last > first
                              ? kPlotLeft + kPlotWidth * double(at.msecsSinceStartOfDay() - first) /
                                                double(last - first)
                              : kPlotLeft + kPlotWidth / 2);
    };

    QString svg = u"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                  "font-size=\"12\"><rect x=\"%3\" y=\"%4\" width=\"%5\" height=\"%6\" "
                  "fill=\"#fff\" stroke=\"#ccc\"/>"_s.arg(kSvgWidth)
                      .arg(kSvgHeight)
                      .arg(kPlotLeft)
                      .arg(kPlotTop)
                      .arg(kPlotWidth)
                      .arg(kPlotHeight);
    // The open is labelled on the right: it is often close to the previous
    // close, and two labels on one side would overwrite each other.
    const auto guide = [&](Micros value, const QString& colour, const QString& dashes,
                           const QString& label, bool right = false) {
        if (value <= 0)
            return;
        const QString y = yOf(value);
        svg += u"<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"%4\" "
               "stroke-dasharray=\"%5\"/><text x=\"%6\" y=\"%3\" dy=\"4\" text-anchor=\"%7\" "
               "fill=\"%4\">%8 %9</text>"_s.arg(coordinate(kPlotLeft))
                   .arg(coordinate(kPlotLeft + kPlotWidth))
                   .arg(y, colour, dashes,
                        coordinate(right ? kPlotLeft + kPlotWidth + 6 : kPlotLeft - 6),
                        right ? u"start"_s : u"end"_s, label, formatPrice(value, day.decimals));
    };
    guide(day.prevClose, u"#888"_s, u"6,4"_s, u"昨收"_s);
    guide(day.open, u"#c60"_s, u"1,4"_s, u"今开"_s, true);
    guide(day.high, u"#d00"_s, u"2,3"_s, u"最高"_s);
    guide(day.low, u"#080"_s, u"2,3"_s, u"最低"_s);

    QStringList points;
    points.reserve(qsizetype(day.points.size()));
    for (const DaySeen::Point& point : day.points)
        points.append(xOf(point.at) + u',' + yOf(point.price));
    svg += u"<polyline fill=\"none\" stroke=\"#1e50a2\" stroke-width=\"1.5\" points=\""_s +
           points.join(u' ') + u"\"/>"_s;
    svg += u"<circle cx=\"%1\" cy=\"%2\" r=\"3\" fill=\"#1e50a2\"/>"_s.arg(
        xOf(day.points.back().at), yOf(day.points.back().price));
    const QString below = coordinate(kPlotTop + kPlotHeight + 18);
    svg +=
        u"<text x=\"%1\" y=\"%2\">%3</text><text x=\"%4\" y=\"%2\" text-anchor=\"end\">%5</text>"_s
            .arg(coordinate(kPlotLeft), below, day.points.front().at.toString(u"HH:mm:ss"),
                 coordinate(kPlotLeft + kPlotWidth), day.points.back().at.toString(u"HH:mm:ss"));
    return svg + u"</svg>"_s;
}

QString chartPage(const Wanted& wanted, bool withImage, const DaySeen* seen) {
    const QString title = heading(wanted, seen) + u" 分时走势"_s;
    if (withImage) {
        const QString bar =
            seen ? figures(wanted, *seen) : u"<div class=\"bar\"><b>"_s + title + u"</b></div>"_s;
        return htmlPage(title, bar + u"<div class=\"chart\"><img src=\"/cn/"_s +
                                   wanted.symbol.mid(2) + u'/' + QLatin1String(kChartImageLeaf) +
                                   u"\" alt=\"分时图\"></div>"_s);
    }
    if (!seen)
        return htmlPage(title, u"<div class=\"none\">暂无分时图</div>"_s);
    const DaySeen& day = *seen;
    return htmlPage(title, figures(wanted, day) + u"<div class=\"chart\">"_s + chartSvg(day) +
                               u"</div><p class=\"note\">本图由本机网关今日取得的报价绘制："_s +
                               day.points.front().at.toString(u"HH:mm:ss") + u" 至 "_s +
                               day.points.back().at.toString(u"HH:mm:ss") + u"，共 "_s +
                               QString::number(day.points.size()) +
                               u" 个报价，并非行情商的分时图。</p>"_s);
}

QString noSuchCodePage(const QString& code) {
    return htmlPage(u"分时走势"_s, u"<div class=\"none\">暂无分时图：没有代码“"_s +
                                       code.left(20).toHtmlEscaped() + u"”的股票</div>"_s);
}

} // namespace gateway
