#include "desk/hotsectorscan.h"

#include <optional>

namespace desk::hotsector {

namespace {

bool isPairAt(QStringView text, qsizetype at) {
    return at >= 0 && at + 1 < text.size() && text[at].isHighSurrogate() &&
           text[at + 1].isLowSurrogate();
}

// Where text goes on after its first count characters; nothing when it is shorter.
std::optional<qsizetype> afterCharacters(QStringView text, int count) {
    qsizetype at = 0;
    for (int n = 0; n < count; ++n) {
        if (at >= text.size())
            return std::nullopt;
        at += isPairAt(text, at) ? 2 : 1;
    }
    return at;
}

// Where the last count characters before end begin, never reaching below floor.
qsizetype beforeCharacters(QStringView text, qsizetype end, qsizetype floor, int count) {
    qsizetype at = end;
    for (int n = 0; n < count && at > floor; ++n)
        at -= at - 2 >= floor && isPairAt(text, at - 2) ? 2 : 1;
    return at;
}

} // namespace

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
            if (const auto headline = afterCharacters(link, kAddressLength)) {
                // Near the cut point the time has what characters there are.
                const qsizetype stamp = beforeCharacters(page, opening, cut, kStampLength);
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
