#include "MonitorTextWindow.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QVBoxLayout>

void ShowMonitorText(QWidget* owner, const QString& text)
{
    auto* window = new QDialog(owner);
    window->setObjectName(QStringLiteral("MonitorTextWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(owner->windowTitle());
    window->setGeometry(owner->geometry());

    auto* box = new QPlainTextEdit(window);
    box->setObjectName(QStringLiteral("Memo"));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    box->setFont(font);
    // The copied text ends lines with CR LF; the box wants one break per line.
    box->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    window->exec();
}
