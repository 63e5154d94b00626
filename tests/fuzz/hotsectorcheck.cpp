#include "desk/hotsectorscan.h"
#include "tests/fuzz/fuzzcheck.h"

#include <QList>

// Any page, as UTF-8 text: no more entries than it has closing markers, and
// each one made of the page's own text: a headline that stood just before a
// closing marker and holds none, then a time of at most 11 whole characters
// that stood just before an opening marker. No surrogate pair is split, and an
// entry whose headline names a moving sector is marked.
void fuzz::hotSectorScan(std::string_view input) {
    namespace hot = desk::hotsector;
    const QString page = QString::fromUtf8(input.data(), qsizetype(input.size()));
    const std::vector<hot::Line> lines = hot::scan(page);
    require(qsizetype(lines.size()) <= page.count(hot::kClosingMarker),
            "more entries than the page has links");
    for (const hot::Line& line : lines) {
        require(QStringView(line.text).isValidUtf16(), "an entry splits a character");
        bool found = false;
        for (qsizetype split = line.text.size(); split >= 0 && !found; --split) {
            const QString headline = line.text.left(split);
            const QString stamp = line.text.mid(split);
            found = stamp.toUcs4().size() <= hot::kStampLength &&
                    page.contains(stamp + hot::kOpeningMarker.toString()) &&
                    page.contains(headline + hot::kClosingMarker.toString()) &&
                    !headline.contains(hot::kClosingMarker) &&
                    (line.marked || !hot::isMarked(headline));
        }
        require(found, "an entry that is not the page's headline and time");
    }
}
