// Every window at its first size, in English and in German: no text cut off.
#include "CommunicationsPage.h"
#include "DefaultForm.h"
#include "Form3.h"
#include "LanguageForm.h"
#include "MainWindowFixture.h"
#include "PortsDialog.h"
#include "ProgramWindows.h"
#include "SerialMonitorForm.h"
#include "TabSheet.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolButton>

namespace {

using tbtest::MainWindowFixture;

int TextWidth(const QWidget& widget, QString text);
int TextWidth(const QWidget& widget, QString text)
{
    text.remove(QLatin1Char('&'));
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, widget.fontMetrics().horizontalAdvance(line));
    return widest;
}

// The room a control leaves for its text.
int TextRoom(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        return combo->style()
                   ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                   .width() -
               4;
    }
    const auto& button = static_cast<const QAbstractButton&>(widget);
    const int icon = button.icon().isNull() ? 0 : button.iconSize().width() + 4;
    // Tool buttons size themselves to their text and menu arrow.
    if (qobject_cast<const QToolButton*>(&widget))
        return button.width() - (button.sizeHint().width() - TextWidth(button, button.text()));
    // The style's own measure: the margin and the frame on both sides.
    if (qobject_cast<const QPushButton*>(&widget))
        return button.width() - icon - button.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button) -
               2 * button.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
    // Check boxes and radio buttons: the indicator and its gap come first.
    const int indicator = button.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button) +
                          button.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &button);
    return button.width() - indicator - icon;
}

QString ShownText(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->wordWrap() || label->textFormat() == Qt::RichText ? QString() : label->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget))
        return combo->currentIndex() < 0 ? combo->placeholderText() : combo->currentText();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    return {};
}

// "window/name: text" for every shown control whose text is wider than its room.
QStringList CutTexts(const QWidget& window)
{
    QCoreApplication::sendPostedEvents(); // pending layout requests
    QStringList cut;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        const QString text = ShownText(*widget);
        if (widget->isVisible() && text.contains(QRegularExpression(QStringLiteral("%[0-9sd]"))))
            cut << QStringLiteral("%1/%2: \"%3\" shows a placeholder")
                       .arg(window.objectName(), widget->objectName(), text);
        if (!widget->isVisible() || text.isEmpty() || TextWidth(*widget, text) <= TextRoom(*widget))
            continue;
        cut << QStringLiteral("%1/%2: \"%3\" needs %4, has %5")
                   .arg(window.objectName(), widget->objectName(), text)
                   .arg(TextWidth(*widget, text))
                   .arg(TextRoom(*widget));
    }
    return cut;
}

// "window: a -> b" for every Tab step that goes back up or to the left.
// Radio buttons are one stop of their group, and a wrap to the start is no step.
QStringList BackwardTabSteps(QWidget& window)
{
    QCoreApplication::sendPostedEvents();
    QList<QWidget*> chain;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain())
        if (window.isAncestorOf(w) && w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() &&
            !qobject_cast<QRadioButton*>(w))
            chain << w;
    QStringList backward;
    for (qsizetype i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(&window, QPoint()), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(&window, QPoint()), chain[i]->size());
        const bool sameRow = std::abs(a.center().y() - b.center().y()) < std::max(a.height(), b.height()) / 2;
        if (sameRow ? b.left() < a.left() : b.center().y() < a.center().y())
            backward << QStringLiteral("%1: %2 -> %3")
                            .arg(window.objectName(), chain[i - 1]->objectName(), chain[i]->objectName());
    }
    return backward;
}

class WindowLayoutTest : public MainWindowFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(WindowLayoutTest, EveryTextFitsAtTheFirstSize)
{
    if (QLatin1String(GetParam()) != QLatin1String("English")) {
        QFile source(QStringLiteral(TUNEBENCH_SOURCE_DIR "/translations/%1.lng").arg(QLatin1String(GetParam())));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        WriteFile(QStringLiteral("%1.lng").arg(QLatin1String(GetParam())), source.readAll());
        Registry().WriteString(QStringLiteral("Language"), QLatin1String(GetParam()));
    }
    TProgramEnvironment env;
    env.programFile = Folder() + QStringLiteral("Tunebench.exe");
    env.machineSettings = m_registryPath;
    env.arguments = {QStringLiteral("/va")}; // with the hidden pages
    TProgramWindows windows(env);
    QStringList cut;
    TForm1& form = *windows.Form1;
    form.show();
    ASSERT_TRUE(tbtest::waitFor([&] { return form.isVisible(); }));
    form.FormKeyDown(Qt::Key_F12, Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_EQ(form.PageControl1->count(), 10);
    QStringList backward;
    for (int i = 0; i < form.PageControl1->count(); ++i) {
        form.PageControl1->setCurrentIndex(i);
        cut << CutTexts(form);
        backward << BackwardTabSteps(form);
    }
    TPortsDialog ports(m_registryPath, {}, TPortsDialogTexts::FromLabels(*form.Communications));
    auto* monitor = new TSerialMonitorForm; // deletes itself on close
    for (QWidget* window :
         {static_cast<QWidget*>(windows.Form3), static_cast<QWidget*>(windows.LanguageForm),
          static_cast<QWidget*>(windows.DefaultForm), static_cast<QWidget*>(&ports), static_cast<QWidget*>(monitor)}) {
        window->show();
        ASSERT_TRUE(tbtest::waitFor([&] { return window->isVisible(); }));
        cut << CutTexts(*window);
        backward << BackwardTabSteps(*window);
        EXPECT_LE(window->frameGeometry().width(), 1024) << window->objectName().toStdString();
        EXPECT_LE(window->frameGeometry().height(), 768) << window->objectName().toStdString();
        window->hide();
    }
    monitor->close();
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(backward.isEmpty()) << backward.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowLayoutTest, ::testing::Values("English", "German"));

} // namespace
