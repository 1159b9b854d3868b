#include "LanguageForm.h"
#include "DialogsForm.h"
#include "FileDialogs.h"
#include "LanguageGrid.h"
#include "MachineSettings.h"
#include "ScriptedDialogPresenter.h"
#ifndef Q_OS_WIN
#include "support/FileSizeLimit.h"
#endif

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LanguageFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_form1.setObjectName(QStringLiteral("Form1"));
        for (const char* name : {"lblA", "lblB"}) {
            auto* label = new QLabel(QLatin1String(name), &m_form1);
            label->setObjectName(QLatin1String(name));
        }
    }
    [[nodiscard]] QString Folder() const { return m_dir.path() + QLatin1Char('/'); }
    [[nodiscard]] QString RegistryPath() const { return Folder() + QStringLiteral("registry.ini"); }
    void Write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Folder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    [[nodiscard]] QByteArray Read(const QString& name) const
    {
        QFile file(Folder() + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void Pick(QComboBox* box, int index)
    {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    [[nodiscard]] QString Cell(int row, int column) const { return m_form.sgLanguage->item(row, column)->text(); }
    void SetCell(int row, int column, const QString& text) { m_form.sgLanguage->item(row, column)->setText(text); }
    [[nodiscard]] QStringList Column(int column) const
    {
        QStringList cells;
        for (int row = 0; row < m_form.sgLanguage->rowCount(); ++row)
            cells << Cell(row, column);
        return cells;
    }

    QTemporaryDir m_dir;
    QWidget m_form1;
    TDialogsForm m_dialogsForm;
    TLanguageForm m_form{{Folder()}, RegistryPath(), [this](const QString& name) -> QWidget* {
                             return name == QLatin1String("Form1")         ? &m_form1
                                    : name == QLatin1String("DialogsForm") ? &m_dialogsForm
                                                                           : nullptr;
                         }};
    TScriptedDialogPresenter m_dialogs;
    TScopedDialogPresenter m_useDialogs{m_dialogs};
    TScriptedFileDialogPresenter m_files;
    TScopedFileDialogPresenter m_useFiles{m_files};
};

TEST_F(LanguageFormTest, ItsOwnWindowListsItsHiddenLabelsAndButtonsButNotTaggedControls)
{
    Pick(m_form.cbForms, 2);
    ASSERT_EQ(m_files.Requests().size(), 1u); // auto load asks for a file the first time; cancelled
    const QStringList names = Column(lcName);
    for (const char* name :
         {"btnLoadLanguage", "cbAutoLoad", "Label0", "Label6", "lblChoose", "lblMessage", "NAME_OF_THE_FORM"})
        EXPECT_TRUE(names.contains(QLatin1String(name))) << name;
    for (const char* name : {"cbForms", "sgLanguage", "cbSelectLanguage"})
        EXPECT_FALSE(names.contains(QLatin1String(name))) << name;
    const int row = static_cast<int>(names.indexOf(QStringLiteral("lblMessage")));
    EXPECT_EQ(Cell(row, lcClassName), QStringLiteral("QLabel"));
    EXPECT_EQ(Cell(row, lcParent), QStringLiteral("LanguageForm"));
    EXPECT_EQ(Cell(row, lcCaption), QStringLiteral("Restart program to make changes take effect"));
}

TEST_F(LanguageFormTest, SaveWritesTheReferenceBytesAndAnotherWindowReloadsFromTheSameFileWithoutADialog)
{
    Pick(m_form.cbForms, 0);
    SetCell(0, lcCaptionTranslation, QStringLiteral("ä € = ;"));
    SetCell(0, lcHintTranslation, QStringLiteral("  leading"));
    SetCell(1, lcCaptionTranslation, QStringLiteral("\"quoted\""));
    SetCell(1, lcHintTranslation, QStringLiteral("two\nlines"));
    m_files.Answer(Folder() + QStringLiteral("Test.lng"));
    m_form.btnSaveLanguageClick();
    EXPECT_EQ(Read(QStringLiteral("Test.lng")), QByteArray("[Form1]\r\n"
                                                           "lblA.Caption=\xE4 \x80 = ;\r\n"
                                                           "lblA.Hint=\"  leading\"\r\n"
                                                           "lblB.Caption=\"\"quoted\"\"\r\n"
                                                           "lblB.Hint=two lines\r\n"));
    EXPECT_EQ(m_dialogs.Count(), 0u);

    Pick(m_form.cbForms, 3); // every cell of the old list goes
    EXPECT_EQ(m_form.sgLanguage->rowCount(), 16);
    EXPECT_EQ(Column(lcCaptionTranslation), QStringList(16, QString()));
    Pick(m_form.cbForms, 0);
    EXPECT_EQ(m_files.Requests().size(), 2u); // the first auto load and the save
    EXPECT_EQ(Column(lcCaptionTranslation), (QStringList{"ä € = ;", "\"quoted\""}));
    EXPECT_EQ(Column(lcHintTranslation), (QStringList{"  leading", "two lines"}));
}

TEST_F(LanguageFormTest, SavingKeepsOtherSectionsAndComments)
{
    Write(QStringLiteral("German.lng"),
          "; by hand\r\n[DialogsForm]\r\nlblYes.Caption=Ja\r\n\r\n[Form1]\r\nlblA.Caption=Alt\r\n");
    m_files.Answer(Folder() + QStringLiteral("German.lng"));
    Pick(m_form.cbForms, 0);
    EXPECT_EQ(Column(lcCaptionTranslation), (QStringList{"Alt", ""}));
    SetCell(0, lcCaptionTranslation, QStringLiteral("Neu"));
    m_files.Answer(Folder() + QStringLiteral("German.lng"));
    m_form.btnSaveLanguageClick();
    EXPECT_EQ(Read(QStringLiteral("German.lng")),
              QByteArray("; by hand\r\n[DialogsForm]\r\nlblYes.Caption=Ja\r\n\r\n[Form1]\r\n"
                         "lblA.Caption=Neu\r\nlblA.Hint=\r\nlblB.Caption=\r\nlblB.Hint=\r\n"));
}

#ifndef Q_OS_WIN // a full disk made with a POSIX file size limit
TEST_F(LanguageFormTest, ASaveThatCannotBeWrittenKeepsTheOldFileAndSaysSo)
{
    const QByteArray old = "[Form1]\r\nlblA.Caption=Alt\r\n" + QByteArray(200, ';');
    Write(QStringLiteral("Mine.lng"), old);
    Pick(m_form.cbForms, 0);
    m_files.Answer(Folder() + QStringLiteral("Mine.lng"));
    {
        const tbtest::TFileSizeLimit fullDisk(64);
        m_form.btnSaveLanguageClick();
    }
    EXPECT_EQ(Read(QStringLiteral("Mine.lng")), old);
    EXPECT_EQ(QDir(Folder()).entryList({QStringLiteral("Mine.lng?*")}, QDir::Files), QStringList{});
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith(m_form.lblSaveFailed->text()));
}
#endif

TEST_F(LanguageFormTest, WhatCannotBeSavedIsRefusedWithAReason)
{
    m_form.btnSaveLanguageClick(); // no window listed
    EXPECT_EQ(m_dialogs.Last().text, QStringLiteral("Choose a form to edit"));
    EXPECT_TRUE(m_files.Requests().empty());

    Pick(m_form.cbForms, 0);
    SetCell(1, lcHintTranslation, QStringLiteral("Ω"));
    m_form.btnSaveLanguageClick();
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_TRUE(m_dialogs.Last().text.endsWith(QStringLiteral("2 (lblB)"))) << m_dialogs.Last().text.toStdString();
    EXPECT_EQ(m_files.Requests().size(), 1u); // only the auto load asked

    SetCell(1, lcHintTranslation, QString());
    QDir().mkdir(Folder() + QStringLiteral("dir.lng"));
    m_files.Answer(Folder() + QStringLiteral("dir.lng"));
    m_form.btnSaveLanguageClick();
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith(QStringLiteral("The language file was not saved.")));
}

