#include "demo/marketpages.h"

#include "demo/makerpages.h"
#include "demo/quotebook.h"
#include "quote/change.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace standin {

namespace {

// Chart geometry in pixels, inside a 979 x 772 page with a 40 px title bar.
constexpr double kPlotLeft = 70;
constexpr double kPlotWidth = 840;
constexpr double kPlotTop = 20;
constexpr double kPlotHeight = 620;
constexpr int kSvgWidth = 979;
constexpr int kSvgHeight = 720;

const QString kHeadlines[] = {
    u"半导体板块午后拉升，多股涨停"_s,       u"锂电池概念走强，龙头个股领涨"_s,
    u"白酒板块震荡走高，高端品种领涨"_s,     u"券商股集体拉升，板块涨幅居前"_s,
    u"光伏概念早盘活跃，多只个股涨停"_s,     u"人工智能概念反复活跃，算力方向领涨"_s,
    u"煤炭板块逆势走强，高股息品种受追捧"_s, u"医药板块分化，创新药方向拉升"_s,
    u"军工板块盘中异动，多股快速拉升"_s,     u"新能源车产业链走强，整车股领涨"_s,
    u"消费电子概念午后发力，多股涨停"_s,     u"银行股护盘，国有大行集体走高"_s,
    u"稀土永磁概念拉升，板块涨幅超3%"_s,     u"机器人概念持续活跃，减速器方向领涨"_s,
    u"房地产板块尾盘拉升，物业股跟涨"_s,     u"电力板块走强，储能概念同步活跃"_s,
    u"有色金属板块走高，铜铝品种领涨"_s,     u"游戏传媒板块盘中拉升，多股涨停"_s,
    u"航运港口板块异动，集运指数大涨"_s,     u"数据要素概念午后走强，个股纷纷涨停"_s,
};

// When each of the day's items is published, in trading hours.
const QTime kNewsTimes[] = {
    QTime(9, 31),  QTime(9, 38),  QTime(9, 47),  QTime(9, 55),  QTime(10, 6),
    QTime(10, 14), QTime(10, 25), QTime(10, 33), QTime(10, 48), QTime(11, 2),
    QTime(11, 15), QTime(11, 26), QTime(13, 4),  QTime(13, 17), QTime(13, 29),
    QTime(13, 45), QTime(14, 2),  QTime(14, 18), QTime(14, 36), QTime(14, 51),
};
constexpr int kNewsCount = int(std::size(kNewsTimes));
static_assert(kNewsCount == int(std::size(kHeadlines)));
constexpr int kMinNews = 10;

QString coordinate(double value) {
    return QString::number(value, 'f', 1);
}

QString svgText(double x, double y, const QString& anchor, const QString& colour,
                const QString& text) {
    return u"<text x=\""_s + coordinate(x) + u"\" y=\""_s + coordinate(y) + u"\" text-anchor=\""_s +
           anchor + u"\" fill=\""_s + colour + u"\">"_s + text + u"</text>"_s;
}

QString chartSvg(const Instrument& s) {
    const double prev = double(s.prevClose);
    double deviation = prev / 100.0;
    for (qint64 p : s.history)
        deviation = std::max(deviation, std::abs(double(p) - prev));
    const double span = deviation * 1.1;
    const double middle = kPlotTop + kPlotHeight / 2;
    auto yOf = [&](double level) {
        return middle - (level - prev) / span * (kPlotHeight / 2);
    };

    QString svg = u"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""_s +
                  QString::number(kSvgWidth) + u"\" height=\""_s + QString::number(kSvgHeight) +
                  u"\" font-size=\"12\">"_s;
    svg += u"<rect x=\""_s + coordinate(kPlotLeft) + u"\" y=\""_s + coordinate(kPlotTop) +
           u"\" width=\""_s + coordinate(kPlotWidth) + u"\" height=\""_s + coordinate(kPlotHeight) +
           u"\" fill=\"#fcfcfc\" stroke=\"#999\"/>"_s;

    // Five price levels: the previous close in the middle, half and whole
    // span above and below, red above and green below as the market shows.
    for (int k = -2; k <= 2; ++k) {
        const qint64 level = std::llround(prev + k * span / 2);
        const double y = yOf(double(level));
        const QString colour = k > 0 ? u"#d00"_s : k < 0 ? u"#080"_s : u"#555"_s;
        svg += u"<line x1=\""_s + coordinate(kPlotLeft) + u"\" x2=\""_s +
               coordinate(kPlotLeft + kPlotWidth) + u"\" y1=\""_s + coordinate(y) + u"\" y2=\""_s +
               coordinate(y) + u"\" stroke=\"#ccc\""_s +
               (k == 0 ? u" stroke-dasharray=\"4 3\""_s : QString()) + u"/>"_s;
        svg += svgText(kPlotLeft - 6, y + 4, u"end"_s, colour, formatHundredths(level));
        svg += svgText(kPlotLeft + kPlotWidth + 6, y + 4, u"start"_s, colour,
                       quote::formatChange(level, s.prevClose));
    }

    static const QString hours[] = {u"09:30"_s, u"10:30"_s, u"11:30/13:00"_s, u"14:00"_s,
                                    u"15:00"_s};
    for (int i = 0; i < 5; ++i) {
        const double x = kPlotLeft + kPlotWidth * i / 4;
        svg += u"<line x1=\""_s + coordinate(x) + u"\" x2=\""_s + coordinate(x) + u"\" y1=\""_s +
               coordinate(kPlotTop) + u"\" y2=\""_s + coordinate(kPlotTop + kPlotHeight) +
               u"\" stroke=\"#e4e4e4\"/>"_s;
        svg += svgText(x, kPlotTop + kPlotHeight + 18, u"middle"_s, u"#555"_s, hours[i]);
    }

    // The day's path fills the width once it has a full day's worth of points.
    const qsizetype n = s.history.size();
    const double last = double(std::max<qsizetype>(n - 1, QuoteBook::kChartPoints - 1));
    QStringList points;
    points.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        points.append(coordinate(kPlotLeft + kPlotWidth * double(i) / last) + u',' +
                      coordinate(yOf(double(s.history.at(i)))));
    svg += u"<polyline fill=\"none\" stroke=\"#1e50a2\" stroke-width=\"1.5\" points=\""_s +
           points.join(u' ') + u"\"/>"_s;
    svg += u"</svg>"_s;
    return svg;
}

} // namespace

