#include "viewer/changewatch.h"

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
    qsizetype end = 0;
    for (int taken = 0; taken < kHeadLength && end < pageText.size(); ++taken) {
        const bool pair = pageText[end].isHighSurrogate() && end + 1 < pageText.size() &&
                          pageText[end + 1].isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return pageText.left(end);
}

PageLoadOutcome pageLoaded(const QString& rememberedHead, const QString& pageText) {
    const QString head = pageHead(pageText);
    PageLoadOutcome outcome{rememberedHead.isEmpty() ? head : rememberedHead, false};
    outcome.showNotice = pageText.startsWith(QStringLiteral("传闻")) && outcome.head != head;
    return outcome;
}

} // namespace viewer
