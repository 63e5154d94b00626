#include "gateway/newsfeed.h"

#include "quote/gbk.h"
#include "services/sitepages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <optional>

using namespace Qt::StringLiterals;

namespace gateway::news {

namespace {

using pages::news::kLinkLength;

// How the feed writes a time ("d" a digit); the stamp is its "MM-DD HH:MM".
constexpr QStringView kCreateTimeForm = u"dddd-dd-dd dd:dd:dd";
constexpr qsizetype kStampFrom = 5;
static_assert(kStampFrom + pages::news::kStampLength <= 19);
// An entity longer than this is not one of those the feed uses.
constexpr qsizetype kMaxEntityLength = 8;
// Where an item whose address cannot be the link's points instead.
constexpr QStringView kFeedPage = u"https://finance.sina.com.cn/7x24/";

bool writtenAs(QStringView text, QStringView form) {
    if (text.size() != form.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (form[i] == u'd' ? text[i] < u'0' || text[i] > u'9' : text[i] != form[i])
            return false;
    return true;
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Whether a tag ("br", "/p", "div class=x") stands between two lines of text.
bool breaksLine(QStringView tag) {
    if (tag.startsWith(u'/'))
        tag = tag.mid(1);
    qsizetype length = 0;
    while (length < tag.size() && isAsciiLetter(tag[length]))
        ++length;
    const QString name = tag.left(length).toString().toLower();
    return name == u"br" || name == u"p" || name == u"div" || name == u"li";
}

// Drops tags: "<" before a letter, "/" or "!" up to the next ">". Anything
// else with "<" is text. Linear: a tag without its ">" ends the tags.
QString withoutTags(QStringView text) {
    const qsizetype lastClose = text.lastIndexOf(u'>');
    QString plain;
    plain.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        if (text[at] == u'<' && at < lastClose &&
            (isAsciiLetter(text[at + 1]) || text[at + 1] == u'/' || text[at + 1] == u'!')) {
            const qsizetype close = text.indexOf(u'>', at);
            if (breaksLine(text.sliced(at + 1, close - at - 1)))
                plain += u' ';
            at = close + 1;
            continue;
        }
        plain += text[at++];
    }
    return plain;
}

// The character an entity's name stands for; nothing for a name it is not.
std::optional<QString> entity(QStringView name) {
    if (name == u"amp")
        return u"&"_s;
    if (name == u"lt")
        return u"<"_s;
    if (name == u"gt")
        return u">"_s;
    if (name == u"quot")
        return u"\""_s;
    if (name == u"apos")
        return u"'"_s;
    if (name == u"nbsp")
        return u" "_s;
    if (name.size() < 2 || name[0] != u'#')
        return std::nullopt;
    const bool hex = name[1] == u'x' || name[1] == u'X';
    bool ok = false;
    const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
    if (!ok || code == 0 || code > 0x10ffff || (code >= 0xd800 && code < 0xe000))
        return std::nullopt;
    const char32_t character = code;
    return QString::fromUcs4(&character, 1);
}

QString withEntitiesDecoded(QStringView text) {
    QString decoded;
    decoded.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        if (text[at] == u'&') {
            const qsizetype end = text.mid(at + 1, kMaxEntityLength + 1).indexOf(u';');
            if (end > 0) {
                if (const std::optional<QString> character = entity(text.sliced(at + 1, end))) {
                    decoded += *character;
                    at += end + 2;
                    continue;
                }
            }
        }
        decoded += text[at++];
    }
    return decoded;
}

// The link: the item's own address when it is a plain one short enough,
// padded in a fragment; else the feed's page with the item's id.
QString linkFor(const QJsonValue& address, const QJsonValue& id) {
    const QString url = address.toString();
    bool plain =
        (url.startsWith(u"https://") || url.startsWith(u"http://")) && url.size() <= kLinkLength;
    for (const QChar c : url)
        plain = plain && c > u' ' && c < QChar(0x7f) && !QStringView(u"\"<>&'\\`").contains(c);
    QString link;
    if (plain) {
        link = url;
    } else {
        QString digits = id.isDouble() ? QString::number(id.toInteger()) : id.toString();
        digits.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
        link = kFeedPage.toString() + u'#' + digits.left(20);
    }
    if (!link.contains(u'#'))
        link += u'#';
    return link.leftJustified(kLinkLength, u'-', true);
}

} // namespace

QString headline(QStringView richText) {
    // What the tracker reads is the page decoded from GBK again.
    const QString text = gbk::decode(gbk::encode(withEntitiesDecoded(withoutTags(richText))));
    QString line;
    line.reserve(text.size());
    bool blank = false;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c.isSpace()) {
            blank = true;
            continue;
        }
        const bool paired =
            c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate();
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            (c.isSurrogate() && !paired))
            continue;
        if (blank && !line.isEmpty())
            line += u' ';
        blank = false;
        switch (c.unicode()) {
        case u'"':
            line += u'＂';
            break;
        case u'<':
            line += u'＜';
            break;
        case u'>':
            line += u'＞';
            break;
        case u'&':
            line += u'＆';
            break;
        default:
            line += c;
            if (paired)
                line += text[++at];
        }
    }
    return line;
}

