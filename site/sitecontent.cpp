#include "site/sitecontent.h"

#include "quote/gbk.h"
#include "quote/market.h"
#include "services/sitepages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrlQuery>

#include <cmath>

using namespace Qt::StringLiterals;

namespace site {

namespace {

// "page" may be left out or be 1: the maker's lists have one page.
bool firstPage(const QUrlQuery& query) {
    return !query.hasQueryItem(u"page"_s) || query.queryItemValue(u"page"_s) == u"1"_s;
}

std::optional<double> positiveNumber(const std::optional<std::u16string>& text) {
    if (!text)
        return std::nullopt;
    bool ok = false;
    const double value = QString::fromStdU16String(*text).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<QString> fileFor(const QString& path, const QString& rawQuery) {
    static const std::pair<const char*, const char*> kPlainPages[] = {
        {pages::kHome, "index.htm"},         {pages::kAnnouncement, "gonggao.htm"},
        {pages::kMarketRisk, kRiskFile},     {pages::kIntroduction, "jieshao.htm"},
        {pages::kMembership, "huiyuan.htm"}, {pages::kAbout, "about.htm"},
        {pages::kContact, "lianxi.htm"},     {pages::kSinaBlog, "blog-sina.htm"},
        {pages::kSohuBlog, "blog-sohu.htm"}, {pages::kHexunBlog, "blog-hexun.htm"},
    };
    if (rawQuery.isEmpty())
        for (const auto& [page, file] : kPlainPages)
            if (path == QLatin1String(page))
                return QString::fromLatin1(file);

    const QUrlQuery query(rawQuery);
    if (!firstPage(query))
        return std::nullopt;
    const QString cid = query.queryItemValue(u"cid"_s);
    if (path == u"/map2.asp"_s && cid == u"15"_s)
        return u"picks.htm"_s;
    if (path != u"/map1.asp"_s)
        return std::nullopt;
    if (cid == u"15"_s)
        return u"history.htm"_s;
    for (const char16_t* category : {u"2", u"11", u"12", u"13", u"14"})
        if (cid == QStringView(category))
            return u"cid"_s + cid + u".htm"_s;
    return std::nullopt;
}

QStringList ContentFolders::installed() {
    return {QStringLiteral(QUILLON_SITE_SHIPPED_DIR), QStringLiteral(QUILLON_SITE_SYSTEM_DIR),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                u"/quillon/site"_s};
}

std::optional<QByteArray> ContentFolders::read(const QString& file) const {
    for (auto folder = m_folders.crbegin(); folder != m_folders.crend(); ++folder) {
        QFile in(QDir(*folder).filePath(file));
        // Regular files only: opening a FIFO in its place would wait for a
        // writer and hold every request behind it.
        if (!QFileInfo(in.fileName()).isFile() || !in.open(QIODevice::ReadOnly))
            continue;
        // Read one byte past the cap: a file that grows while it is read is judged by what came.
        QByteArray bytes = in.read(kMaxFileBytes + 1);
        if (in.error() == QFileDevice::NoError && bytes.size() <= kMaxFileBytes)
            return bytes;
    }
    return std::nullopt;
}

QByteArray withToday(QByteArray page, const QDate& today) {
    return page.replace("{{today}}", today.toString(u"MM-dd").toLatin1());
}

QString riskWord(const QByteArray& file) {
    // Publishers write this file with whatever editor is at hand: a Windows
    // one may add a byte-order mark, or save in the system's GBK.
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(file);
    if (utf8.hasError())
        text = gbk::decode(file);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text.section(u'\n', 0, 0).trimmed().left(4);
}

QByteArray riskPage(const QString& grade) {
    // The body's markup follows <body> directly and nothing follows </html>,
    // so the visible text is the grade to the character.
    return u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>大盘风险</title>"
           "<style>body{margin:0;font-size:24px;color:#c00}</style></head><body>"_s.toUtf8() +
           grade.toHtmlEscaped().toUtf8() + "</body></html>";
}

QString gradeFromIndexReply(const std::optional<std::u16string>& level,
                            const std::optional<std::u16string>& previousClose) {
    const auto now = positiveNumber(level), before = positiveNumber(previousClose);
    if (!now || !before)
        return {};
    return QString(QChar(quote::riskGrade(*now, *before)));
}

} // namespace site
