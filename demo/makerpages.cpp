#include "demo/makerpages.h"

#include "demo/marketpages.h"
#include "demo/quotebook.h"
#include "quote/change.h"
#include "quote/market.h"
#include "version.h"

#include <algorithm>
#include <numeric>
#include <random>

using namespace Qt::StringLiterals;

namespace standin {

namespace {

const QString kBaseStyle =
    u"body{margin:10px;font:13px/1.6 SimSun,'宋体',serif;color:#333;background:#fff}"
    "h1{font-size:16px;color:#b00;margin:0 0 8px}h2{font-size:14px;margin:10px 0 4px}"
    "a{color:#036}ul{margin:4px 0;padding-left:18px}"
    ".note{color:#888;font-size:12px;margin-top:10px}"_s;

const QString kDemoNote = u"<p class=\"note\">本站内容为软件演示数据，不构成任何投资建议。</p>"_s;

const QString kRumours[] = {
    u"传某光伏组件龙头与海外客户签下百亿级长单，公司尚未回应"_s,
    u"传华东某券商将与同城券商合并，双方均称以公告为准"_s,
    u"传某白酒企业下月起上调主力产品出厂价"_s,
    u"传一家消费电子代工厂拿下北美大客户新机型独家订单"_s,
    u"传某地方国资拟入主一家创业板半导体设备公司"_s,
    u"传多家锂电材料厂商联合减产，碳酸锂报价或企稳"_s,
    u"传某头部车企固态电池装车测试提前完成"_s,
    u"传监管层近期将出台支持并购重组的新举措"_s,
    u"传某医药公司创新药海外授权谈判进入最后阶段"_s,
    u"传某军工集团资产注入方案已上报主管部门"_s,
    u"传某游戏公司新品版号即将下发"_s,
    u"传一家算力租赁公司与大型互联网平台续签长单"_s,
    u"传某地产商获银行新增授信，债务展期方案接近落地"_s,
    u"传某稀土企业拟收购海外矿山股权"_s,
    u"传新一轮家电以旧换新补贴细则近日公布"_s,
    u"传某机器人企业获知名产业资本战略入股"_s,
    u"传某保险资管近期大幅加仓高股息板块"_s,
    u"传某电力公司储能项目中标结果本周揭晓"_s,
    u"传某航运公司集装箱长约运价大幅上调"_s,
    u"传某乳业公司拟分拆旗下奶粉业务独立上市"_s,
};
constexpr int kRumourCount = int(std::size(kRumours));
// Steps through every rumour before one comes round again (7 and 20 share no
// factor), and two neighbouring slots never show the same one.
constexpr int kRumourStride = 7;
constexpr int kRumourSlotMinutes = 2;
constexpr int kRumourLines = 12;

const QString kPickReasons[] = {
    u"放量突破平台"_s, u"均线多头排列"_s, u"业绩预增"_s,     u"底部放量"_s,
    u"回踩支撑企稳"_s, u"主力资金流入"_s, u"行业景气上行"_s, u"缩量整理到位"_s,
};

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QDate previousWeekday(QDate day) {
    do {
        day = day.addDays(-1);
    } while (day.dayOfWeek() > 5);
    return day;
}

// Two-minute slots counted from the epoch of the calendar, so the head does
// not repeat from one day to the next.
qint64 rumourSlot(const QDateTime& now) {
    const QTime t = now.time();
    return now.date().toJulianDay() * (24 * 60 / kRumourSlotMinutes) +
           (t.hour() * 60 + t.minute()) / kRumourSlotMinutes;
}

QTime slotTime(qint64 slot) {
    const int perDay = 24 * 60 / kRumourSlotMinutes;
    const int minutes = int(((slot % perDay) + perDay) % perDay) * kRumourSlotMinutes;
    return QTime(minutes / 60, minutes % 60);
}

QString nameOf(const QuoteBook& book, const QString& code) {
    const Instrument* s = book.stock(code);
    return s ? s->name : QString();
}

QString indexSummary(const Instrument& index) {
    return index.name + u' ' + formatHundredths(index.price) + u"（"_s +
           quote::formatChange(index.price, index.prevClose) + u"）"_s;
}

} // namespace

QString htmlPage(const QString& title, const QString& style, const QString& body) {
    return u"<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>"_s + title +
           u"</title><style>"_s + style + u"</style></head><body>"_s + body + u"</body></html>"_s;
}

QString homePage() {
    const QString body =
        u"<h1>Tarvex 私募内线</h1>"
        "<p>欢迎光临！Tarvex 是一款最小的私募内线软件，陪散户朋友看盘、读消息、记纪律。</p>"
        "<h2>常用栏目</h2><ul>"
        "<li><a href=\"/map1.asp?cid=2&amp;page=1\">私募内参</a>：市场传闻每两分钟更新</li>"
        "<li><a href=\"/map1.asp?cid=14&amp;page=1\">热点题材</a>：盘中热点一网打尽</li>"
        "<li><a href=\"/map1.asp?cid=15\">历史荐股</a>：每日早盘9:15免费公布3只股票</li>"
        "<li><a href=\"/map1.asp?cid=11&amp;page=1\">免费技术</a>：授人以鱼不如授人以渔</li>"
        "</ul><h2>关于本站</h2><ul>"
        "<li><a href=\"/htm/20120512/723.htm\">关于Tarvex</a></li>"
        "<li><a href=\"/htm/huiyuan.htm\">会员服务</a></li>"
        "<li><a href=\"/htm/lianxi.htm\">联系我们</a></li></ul>"_s +
        kDemoNote;
    return htmlPage(u"Tarvex 私募内线"_s, kBaseStyle, body);
}

QString notFoundPage(const QString& path) {
    return htmlPage(u"页面不存在"_s, kBaseStyle,
                    u"<h1>404 页面不存在</h1><p>找不到 "_s + escaped(path) +
                        u"，请返回<a href=\"/\">首页</a>。</p>"_s);
}

QString announcementPage(const QDate& today) {
    const QString style = u"body{margin:0;overflow:hidden;background:#fff}"
                          "div{white-space:nowrap;color:#e00;font:bold 13px/41px SimSun,'宋体',"
                          "serif;padding-left:6px}"_s;
    return htmlPage(u"公告"_s, style,
                    u"<div>"_s + today.toString(u"MM月dd日") +
                        u"公告：每日9:15免费公布3只牛股，敬请关注！</div>"_s);
}

QChar riskGrade(const Instrument& index) {
    return QChar(quote::riskGrade(double(index.price), double(index.prevClose)));
}

QString riskPage(QChar grade) {
    return htmlPage(u"大盘风险"_s, u"body{margin:0;font-size:24px;color:#c00}"_s, QString(grade));
}

QStringList dailyPicks(const QDate& day, const std::vector<Instrument>& stocks) {
    std::vector<int> order(stocks.size());
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 rng(quint32(day.toJulianDay()));
    std::shuffle(order.begin(), order.end(), rng);
    QStringList codes;
    for (int i = 0; i < 3 && i < int(order.size()); ++i)
        codes.append(stocks[order[i]].code);
    return codes;
}

QString picksText(const QStringList& codes) {
    static const QString marks[] = {u"①"_s, u"②"_s, u"③"_s};
    QStringList parts;
    for (int i = 0; i < codes.size() && i < 3; ++i)
        parts.append(marks[i] + codes.at(i));
    // Three six-digit codes with their marks and two blanks make 23.
    return parts.join(u' ').leftJustified(kPicksLength, u'　', true);
}

QString picksPage(const QDate& today, const QuoteBook& book) {
    const QStringList codes = dailyPicks(today, book.stocks());
    QStringList names;
    for (const QString& code : codes)
        names.append(nameOf(book, code));
    // Inline content only up to the picks: a block element would put a line
    // break into the text before them and shift every character after it.
    const QString body = today.toString(u"MM-dd") + u"日荐股<span style=\"color:#c00\">"_s +
                         picksText(codes) + u"</span><br>"_s + names.join(u'、') +
                         u"<br>仅供参考，据此操作风险自负"_s;
    return htmlPage(u"今日荐股"_s, u"body{margin:0;font-size:13px}"_s, body);
}

QString historyPage(const QDate& today, const QuoteBook& book) {
    const QString style = u"body{margin:4px;font:12px/1.4 SimSun,'宋体',serif;color:#333}"
                          "h1{font-size:13px;color:#b00;margin:0 0 4px}"
                          "table{border-collapse:collapse;width:100%}"
                          "th,td{border:1px solid #ccc;padding:1px 3px;text-align:center}"
                          "th{background:#f3e6c8}"_s;
    QString rows;
    // Today first, whatever the weekday, as the picks page always shows
    // today's picks; then the trading days before it.
    QDate day = today;
    for (int n = 0; n < 4; ++n, day = previousWeekday(day)) {
        const QStringList codes = dailyPicks(day, book.stocks());
        std::mt19937 rng(quint32(day.toJulianDay()) ^ 0x5eedu);
        for (int i = 0; i < codes.size(); ++i) {
            rows += u"<tr>"_s;
            if (i == 0)
                rows += u"<td rowspan=\"3\">"_s + day.toString(u"MM-dd") + u"</td>"_s;
            const QString& reason = kPickReasons[rng() % std::size(kPickReasons)];
            rows += u"<td>"_s + codes.at(i) + u"</td><td>"_s + nameOf(book, codes.at(i)) +
                    u"</td><td>"_s + reason + u"</td></tr>"_s;
        }
    }
    const QString body = u"<h1>历史荐股记录（免费）</h1><table><tr><th>日期</th><th>代码</th>"
                         "<th>名称</th><th>理由</th></tr>"_s +
                         rows + u"</table>"_s;
    return htmlPage(u"历史荐股记录"_s, style, body);
}

QString rumourHead(const QDateTime& now, int slotsOn) {
    return u"传闻"_s + slotTime(rumourSlot(now) + slotsOn).toString(u"HH:mm") + u"更新："_s;
}

QString rumourPage(const QDateTime& now, int slotsOn) {
    const QString style =
        kBaseStyle + u"b.head{color:#b00;font-size:15px}span.t{color:#06c;margin-right:6px}"_s;
    const qint64 slot = rumourSlot(now) + slotsOn;
    QString items;
    for (int i = 0; i < kRumourLines; ++i) {
        const qint64 s = slot - i;
        const QString& rumour =
            kRumours[(s * kRumourStride % kRumourCount + kRumourCount) % kRumourCount];
        items += u"<li><span class=\"t\">"_s + slotTime(s).toString(u"HH:mm") + u"</span>"_s +
                 rumour + u"</li>"_s;
    }
    // The head comes first and inline, so the page text starts with it.
    const QString body = u"<b class=\"head\">"_s + rumourHead(now, slotsOn) +
                         u"</b>最新私募圈传闻，真假自辨<ul>"_s + items + u"</ul>"_s +
                         u"<p class=\"note\">以上均为市场传闻，未经证实，请勿据此操作。"
                         "本站内容为软件演示数据。</p>"_s;
    return htmlPage(u"私募内参"_s, style, body);
}

QString categoryPage(int cid, const QDateTime& now, const QuoteBook& book) {
    QString title;
    QString content;
    switch (cid) {
    case 11:
        title = u"免费技术"_s;
        content = u"<h2>量价关系入门</h2><p>价升量增为健康上涨，价升量缩需警惕；"
                  "底部放量突破往往是资金进场的信号。</p>"
                  "<h2>均线多头排列</h2><p>5日、10日、20日均线自上而下依次排列且同时向上，"
                  "说明短中期趋势一致向好。</p>"
                  "<h2>止损的纪律</h2><p>买入前先定好止损价，跌破即走，不抱幻想。"
                  "小亏是成本，大亏才是风险。</p>"_s;
        break;
    case 12: {
        title = u"操盘神器"_s;
        const Instrument& sh = book.shanghai();
        const Instrument* sz = book.index(u"399001"_s);
        const QChar grade = riskGrade(sh);
        content = u"<h2>"_s + now.toString(u"MM月dd日 HH:mm") + u" 大盘研判</h2><p>"_s +
                  indexSummary(sh) + (sz ? u"，"_s + indexSummary(*sz) : QString()) +
                  u"。</p><p>当前市场风险等级：<b style=\"color:#c00\">"_s + grade + u"</b>。"_s +
                  (grade == u'高' ? u"指数跌幅较大，控制仓位，不追高。"_s
                   : grade == u'低' ? u"指数红盘运行，可关注强势板块的回踩机会。"_s
                                    : u"指数窄幅震荡，多看少动，耐心等待方向。"_s) +
                  u"</p><p>支撑位与压力位请结合成交量判断，量能不足时的突破容易回落。</p>"_s;
        break;
    }
    case 13:
        title = u"群聊精华"_s;
        content =
            u"<ul><li><b>老K：</b>跌的时候不慌，涨的时候不贪，这句话我用了十年。</li>"
            "<li><b>海边的鱼：</b>今天按计划止损了一只，心里反而踏实。</li>"
            "<li><b>短线小兵：</b>热点轮动太快，只做第一个涨停的板块龙头。</li>"
            "<li><b>老K：</b>记住，仓位比选股更重要。</li>"
            "<li><b>晨曦：</b>复盘时把每笔交易的理由写下来，一个月后再看会有收获。</li></ul>"_s;
        break;
    case 14: {
        title = u"热点题材"_s;
        content = u"<ul>"_s;
        for (const NewsEntry& entry : hotSectorNews(now))
            content +=
                u"<li>"_s + entry.time.toString(u"HH:mm") + u' ' + entry.headline + u"</li>"_s;
        content += u"</ul>"_s;
        break;
    }
    default:
        return QString();
    }
    return htmlPage(title, kBaseStyle, u"<h1>"_s + title + u"</h1>"_s + content + kDemoNote);
}

QString introPanel() {
    const QString style = u"body{margin:4px;font:12px/1.5 SimSun,'宋体',serif;color:#333;"
                          "background:#fffbe8;overflow:hidden}"
                          "h1{font-size:13px;color:#b00;margin:0 0 4px}p{margin:0 0 6px}"_s;
    const QString body = u"<h1>Tarvex 私募内线</h1>"
                         "<p>最小的私募内线软件，散户赚钱好帮手。</p>"
                         "<p>★ 私募内参：传闻随时更新，有新消息时右下角提示。</p>"
                         "<p>★ 热点题材：盘中热点一目了然。</p>"
                         "<p>★ 免费技术、群聊精华：天天学一点。</p>"
                         "<p>右键点击窗口可修改刷新频率，默认30分钟。</p>"
                         "<p style=\"color:#888\">演示数据，仅供软件测试。</p>"_s;
    return htmlPage(u"软件介绍"_s, style, body);
}

QString blogPage(const QString& platform) {
    const QString name = platform == u"sina"_s    ? u"新浪博客"_s
                         : platform == u"sohu"_s  ? u"搜狐博客"_s
                         : platform == u"hexun"_s ? u"和讯博客"_s
                                                  : QString();
    if (name.isEmpty())
        return name;
    const QString body = u"<h1>Tarvex 的"_s + name +
                         u"</h1><p>每日收盘后更新复盘笔记，与网友交流操作心得。</p>"
                         "<p>回到<a href=\"/\">Tarvex 首页</a>。</p>"_s +
                         kDemoNote;
    return htmlPage(u"Tarvex 的"_s + name, kBaseStyle, body);
}

QString membershipPage() {
    const QString body =
        u"<h1>会员服务</h1><p>需要稳定收益？成为会员，获取更完整的盘前资讯与荐股记录。</p>"
        "<ul><li>体验会员：免费，每日早盘3只股票</li>"
        "<li>季度会员：盘中提示、历史记录全部开放</li>"
        "<li>年度会员：季度会员全部内容，另有周末复盘讲座</li></ul>"
        "<p>详情请<a href=\"/htm/lianxi.htm\">联系我们</a>。</p>"_s +
        kDemoNote;
    return htmlPage(u"会员服务"_s, kBaseStyle, body);
}

QString aboutPage() {
    const QString body =
        u"<h1>关于Tarvex</h1><p>Tarvex 是一款私募内线软件，当前版本 V" TARVEX_VERSION "。</p>"
        "<ul><li>五个栏目：私募内参、热点题材、操盘神器、免费技术、群聊精华</li>"
        "<li>私募内参定时刷新，1到60分钟可选，默认30分钟</li>"
        "<li>内容有更新时在屏幕右下角弹出提示</li>"
        "<li>最小化到托盘，可设置开机启动</li></ul>"
        "<p>Tarvex——解放散户、战胜主力、拒绝愚昧、笑傲股海！</p>"_s +
        kDemoNote;
    return htmlPage(u"关于Tarvex"_s, kBaseStyle, body);
}

QString contactPage() {
    const QString body = u"<h1>联系我们</h1><p>如果您对软件有任何建议，欢迎来信。</p>"
                         "<ul><li>电子邮件：service@example.com</li>"
                         "<li>工作时间：交易日 8:30—17:00</li></ul>"_s +
                         kDemoNote;
    return htmlPage(u"联系我们"_s, kBaseStyle, body);
}

} // namespace standin
