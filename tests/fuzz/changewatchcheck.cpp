#include "tests/fuzz/fuzzcheck.h"
#include "viewer/changewatch.h"

#include <QList>

// The input is a period text, then the texts of pages loaded one after the
// other, as UTF-8 separated by NUL bytes.
//   Any period reloads every so many ticks, never on every tick by mistake.
//   A head is the first 10 whole characters. The first page with text sets the
// head remembered, which then stays; only a rumour page whose head differs
// from it raises the notice, and the page it was taken from never does.
void fuzz::changeWatch(std::string_view input) {
    const QList<QByteArray> parts = QByteArray(input.data(), qsizetype(input.size())).split('\0');
    const QString periodText = QString::fromUtf8(parts.value(0));
    const int period = viewer::periodSeconds(periodText);
    require(period > 0, "a period of no seconds");
    if (period <= 100000) {
        int counter = 0;
        for (int tick = 1; tick < period; ++tick)
            require(!viewer::reloadDue(counter, periodText), "a reload before the period");
        require(viewer::reloadDue(counter, periodText) && counter == 0,
                "no reload once the period is over");
    }

    QString remembered, baselinePage;
    for (const QByteArray& part : parts.mid(1)) {
        const QString text = QString::fromUtf8(part);
        const QString head = viewer::pageHead(text);
        require(head.toUcs4() == text.toUcs4().mid(0, viewer::kHeadLength),
                "a head other than the first 10 characters");
        const viewer::PageLoadOutcome outcome = viewer::pageLoaded(remembered, text);
        if (remembered.isEmpty())
            baselinePage = text;
        require(outcome.head == (remembered.isEmpty() ? head : remembered),
                "the head remembered moved");
        require(outcome.showNotice ==
                    (!remembered.isEmpty() && text.startsWith(u"传闻") && head != remembered),
                "a notice for a page that is no changed rumour page, or none for one");
        require(!viewer::pageLoaded(outcome.head, baselinePage).showNotice,
                "a notice for the page the head was taken from");
        remembered = outcome.head;
    }
}
