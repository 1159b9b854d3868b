#pragma once

#include <QStyledItemDelegate>

// Draws cell borders, the grid lines of the monitor list.
class TMonitorGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
