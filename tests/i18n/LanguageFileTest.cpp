#include "LanguageFile.h"
#include "ComponentClasses.h"
#include "LanguageGrid.h"
#include "RadioGroup.h"
#include "TabSheet.h"
#include "TranslatableComponents.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

template <class T>
T* Make(QWidget* parent, const char* name, const QString& text = QStringLiteral("built-in"))
{
    auto* w = new T(parent);
    w->setObjectName(QLatin1String(name));
    if constexpr (std::is_base_of_v<QGroupBox, T>)
        w->setTitle(text);
    else if constexpr (std::is_base_of_v<QLabel, T> || std::is_base_of_v<QAbstractButton, T>)
        w->setText(text);
    return w;
}

class LanguageFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_window.setObjectName(QStringLiteral("Form9"));
    }
    void Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(Folder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    [[nodiscard]] QString Folder() const { return m_dir.path() + QLatin1Char('/'); }

    QTemporaryDir m_dir;
    QDialog m_window;
};

TEST_F(LanguageFileTest, EachKindIsTranslatedByItsOwnRule)
{
    auto* label = Make<QLabel>(&m_window, "lblName");
    auto* group = Make<QGroupBox>(&m_window, "GroupBox1");
    auto* radioGroup = Make<TRadioGroup>(&m_window, "rgChoice");
    auto* scButton = Make<QPushButton>(group, "SC_Start");
    auto* scBitBtn = Make<TBitBtn>(group, "SC_Go");
    auto* speed = Make<TSpeedButton>(&m_window, "sbFixed");
    speed->setProperty("Tag", 1);
    auto* speed0 = Make<TSpeedButton>(&m_window, "sbFree");
    auto* taggedLabel = Make<QLabel>(&m_window, "lblTagged");
    taggedLabel->setProperty("Tag", 1);
    auto* image = Make<TImage>(&m_window, "Image1", QString());
    auto* panel = Make<TStatusPanel>(&m_window, "Panel1");
    auto* check = Make<QCheckBox>(&m_window, "CheckBox1");
    auto* spin = Make<QSpinBox>(&m_window, "SpinEdit1");
    auto* sheet = new TTabSheet(QStringLiteral("TabSheet1"), &m_window);
    sheet->SetCaption(QStringLiteral("built-in"));

    Write(QStringLiteral("Test.lng"), "; a comment\r\n[FORM9]\r\n"
                                      "lblname.caption=Name \xE4\r\n"
                                      "lblName.Hint=Hint \x80\r\n"
                                      "GroupBox1.Caption=Gruppe\r\n"
                                      "rgChoice.Caption=Wahl\r\n"
                                      "SC_Start.Caption=Start\r\n"
                                      "SC_Go.Caption=Los\r\n"
                                      "sbFixed.Caption=Fest\r\n"
                                      "sbFree.Caption=Frei\r\n"
                                      "lblTagged.Caption=Markiert\r\n"
                                      "Image1.Caption=Bild\r\n"
                                      "Panel1.Caption=Feld\r\n"
                                      "CheckBox1.Caption=\r\n"
                                      "CheckBox1.Hint=Tipp\r\n"
                                      "SpinEdit1.Caption=Zahl\r\n"
                                      "SpinEdit1.Hint=Zahlhinweis\r\n"
                                      "TabSheet1.Caption=Seite\r\n"
                                      "TabSheet1.Hint=Seitenhinweis\r\n"
                                      "lblMissing.Caption=Fehlt\r\n");
    EXPECT_TRUE(ApplyLanguage(QStringLiteral("Test"), m_window, {Folder()}));

    EXPECT_EQ(label->text(), QStringLiteral("Name ä"));
    EXPECT_EQ(label->toolTip(), QStringLiteral("Hint €"));
    EXPECT_EQ(group->title(), QStringLiteral(" Gruppe "));
    EXPECT_EQ(radioGroup->title(), QStringLiteral("built-in"));
    EXPECT_EQ(scButton->text(), QStringLiteral("built-in"));
    EXPECT_EQ(scBitBtn->text(), QStringLiteral("Los"));
    EXPECT_EQ(speed->text(), QStringLiteral("built-in"));
    EXPECT_EQ(speed0->text(), QStringLiteral("Frei"));
    EXPECT_EQ(taggedLabel->text(), QStringLiteral("Markiert"));
    EXPECT_EQ(image->text(), QString());
    EXPECT_EQ(panel->text(), QStringLiteral("built-in"));
    EXPECT_EQ(check->text(), QStringLiteral("built-in")); // empty value: unchanged
    EXPECT_EQ(check->toolTip(), QStringLiteral("Tipp"));
    EXPECT_EQ(spin->toolTip(), QStringLiteral("Zahlhinweis"));
    EXPECT_EQ(sheet->Caption(), QStringLiteral("Seite"));
    EXPECT_EQ(sheet->toolTip(), QStringLiteral("Seitenhinweis"));
}

TEST_F(LanguageFileTest, FileNamesMatchExactlyThenRegardlessOfCaseAndNeverLeaveTheFolder)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows' own file names match regardless of case";
#endif
    Write(QStringLiteral("German.LNG"), "[Form9]\r\n");
    Write(QStringLiteral("french.lng"), "[Form9]\r\n");
    EXPECT_EQ(LanguageFilePath({Folder()}, QStringLiteral("German")), Folder() + QStringLiteral("German.LNG"));
    EXPECT_EQ(LanguageFilePath({Folder()}, QStringLiteral("french")), Folder() + QStringLiteral("french.lng"));
    EXPECT_EQ(LanguageFilePath({Folder()}, QStringLiteral("FRENCH")), Folder() + QStringLiteral("french.lng"));
    for (const char* bad : {"", "Dutch", "../German", "sub/German", "sub\\German", ".."})
        EXPECT_EQ(LanguageFilePath({Folder()}, QLatin1String(bad)), QString()) << bad;
    EXPECT_FALSE(ApplyLanguage(QStringLiteral("Dutch"), m_window, {Folder()}));

    // The user's own folder comes first; a language it has is listed once.
    QDir().mkdir(Folder() + QStringLiteral("user"));
    Write(QStringLiteral("user/german.lng"), "");
    const QStringList folders{Folder() + QStringLiteral("user/"), Folder()};
    EXPECT_EQ(LanguageFilePath(folders, QStringLiteral("German")), Folder() + QStringLiteral("user/german.lng"));
    EXPECT_EQ(LanguageNames(folders).join(QLatin1Char(' ')), QStringLiteral("English german french"));
}

TEST_F(LanguageFileTest, TheWalkSkipsQtsOwnChildrenAndOtherWindows)
{
    auto* tabs = new TPageControl(&m_window);
    for (const char* name : {"TabSheet2", "TabSheet1"})
        tabs->AddPage(new TTabSheet(QLatin1String(name)));
    auto* spin = Make<QSpinBox>(&m_window, "SpinEdit1");
    auto* child = new QDialog(&m_window);
    Make<QLabel>(child, "lblInOtherWindow");
    QStringList names;
    for (QObject* c : WindowComponents(m_window))
        names << c->objectName();
    EXPECT_EQ(names.join(QLatin1Char(' ')), QStringLiteral("PageControl1 TabSheet2 TabSheet1 SpinEdit1"));
    EXPECT_EQ(ParentComponentName(*tabs->widget(0)), QStringLiteral("PageControl1"));
    EXPECT_EQ(ParentComponentName(*spin), QStringLiteral("Form9"));
}

} // namespace
