#include "viewer/changewatch.h"

#include "widgets/characters.h"

namespace viewer {

int periodSeconds(const QString& periodText) {
    bool isNumber = false;
    const int seconds = periodText.toInt(&isNumber);
    return isNumber && seconds > 0 ? seconds : kDefaultPeriodSeconds;
}

bool reloadDue(int& counter, const QString& periodText) {
    ++counter;
    if (periodSeconds(periodText) > counter)
        return false;
    counter = 0;
    return true;
}

QString pageHead(const QString& pageText) {
    return pageText.left(characters::after(pageText, kHeadLength).value_or(pageText.size()));
}

PageLoadOutcome pageLoaded(const QString& rememberedHead, const QString& pageText) {
    const QString head = pageHead(pageText);
    PageLoadOutcome outcome{rememberedHead.isEmpty() ? head : rememberedHead, false};
    outcome.showNotice = pageText.startsWith(QStringLiteral("传闻")) && outcome.head != head;
    return outcome;
}

} // namespace viewer
