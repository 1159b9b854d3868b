#include "ComChoiceDelegate.h"

void TComChoiceDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QString device = index.data(DeviceRole).toString();
    if (!device.isEmpty())
        option->text += QStringLiteral("   ") + device;
}
