#include "desk/quotecells.h"

#include "desk/deskrules.h"
#include "widgets/formgeometry.h"

#include <QLabel>

namespace desk {

namespace {

QString fieldText(const quote::Reply& reply, std::size_t field) {
    const auto value = reply.field(field);
    return value ? QString::fromStdU16String(*value) : QString();
}

} // namespace

bool showQuote(WatchListModel& list, WatchListModel::RowId id, const quote::Reply& reply) {
    const auto field = [&reply](std::size_t n) -> std::optional<QString> {
        const auto value = reply.field(n);
        return value ? std::optional(QString::fromStdU16String(*value)) : std::nullopt;
    };
    return list.setQuote(id, {field(quote::kNameField), field(quote::kPriceField),
                              field(quote::kHighField), field(quote::kChangeField)});
}

void showIndex(QLabel* label, const QString& name, const std::optional<quote::Reply>& reply) {
    const QString level = reply ? fieldText(*reply, quote::kIndexLevelField) : QString();
    const QString change = reply ? fieldText(*reply, quote::kIndexChangeField) : QString();
    label->setText(indexCaption(name, level, change));
    if (const auto colour = indexColour(change))
        form::setTextColour(label, *colour);
}

} // namespace desk
