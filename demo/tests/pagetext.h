#pragma once

// How the desktop programs read what the stand-in sends, reduced to what the
// tests need: reply fields and the visible text of simple pages.

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for QString comparisons.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace standin::test {

// Cut at every ",", then drop every "'" from each piece.
inline QStringList replyFields(const QString& reply) {
    if (reply.isEmpty())
        return {};
    QStringList fields = reply.split(u',');
    for (QString& field : fields)
        field.remove(u'\'');
    return fields;
}

// The body's visible text for pages made of inline text, <br> and simple
// blocks: what a browser's body.outerText gives for them.
inline QString bodyText(const QString& html) {
    const qsizetype open = html.indexOf(QStringLiteral("<body>"));
    const qsizetype close = html.lastIndexOf(QStringLiteral("</body>"));
    if (open < 0 || close < open)
        return {};
    QString text = html.mid(open + 6, close - open - 6);
    text.replace(QRegularExpression(QStringLiteral("<br\\s*/?>")), QStringLiteral("\n"));
    text.replace(QRegularExpression(QStringLiteral("</(p|li|h1|h2|div|ul|tr)>")),
                 QStringLiteral("\n"));
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

} // namespace standin::test
