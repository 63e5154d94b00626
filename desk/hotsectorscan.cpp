#include "desk/hotsectorscan.h"

#include "widgets/characters.h"

#include <optional>

namespace desk::hotsector {

namespace {} // namespace

bool isMarked(QStringView segment) {
    for (const QStringView keyword : {u"领涨", u"拉升", u"涨停", u"概念"})
        if (segment.contains(keyword))
            return true;
    return false;
}

// The page is read from a cut point that moves past each closing marker, as
// if the text before it were dropped. The next opening marker stays valid
// until the cut passes it, so a page full of closing markers is still read
// in one pass.
std::vector<Line> scan(QStringView page) {
    std::vector<Line> lines;
    qsizetype cut = 0;
    qsizetype opening = -1;
    for (;;) {
        if (opening < cut)
            opening = page.indexOf(kOpeningMarker, cut);
        if (opening < 0)
            break;
        // An entry whose link never ends would never be passed: the page ends there.
        const qsizetype closing = page.indexOf(kClosingMarker, cut);
        if (closing < 0)
            break;
        // A closing marker before the opening one (or inside it) makes no entry.
        const qsizetype linkStart = opening + kOpeningMarker.size();
        if (closing > linkStart) {
            const QStringView link = page.sliced(linkStart, closing - linkStart);
            if (const auto headline = characters::after(link, kAddressLength)) {
                // Near the cut point the time has what characters there are.
                const qsizetype stamp = characters::before(page, opening, cut, kStampLength);
                lines.push_back({link.sliced(*headline).toString() +
                                     page.sliced(stamp, opening - stamp).toString(),
                                 isMarked(link)});
            }
        }
        cut = closing + 1;
    }
    return lines;
}

} // namespace desk::hotsector
