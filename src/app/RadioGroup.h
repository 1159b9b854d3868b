#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QVBoxLayout;

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

    [[nodiscard]] int ItemIndex() const;
    // Any index outside the items selects none.
    void SetItemIndex(int index);

signals:
    // The user picked another item (not emitted for SetItemIndex, nor for a
    // click on the item already selected).
    void Click();

private:
    QButtonGroup* m_group;
    int m_lastIndex = -1;
    QVBoxLayout* m_layout;
};
