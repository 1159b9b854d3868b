#include "QuitSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace {

// Log-off and shut-down: Windows sends WM_ENDSESSION to every top-level window
// and ends the process soon after the last one returns, so the windows are
// closed (settings saved, port released) before it returns. A closing console
// or "taskkill" without /F sends WM_CLOSE, which closes a window as its close
// button does.
class TEndSessionFilter : public QAbstractNativeEventFilter {
public:
    explicit TEndSessionFilter(TQuitSignals* owner) : m_owner(owner) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override
    {
        Q_UNUSED(result);
        if (type != "windows_generic_MSG" || m_done)
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_ENDSESSION && msg->wParam == TRUE) {
            m_done = true;
            emit m_owner->QuitRequested();
        }
        return false;
    }

private:
    TQuitSignals* m_owner;
    bool m_done = false;
};

TEndSessionFilter* g_filter = nullptr;

} // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent)
{
    g_filter = new TEndSessionFilter(this);
    QCoreApplication::instance()->installNativeEventFilter(g_filter);
}

TQuitSignals::~TQuitSignals()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(g_filter);
    delete g_filter;
    g_filter = nullptr;
}

void TQuitSignals::Arrived() { emit QuitRequested(); }
