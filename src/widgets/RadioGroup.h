#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;

// A group box of radio buttons with Items and ItemIndex (-1 = none), its own
// kind so that language files tell it apart from a plain group box.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    void SetItems(const QStringList& items);
    [[nodiscard]] QStringList Items() const;
    // Replaces one item's text, keeping the selection.
    void SetItemText(int index, const QString& text);
    [[nodiscard]] int Count() const;
    // Items fill the first column from the top, then the next (1 or more).
    void SetColumns(int columns);
    [[nodiscard]] int Columns() const { return m_columns; }

    [[nodiscard]] int ItemIndex() const;
    // Any index outside the items selects none.
    void SetItemIndex(int index);

signals:
    // The user picked another item (not emitted for SetItemIndex, nor for a
    // click on the item already selected).
    void Click();

private:
    void PlaceItems();

    QButtonGroup* m_group;
    int m_lastIndex = -1;
    int m_columns = 1;
    QGridLayout* m_layout;
};