TEST_F(LanguageFormTest, TheLanguageListAndTheStoredChoice)
{
    Write(QStringLiteral("German.lng"), "");
    Write(QStringLiteral("English.lng"), "");
    Write(QStringLiteral("Dutch.LNG"), "");
    Write(QStringLiteral("notes.txt"), "");
    m_form.show();
    QStringList items;
    for (int i = 0; i < m_form.cbSelectLanguage->count(); ++i)
        items << m_form.cbSelectLanguage->itemText(i);
    EXPECT_EQ(items.join(QLatin1Char(' ')), QStringLiteral("English Dutch English German"));
    EXPECT_EQ(m_form.windowTitle(), QStringLiteral("Language Config"));

    Pick(m_form.cbSelectLanguage, 3);
    EXPECT_EQ(TMachineSettings(RegistryPath()).ReadString(QStringLiteral("Language")), QStringLiteral("German"));
    EXPECT_EQ(m_dialogs.Last().text, QStringLiteral("Restart program to make changes take effect"));
    Pick(m_form.cbSelectLanguage, 0);
    EXPECT_EQ(TMachineSettings(RegistryPath()).ReadString(QStringLiteral("Language")), QStringLiteral("English"));

    Write(QStringLiteral("blocker"), "");
    TLanguageForm unwritable({Folder()}, Folder() + QStringLiteral("blocker/registry.ini"), {});
    unwritable.show();
    Pick(unwritable.cbSelectLanguage, 1);
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith(QStringLiteral("The language choice was not stored.")));
}

TEST(LanguageGridRules, ColumnWidths)
{
    using W = std::array<int, kLanguageColumnCount>;
    EXPECT_EQ(InitialLanguageColumnWidths(820), (W{-1, -1, -1, 200, 200, 200, 200}));
    EXPECT_EQ(LanguageColumnWidths(830, false, true, false), (W{-1, -1, -1, 401, 401, -1, -1}));
    EXPECT_EQ(LanguageColumnWidths(830, true, true, true), (W{100, 100, 100, 125, 125, 125, 125}));
    EXPECT_EQ(LanguageColumnWidths(830, true, false, false), (W{100, 100, 100, -1, -1, -1, -1}));
}

} // namespace
