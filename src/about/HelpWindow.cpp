#include "HelpWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
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
    // A reading window: closed from the keyboard as other viewers are.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
}

bool THelpWindow::ShowChapter(const QString& heading)
{
    QTextDocument* document = m_browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.text().trimmed() != heading)
            continue;
        // Laid out first, so that the position is known.
        m_browser->ensurePolished();
        document->setTextWidth(m_browser->viewport()->width());
        m_browser->verticalScrollBar()->setValue(
            static_cast<int>(document->documentLayout()->blockBoundingRect(block).top()));
        return true;
    }
    return false;
}

QString THelpWindow::GuideUrl() { return QStringLiteral("qrc:/help/user-guide.md"); }

THelpWindow& ShowUserGuide(const QString& caption, const QString& chapter)
{
    static QPointer<THelpWindow> window;
    // A closed window is only waiting for its deletion: a new one takes its place.
    if (!window || window->isHidden()) {
        window = new THelpWindow;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    window->setWindowTitle(caption);
    window->show();
    window->raise();
    window->activateWindow();
    if (!chapter.isEmpty())
        window->ShowChapter(chapter);
    return *window;
}
