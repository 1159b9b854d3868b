#include "DialogsTranslation.h"
#include "LanguageTemplate.h"
#include "MainWindowFixture.h"
#include "ProgramWindows.h"
#include "TabSheet.h"
#include "TranslatableComponents.h"
#include "WelcomePage.h"

#include <QLabel>

#include <QFile>
#include <gtest/gtest.h>

namespace {

using tbtest::MainWindowFixture;

QByteArray SourceFile(const char* path)
{
    QFile file(QStringLiteral(TUNEBENCH_SOURCE_DIR "/") + QLatin1String(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TranslationTest : public MainWindowFixture {
protected:
    std::unique_ptr<TProgramWindows> Windows()
    {
        TProgramEnvironment env;
        env.programFile = Folder() + QStringLiteral("Tunebench.exe");
        env.machineSettings = m_registryPath;
        return std::make_unique<TProgramWindows>(env);
    }
};

// Renaming a component silently breaks the users' language files: it shows
// up here first.
TEST_F(TranslationTest, TheCheckedInTemplateHoldsEveryKeyOfEveryWindow)
{
    const auto windows = Windows();
    const QByteArray generated = LanguageTemplate([&](const QString& name) { return windows->Find(name); });
    EXPECT_TRUE(generated == SourceFile("translations/Template.lng"))
        << "translations/Template.lng is out of date; regenerate it with\n"
           "  build/dev/bin/tunebench-lngtemplate translations/Template.lng";
}

TEST_F(TranslationTest, GermanTranslatesTheDialogsAndEveryVisibleCaptionItHasAValueFor)
{
    QMap<QString, QString> english;
    {
        const auto windows = Windows();
        windows->Form1->show();
        for (QObject* c : WindowComponents(*windows->Form1))
            english[c->objectName()] = ComponentCaption(*c);
    }
    WriteFile(QStringLiteral("German.lng"), SourceFile("translations/German.lng"));
    Registry().WriteString(QStringLiteral("Language"), QStringLiteral("German"));
    const auto windows = Windows();
    TForm1& form = *windows->Form1;
    form.show();

    m_dialogs.Answer(mrNo);
    MessageDlg(QStringLiteral("?"), mtConfirmation, mbYesNo);
    EXPECT_EQ(m_dialogs.Last().caption, QStringLiteral("Bestätigung"));
    EXPECT_EQ(m_dialogs.Last().ButtonTexts().join(QLatin1Char(' ')), QStringLiteral("Ja Nein"));

    const TProfileFile german(Folder() + QStringLiteral("German.lng"));
    int checked = 0;
    for (QObject* c : WindowComponents(form)) {
        const auto* widget = qobject_cast<QWidget*>(c);
        const auto* sheet = qobject_cast<TTabSheet*>(c);
        // Shown on its page (only one page is shown at a time), and the page's tab shown.
        const TTabSheet* page = sheet;
        for (QObject* p = c->parent(); !page && p; p = p->parent())
            page = qobject_cast<TTabSheet*>(p);
        const bool visible = page && page->TabVisible() && (sheet || (widget && widget->isVisibleTo(page)));
        if (!visible ||
            german.ReadString(QStringLiteral("Form1"), c->objectName() + QStringLiteral(".Caption")).isEmpty())
            continue;
        EXPECT_NE(ComponentCaption(*c), english.value(c->objectName())) << c->objectName().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 20);
    EXPECT_EQ(form.Exit1->text(), QStringLiteral("&Beenden"));
    EXPECT_TRUE(form.Welcome->lblVersion->text().startsWith(QStringLiteral("Version ")));
}

} // namespace
