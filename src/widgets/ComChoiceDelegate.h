#pragma once

#include <QStyledItemDelegate>

class QComboBox;

// Draws each COM item of the port choice with the device it is mapped to
// beside its name ("COM1   /dev/ttyUSB0"); the item's own text stays "COM1".
class TComChoiceDelegate final : public QStyledItemDelegate {
public:
    static constexpr int DeviceRole = Qt::UserRole + 1;
    using QStyledItemDelegate::QStyledItemDelegate;

    // Widens the combo box's list to its longest "COM1   /dev/..." item (the
    // list is otherwise as wide as the box, which cut the names in the middle).
    static void FitList(QComboBox& combo);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
