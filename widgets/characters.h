#pragma once

#include <QStringView>

#include <optional>

// Counting characters as a reader sees them: a UTF-16 surrogate pair is one
// character and is never split. For the page rules of both programs.
namespace characters {

inline bool pairAt(QStringView text, qsizetype at) {
    return at >= 0 && at + 1 < text.size() && text[at].isHighSurrogate() &&
           text[at + 1].isLowSurrogate();
}

// Where text goes on after its first count characters; nothing when it is shorter.
inline std::optional<qsizetype> after(QStringView text, int count) {
    qsizetype at = 0;
    for (int n = 0; n < count; ++n) {
        if (at >= text.size())
            return std::nullopt;
        at += pairAt(text, at) ? 2 : 1;
    }
    return at;
}

// Where the last count characters before end begin, never reaching below floor.
inline qsizetype before(QStringView text, qsizetype end, qsizetype floor, int count) {
    qsizetype at = end;
    for (int n = 0; n < count && at > floor; ++n)
        at -= at - 2 >= floor && pairAt(text, at - 2) ? 2 : 1;
    return at;
}

} // namespace characters
