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
        m_pageControl->setTabVisible(TabIndex(), visible);
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
    const int index = addTab(sheet, sheet->m_caption);
    setTabToolTip(index, sheet->m_hint);
    setTabVisible(index, sheet->m_tabVisible);
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