Answer todaysItems(QByteArrayView body, const QDateTime& now) {
    if (body.size() > kMaxFeedBytes)
        return Garbled{u"more than %1 bytes"_s.arg(kMaxFeedBytes)};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body.toByteArray(), &error);
    if (!document.isObject())
        return Garbled{error.error == QJsonParseError::NoError
                           ? u"not a JSON object"_s
                           : u"not JSON: "_s + error.errorString()};
    const QJsonObject result = document.object().value(u"result").toObject();
    // 0 for an answer; anything else, or none, is a refusal or another format.
    const QJsonValue code = result.value(u"status").toObject().value(u"code");
    if (!(code.isDouble() && code.toDouble() == 0) && code.toString() != u"0")
        return Garbled{code.isUndefined()
                           ? u"no status code"_s
                           : u"status code %1"_s.arg(code.isDouble() ? code.toDouble() : -1)};
    const QJsonValue list =
        result.value(u"data").toObject().value(u"feed").toObject().value(u"list");
    if (!list.isArray())
        return Garbled{u"no list of items"_s};

    const QDate today = inBeijing(now).date();
    std::vector<Item> items;
    const QJsonArray entries = list.toArray();
    for (qsizetype i = 0; i < entries.size() && i < kMaxItems; ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        // The feed names no zone; its clock is the provider's, Beijing time.
        // Read as a date and a time apart: as one local date-time it could
        // fall into this machine's daylight-saving gap.
        const QString created = entry.value(u"create_time").toString();
        if (!writtenAs(created, kCreateTimeForm))
            continue;
        const QDate day = QDate::fromString(created.left(10), u"yyyy-MM-dd");
        const QTime time = QTime::fromString(created.mid(11), u"HH:mm:ss");
        if (day != today || !time.isValid())
            continue;
        const QString text = headline(entry.value(u"rich_text").toString());
        if (text.isEmpty())
            continue;
        items.push_back({created.mid(kStampFrom, pages::news::kStampLength),
                         linkFor(entry.value(u"docurl"), entry.value(u"id")), text});
    }
    return items;
}

QString page(const std::vector<Item>& items) {
    QString html = u"<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>热点板块</title>"
                   "</head><body>\n<ul>\n"_s;
    for (const Item& item : items) {
        html += u"<li><span>"_s + item.stamp;
        html.append(pages::news::kOpeningMarker);
        html += item.link + item.text;
        html.append(pages::news::kClosingMarker);
        html += u"\"_blank\">"_s + item.text + u"</a></li>\n"_s;
    }
    return html + u"</ul>\n</body></html>\n"_s;
}

} // namespace gateway::news
