#pragma once

#include <QString>

// Tarvex's watch on the rumour page, free of widgets: a clock of one-second
// ticks that says when to reload, and the comparison of every loaded page's
// head with the one remembered.
namespace viewer {

inline constexpr int kDefaultPeriodSeconds = 1800;
inline constexpr int kHeadLength = 10; // characters, a surrogate pair counting as one

// The period text as the hidden field holds it: decimal seconds. Anything
// else (it is only ever written by the period commands) counts as the default
// rather than as zero, which would reload on every tick.
int periodSeconds(const QString& periodText);

// One tick: the counter goes up by one and, once it has reached the period,
// returns to 0; true then says "reload now".
bool reloadDue(int& counter, const QString& periodText);

// The first kHeadLength characters of a page's text, all of it when shorter.
QString pageHead(const QString& pageText);

struct PageLoadOutcome {
    QString head;            // to remember from now on
    bool showNotice = false; // the rumour page's head differs from the one remembered
};

// A page finished loading with this visible text. An empty remembered head
// means no baseline yet: this page's head becomes it. Only a page starting
// with "传闻" can raise the notice.
PageLoadOutcome pageLoaded(const QString& rememberedHead, const QString& pageText);

} // namespace viewer
