#pragma once

#include "services/sitepages.h"

#include <QString>
#include <QStringView>

#include <vector>

// Reading the outside hot-sector news page. The page is not ours: all we rely
// on is that each entry's link starts after an opening marker and ends before
// a closing marker, that the link's first 68 characters are its address, and
// that the 11 characters before the opening marker are the entry's time.
namespace desk::hotsector {

using pages::news::kClosingMarker;
using pages::news::kOpeningMarker;
using pages::news::kStampLength;
inline constexpr int kAddressLength = pages::news::kLinkLength;

struct Line {
    QString text; // the headline, then the time, with nothing between
    bool marked;  // the entry speaks of a sector on the move

    friend bool operator==(const Line&, const Line&) = default;
};

// The page's entries in page order, duplicates and all. Characters are whole
// characters: a pair of UTF-16 surrogates counts as one and is never split.
std::vector<Line> scan(QStringView page);

// Whether an entry's link text names a leading, rising or limit-up sector or
// a theme ("领涨", "拉升", "涨停", "概念").
bool isMarked(QStringView segment);

} // namespace desk::hotsector
