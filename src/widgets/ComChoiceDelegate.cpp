#include "ComChoiceDelegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>

void TComChoiceDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QString device = index.data(DeviceRole).toString();
    if (!device.isEmpty())
        option->text += QStringLiteral("   ") + device;
}

void TComChoiceDelegate::FitList(QComboBox& combo)
{
    QAbstractItemView* list = combo.view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          list->verticalScrollBar()->sizeHint().width());
}
