#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <vector>

// Scope guards for event handlers, so that the window is usable again after
// any exception:
//
//     void TForm1::Button5Click()
//     {
//         TEnableGuard enable({Button5, Button6});
//         TWaitCursorGuard hourglass;
//         ...   // may throw; the error report shows it
//     }

// Hourglass cursor for the lifetime of the guard.
class TWaitCursorGuard {
public:
    TWaitCursorGuard() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursorGuard() { QApplication::restoreOverrideCursor(); }
    TWaitCursorGuard(const TWaitCursorGuard&) = delete;
    TWaitCursorGuard& operator=(const TWaitCursorGuard&) = delete;
};

// Disables the widgets; the destructor enables again those that were enabled
// before (a widget disabled on its own stays disabled; a deleted one is
// skipped). Release() keeps the widgets as they are at that point.
class TEnableGuard {
public:
    explicit TEnableGuard(std::initializer_list<QWidget*> widgets) { Disable(widgets.begin(), widgets.end()); }
    template <typename Container>
    explicit TEnableGuard(const Container& widgets)
    {
        Disable(std::begin(widgets), std::end(widgets));
    }
    ~TEnableGuard()
    {
        for (const TItem& item : m_items)
            if (item.widget && item.wasEnabled)
                item.widget->setEnabled(true);
    }
    void Release() { m_items.clear(); }
    TEnableGuard(const TEnableGuard&) = delete;
    TEnableGuard& operator=(const TEnableGuard&) = delete;

private:
    struct TItem {
        QPointer<QWidget> widget;
        bool wasEnabled = true;
    };
    template <typename It>
    void Disable(It first, It last)
    {
        for (; first != last; ++first) {
            QWidget* w = *first;
            if (w == nullptr)
                continue;
            // Its own setting, not the one inherited from a disabled parent.
            m_items.push_back({w, !w->testAttribute(Qt::WA_ForceDisabled)});
            w->setEnabled(false);
        }
    }
    std::vector<TItem> m_items;
};
