#pragma once

#include <QList>
#include <QPointer>
#include <QTabWidget>
#include <QWidget>

class QVBoxLayout;
class TPageControl;

// A page of a TPageControl: its caption is the tab text, its tab can be hidden
// without removing the page, and it hosts one content widget (a page class).
// Caption and Hint are properties, so that language files reach them by name.
class TTabSheet : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
public:
    explicit TTabSheet(const QString& name, QWidget* parent = nullptr);

    // Replaces the content widget; the sheet takes ownership and deletes the old one.
    void SetContent(QWidget* content);
    [[nodiscard]] QWidget* Content() const { return m_content; }

    [[nodiscard]] QString Caption() const;
    void SetCaption(const QString& caption);
    // The tab's tool tip.
    [[nodiscard]] QString Hint() const { return m_hint; }
    void SetHint(const QString& hint);
    [[nodiscard]] bool TabVisible() const;
    void SetTabVisible(bool visible);
    [[nodiscard]] TPageControl* PageControl() const { return m_pageControl; }

private:
    friend class TPageControl;
    [[nodiscard]] int TabIndex() const;

    QVBoxLayout* m_layout;
    QPointer<QWidget> m_content;
    TPageControl* m_pageControl = nullptr;
    QString m_caption;
    QString m_hint;
    bool m_tabVisible = true;
};

// The page control. Besides the tabs it knows "no active page", which a
// configured start page that does not exist leads to.
class TPageControl : public QTabWidget {
    Q_OBJECT
    // Every sheet in order, also those whose tab is out of the row: language
    // files reach them through this.
    Q_PROPERTY(QList<QObject*> Pages READ Pages)
public:
    explicit TPageControl(QWidget* parent = nullptr);

    void AddPage(TTabSheet* sheet);
    // nullptr: no page is active (the current page's content is hidden until
    // the user picks a tab).
    void SetActivePage(TTabSheet* sheet);
    [[nodiscard]] QList<QObject*> Pages() const;
    [[nodiscard]] TTabSheet* ActivePage() const
    {
        return m_noActivePage ? nullptr : qobject_cast<TTabSheet*>(currentWidget());
    }

private:
    friend class TTabSheet;
    // Puts the sheet's tab into the row at its place among the sheets, or takes it out.
    void PlaceTab(TTabSheet* sheet);

    QList<QPointer<TTabSheet>> m_sheets;
    bool m_noActivePage = false;
};
