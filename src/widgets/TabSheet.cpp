#include "TabSheet.h"

#include <QTabBar>
#include <QVBoxLayout>

TTabSheet::TTabSheet(const QString& name, QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    setObjectName(name);
    m_layout->setContentsMargins(0, 0, 0, 0);
}

void TTabSheet::SetContent(QWidget* content)
{
    if (m_content == content)
        return;
    delete m_content;
    m_content = content;
    if (content)
        m_layout->addWidget(content);
}

QString TTabSheet::Caption() const { return m_caption; }

void TTabSheet::SetCaption(const QString& caption)
{
    m_caption = caption;
    if (m_pageControl)
        m_pageControl->setTabText(TabIndex(), caption);
}

void TTabSheet::SetHint(const QString& hint)
{
    m_hint = hint;
    setToolTip(hint);
    if (m_pageControl)
        m_pageControl->setTabToolTip(TabIndex(), hint);
}

bool TTabSheet::TabVisible() const { return m_tabVisible; }

void TTabSheet::SetTabVisible(bool visible)
{
    m_tabVisible = visible;
    if (m_pageControl)
        m_pageControl->PlaceTab(this);
}

int TTabSheet::TabIndex() const { return m_pageControl ? m_pageControl->indexOf(const_cast<TTabSheet*>(this)) : -1; }

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("PageControl1"));
    connect(this, &QTabWidget::currentChanged, this, [this](int) { m_noActivePage = false; });
    connect(tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (m_noActivePage && index == currentIndex() && currentWidget())
            currentWidget()->show();
        m_noActivePage = false;
    });
}

void TPageControl::AddPage(TTabSheet* sheet)
{
    sheet->m_pageControl = this;
    m_sheets.append(sheet);
    const int index = addTab(sheet, sheet->m_caption);
    setTabToolTip(index, sheet->m_hint);
    PlaceTab(sheet);
}

QList<QObject*> TPageControl::Pages() const
{
    QList<QObject*> pages;
    for (TTabSheet* sheet : m_sheets)
        if (sheet)
            pages.append(sheet);
    return pages;
}

// A hidden sheet leaves the tab row instead of being set invisible in it: the
// tab bar of Qt 6.4 takes a hidden last tab's empty rectangle for the end of
// the row and scrolls the row off to the right whenever a tab is picked. The
// sheet stays a child of the page control, so it is still found by name.
void TPageControl::PlaceTab(TTabSheet* sheet)
{
    const int index = indexOf(sheet);
    if (!sheet->m_tabVisible) {
        if (index >= 0)
            removeTab(index);
        return;
    }
    if (index >= 0)
        return;
    int position = 0;
    for (TTabSheet* other : std::as_const(m_sheets)) {
        if (other == sheet)
            break;
        if (other && indexOf(other) >= 0)
            ++position;
    }
    const int inserted = insertTab(position, sheet, sheet->m_caption);
    setTabToolTip(inserted, sheet->m_hint);
}

void TPageControl::SetActivePage(TTabSheet* sheet)
{
    if (sheet) {
        setCurrentWidget(sheet);
        if (currentWidget())
            currentWidget()->show();
        m_noActivePage = false;
        return;
    }
    if (currentWidget())
        currentWidget()->hide();
    m_noActivePage = true;
}
