#include "RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_layout(new QVBoxLayout(this))
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
        m_layout->addWidget(button);
    }
    SetItemIndex(keep);
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
