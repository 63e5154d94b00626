#include "desk/quotecells.h"

#include "desk/deskrules.h"
#include "widgets/formgeometry.h"

#include <QLabel>
#include <QTreeWidgetItem>

namespace desk {

namespace {

QString fieldText(const quote::Reply& reply, std::size_t field) {
    const auto value = reply.field(field);
    return value ? QString::fromStdU16String(*value) : QString();
}

} // namespace

void showQuote(QTreeWidgetItem* row, const quote::Reply& reply) {
    const std::pair<Column, std::size_t> cells[] = {
        {NameColumn, quote::kNameField},
        {PriceColumn, quote::kPriceField},
        {HighColumn, quote::kHighField},
        {ChangeColumn, quote::kChangeField},
    };
    for (const auto& [column, field] : cells) {
        if (const auto value = reply.field(field))
            row->setText(column, QString::fromStdU16String(*value));
    }

    const auto change = reply.field(quote::kChangeField);
    if (!change)
        return;
    const RowColours colours = rowColours(QString::fromStdU16String(*change));
    for (const Column column : {CodeColumn, NameColumn, PriceColumn, HighColumn})
        row->setForeground(column, colours.codeNamePriceHigh);
    row->setForeground(ChangeColumn, colours.change);
}

void showIndex(QLabel* label, const QString& name, const std::optional<quote::Reply>& reply) {
    const QString level = reply ? fieldText(*reply, quote::kIndexLevelField) : QString();
    const QString change = reply ? fieldText(*reply, quote::kIndexChangeField) : QString();
    label->setText(indexCaption(name, level, change));
    if (const auto colour = indexColour(change))
        form::setTextColour(label, *colour);
}

} // namespace desk
