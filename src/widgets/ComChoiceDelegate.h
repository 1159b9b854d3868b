#pragma once

#include <QStyledItemDelegate>

// Draws each COM item of the port choice with the device it is mapped to
// beside its name ("COM1   /dev/ttyUSB0"); the item's own text stays "COM1".
class TComChoiceDelegate final : public QStyledItemDelegate {
public:
    static constexpr int DeviceRole = Qt::UserRole + 1;
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
