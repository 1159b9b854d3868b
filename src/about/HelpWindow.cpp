#include "HelpWindow.h"

#include <QApplication>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The guide's pictures are as wide as the main window; beside the scroll bar they fit.
    resize(850, 640);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setSource(QUrl(GuideUrl()), QTextDocument::MarkdownResource);
}

QString THelpWindow::GuideUrl() { return QStringLiteral("qrc:/help/user-guide.md"); }

THelpWindow& ShowUserGuide(const QString& caption)
{
    static QPointer<THelpWindow> window;
    if (!window) {
        window = new THelpWindow;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    window->setWindowTitle(caption);
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}
