#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace standin {

class QuoteBook;
struct Instrument;

// A whole page declared as GBK. The body markup follows <body> directly and
// nothing follows </html>: stray whitespace there would become part of the
// body's visible text, which some pages must control to the character.
QString htmlPage(const QString& title, const QString& style, const QString& body);

QString homePage();
QString notFoundPage(const QString& path);

// The one-line announcement strip (a 393 x 41 px browser).
QString announcementPage(const QDate& today);

// The grade of the made-up index, by the same rule as a real one.
QChar riskGrade(const Instrument& index);
// The body holds the grade alone: the reader takes the body's text whole.
QString riskPage(QChar grade);

// Three distinct codes out of `stocks`, fixed for a given day, so the picks
// page and the history page agree about any date.
QStringList dailyPicks(const QDate& day, const std::vector<Instrument>& stocks);
// Exactly kPicksLength characters: "①600519 ②000858 ③300750".
constexpr int kPicksLength = 23;
QString picksText(const QStringList& codes);
// Body text: "MM-DD", "日荐股", the picks text, then the names on a new line.
// A reader that finds today's date in the first five characters takes
// characters 9 to 31.
QString picksPage(const QDate& today, const QuoteBook& book);
QString historyPage(const QDate& today, const QuoteBook& book);

// The rumour page's text starts with "传闻" and a head that changes every
// two minutes, e.g. "传闻10:32更新：" (ten characters). slotsOn moves the
// head and the list under it that many two-minute slots ahead of `now`.
QString rumourHead(const QDateTime& now, int slotsOn = 0);
QString rumourPage(const QDateTime& now, int slotsOn = 0);

// Category pages 11 免费技术, 12 操盘神器, 13 群聊精华, 14 热点题材; any other
// number gives an empty string.
QString categoryPage(int cid, const QDateTime& now, const QuoteBook& book);

QString introPanel();
// The maker's page on a blog platform: "sina", "sohu" or "hexun"; an empty
// string for any other.
QString blogPage(const QString& platform);
QString membershipPage();
QString aboutPage();
QString contactPage();

} // namespace standin