QString chartPage(const QString& code, const Instrument* stock) {
    const QString style = u"body{margin:0;width:979px;height:772px;overflow:hidden;"
                          "font:13px SimSun,'宋体',sans-serif;color:#333;background:#fff}"
                          ".bar{height:40px;line-height:40px;padding-left:12px;"
                          "border-bottom:1px solid #ddd;white-space:nowrap}"
                          ".bar b{font-size:15px;margin-right:16px}.bar span{margin-right:14px}"
                          ".up{color:#d00}.down{color:#080}"
                          ".none{padding:120px 0;text-align:center;font-size:16px;color:#888}"_s;
    if (!stock) {
        return htmlPage(u"分时走势"_s, style,
                        u"<div class=\"bar\"><b>"_s + code.toHtmlEscaped() +
                            u"</b></div><div class=\"none\">暂无该股票的分时数据</div>"_s);
    }
    const Instrument& s = *stock;
    const QString trend = s.price < s.prevClose ? u"down"_s : u"up"_s;
    const QString bar =
        u"<div class=\"bar\"><b>"_s + s.name + u'(' + s.code + u") 分时走势</b><span class=\""_s +
        trend + u"\">最新 "_s + formatHundredths(s.price) + u"</span><span class=\""_s + trend +
        u"\">涨跌幅 "_s + quote::formatChange(s.price, s.prevClose) + u"</span><span>今开 "_s +
        formatHundredths(s.open) + u"</span><span>昨收 "_s + formatHundredths(s.prevClose) +
        u"</span><span>最高 "_s + formatHundredths(s.high) + u"</span><span>最低 "_s +
        formatHundredths(s.low) + u"</span></div>"_s;
    return htmlPage(s.name + u" 分时走势"_s, style, bar + chartSvg(s));
}

QList<NewsEntry> hotSectorNews(const QDateTime& now) {
    const QDate day = now.date();
    QList<NewsEntry> entries;
    for (int i = 0; i < kNewsCount; ++i) {
        if (i >= kMinNews && kNewsTimes[i] > now.time())
            break;
        const int headline = int((day.toJulianDay() + i) % kNewsCount);
        entries.prepend({QDateTime(day, kNewsTimes[i]), kHeadlines[headline]});
    }
    return entries;
}

QString newsLink(const QDate& day, int serial) {
    const QString head =
        u"http://finance.example.com/stock/hotsector/"_s + day.toString(u"yyyy-MM-dd") + u"/doc-"_s;
    const QString tail = u".shtml"_s;
    const qsizetype digits = kNewsLinkLength - head.size() - tail.size();
    return head + QString::number(serial).rightJustified(digits, u'0', true) + tail;
}

QString newsPage(const QDateTime& now) {
    const QString style = u"body{margin:10px;font:14px/1.8 SimSun,'宋体',serif;color:#333}"
                          "h1{font-size:18px;color:#b00}ul{padding-left:18px}"
                          "span{color:#888;margin-right:8px}a{color:#036;text-decoration:none}"
                          "p{color:#888;font-size:12px}"_s;
    const QDate day = now.date();
    const auto entry = [](const QString& time, const QString& href, const QString& text) {
        return u"<li><span>"_s + time + u"</span><a href=\""_s + href + u"\" target=\"_blank\">"_s +
               text + u"</a></li>\n"_s;
    };
    // The link carries the headline after its fixed-length address, so a
    // reader that skips the address gets the headline from the href alone.
    QString items;
    const QList<NewsEntry> entries = hotSectorNews(now);
    int serial = int(entries.size());
    for (const NewsEntry& news : entries)
        items += entry(news.time.toString(u"MM-dd HH:mm"), newsLink(day, serial--) + news.headline,
                       news.headline);
    // Two older items of other kinds: a chart whose link is the bare address,
    // and a recap on the site itself, whose link is shorter than an address.
    const QString date = day.toString(u"MM-dd ");
    items += entry(date + u"09:30"_s, newsLink(day, 0), u"开盘图解"_s);
    items += entry(date + u"09:25"_s, u"/news/ztfp.html"_s, u"集合竞价涨停复盘"_s);

    const QString body =
        u"<p><a href=\"/\" target=\"_self\">财经首页</a> &gt; 热点板块</p>\n"
        "<h1>盘中热点板块追踪</h1>\n<ul>\n"_s +
        items +
        u"</ul>\n<p><span>来源：</span><a href=\"http://finance.example.com/\">财经频道</a>"
        "　行情数据仅供参考，本页为演示数据。</p>"_s;
    // Put together from fragments, the page starts with its pinned item, ahead
    // of the document itself, so that item's time is just its tag.
    const QString pinned = u"【置顶】</span><a href=\""_s + newsLink(day, 99) +
                           u"今日盘面综述：两市震荡整理，热点轮动加快\" target=\"_blank\"></a>\n"_s;
    return pinned + htmlPage(u"热点板块"_s, style, body);
}

} // namespace standin
