#include "quote/market.h"

#include <algorithm>
#include <optional>

namespace quote {

namespace {

struct CodeRange {
    std::u16string_view prefix;
    Market market;
    int decimals;
};

// Longer prefixes need no order of their own: no prefix here starts another.
constexpr CodeRange kRanges[] = {
    {u"60", Market::Shanghai, 2}, {u"68", Market::Shanghai, 2}, {u"900", Market::Shanghai, 3},
    {u"5", Market::Shanghai, 3},  {u"00", Market::Shenzhen, 2}, {u"30", Market::Shenzhen, 2},
    {u"20", Market::Shenzhen, 2}, {u"15", Market::Shenzhen, 3}, {u"16", Market::Shenzhen, 3},
    {u"18", Market::Shenzhen, 3}, {u"43", Market::Beijing, 2},  {u"83", Market::Beijing, 2},
    {u"87", Market::Beijing, 2},  {u"88", Market::Beijing, 2},  {u"92", Market::Beijing, 2},
};

std::optional<CodeRange> rangeOf(std::u16string_view code) {
    if (code.size() != 6 ||
        !std::all_of(code.begin(), code.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    for (const CodeRange& range : kRanges)
        if (code.starts_with(range.prefix))
            return range;
    return std::nullopt;
}

} // namespace

Market marketOf(std::u16string_view code) {
    const std::optional<CodeRange> range = rangeOf(code);
    return range ? range->market : Market::None;
}

std::string_view marketPrefix(Market market) {
    switch (market) {
    case Market::Shanghai:
        return "sh";
    case Market::Shenzhen:
        return "sz";
    case Market::Beijing:
        return "bj";
    case Market::None:
        break;
    }
    return "";
}

int priceDecimals(std::u16string_view code) {
    const std::optional<CodeRange> range = rangeOf(code);
    return range ? range->decimals : 2;
}

char16_t riskGrade(double level, double previousClose) {
    const double change = level - previousClose;
    if (100 * change < -previousClose)
        return u'高';
    return change > 0 ? u'低' : u'中';
}

} // namespace quote
