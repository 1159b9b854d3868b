#include "RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this))
{
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == m_lastIndex)
            return;
        m_lastIndex = id;
        emit Click();
    });
}

void TRadioGroup::SetItems(const QStringList& items)
{
    const int keep = ItemIndex();
    for (QAbstractButton* button : m_group->buttons()) {
        m_group->removeButton(button);
        delete button;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        m_group->addButton(button, i);
    }
    PlaceItems();
    SetItemIndex(keep);
}

void TRadioGroup::SetColumns(int columns)
{
    m_columns = std::max(1, columns);
    PlaceItems();
}

void TRadioGroup::PlaceItems()
{
    const int count = Count();
    const int rows = std::max(1, (count + m_columns - 1) / m_columns);
    for (int i = 0; i < count; ++i) {
        QAbstractButton* button = m_group->button(i);
        m_layout->removeWidget(button);
        m_layout->addWidget(button, i % rows, i / rows);
    }
}

QStringList TRadioGroup::Items() const
{
    QStringList items;
    for (int i = 0; i < Count(); ++i)
        items << m_group->button(i)->text();
    return items;
}

void TRadioGroup::SetItemText(int index, const QString& text)
{
    if (QAbstractButton* button = m_group->button(index))
        button->setText(text);
}

int TRadioGroup::Count() const { return static_cast<int>(m_group->buttons().size()); }

int TRadioGroup::ItemIndex() const { return m_group->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    m_lastIndex = m_group->button(index) ? index : -1;
    if (QAbstractButton* button = m_group->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its last button directly.
    m_group->setExclusive(false);
    for (QAbstractButton* b : m_group->buttons())
        b->setChecked(false);
    m_group->setExclusive(true);
}
