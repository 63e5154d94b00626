#pragma once

#include <QStringList>

#include <algorithm>
#include <vector>

// What every benchmark here does with its figures and its command line.
namespace bench {

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The positive whole number after `option` ("--runs 5"); the fallback when
// the option is missing or its value is not such a number.
inline int positiveOption(const QStringList& arguments, const QString& option, int fallback) {
    const qsizetype at = arguments.indexOf(option);
    if (at < 0)
        return fallback;
    bool ok = false;
    const int value = arguments.value(at + 1).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace bench
