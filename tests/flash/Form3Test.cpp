// The flash load utility's window offscreen: what it does before and without
// a download.
#include "ComChoiceDelegate.h"
#include "ComponentClasses.h"
#include "DefaultForm.h"
#include "Form3Fixture.h"
#include "HelpWindow.h"
#include "PortsDialog.h"
#include "RadioGroup.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <optional>

namespace {

using form3::Form3Test;

TEST_F(Form3Test, NoTargetOnlySaysSoAndCancelLeavesTheControlsEnabled)
{
    m_form->Memo1->setPlainText(QStringLiteral("old"));
    m_form->Button3->click();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Please choose a target to download software in!");
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_TRUE(m_files.Requests().empty());
    EXPECT_TRUE(m_form->Memo1->toPlainText().isEmpty());

    m_form->RadioGroup1->SetItemIndex(6);
    m_form->Button3->click();
    EXPECT_EQ(m_dialogs.Last().text, "Turn power off the PP / FP / WRFP! - and then click OK.");
    EXPECT_EQ(m_dialogs.Last().type, mtInformation);
    EXPECT_EQ(m_files.Requests().size(), 1u);
    EXPECT_TRUE(m_form->Button3->isEnabled());
    EXPECT_TRUE(m_form->RadioGroup1->isEnabled());
}

// Before the port is touched and before the target is switched on (target 4:
// the hook key with the port held, 6: power on after it).
TEST_F(Form3Test, SoftwareFileThatCannotBeUsedIsReportedBeforeTheTargetIsSwitchedOn)
{
    const QString file = m_dir.filePath(QStringLiteral("notes.hex"));
    ASSERT_TRUE(tbtest::WriteFile(file, "this is no Intel HEX\n"));
    for (const int target : {4, 6}) {
        SCOPED_TRACE(target);
        m_dialogs.Clear();
        m_form->RadioGroup1->SetItemIndex(target);
        m_files.Answer(file);
        m_form->Button3->click();
        ASSERT_EQ(m_dialogs.Count(), 2u);
        EXPECT_EQ(m_dialogs.Dialogs().front().text, "Turn power off the PP / FP / WRFP! - and then click OK.");
        EXPECT_TRUE(m_dialogs.Last().text.startsWith(file + QStringLiteral(": "))) << Log().toStdString();
        EXPECT_EQ(m_dialogs.Last().type, mtError);
        EXPECT_EQ(m_form->LogLines(), QStringList{m_dialogs.Last().text});
        EXPECT_EQ(LogColour(), QColor(0xFF, 0x00, 0x00));
        EXPECT_TRUE(m_form->Button3->isEnabled());
        EXPECT_FALSE(m_form->DownloadRunning());
    }
}

TEST_F(Form3Test, PortThatDoesNotOpenIsReportedAndTheControlsComeBack)
{
    qputenv("TUNEBENCH_COM1", QByteArray("/dev/tunebench-no-such-port"));
    m_form->RadioGroup1->SetItemIndex(8);
    m_files.Answer(Software());
    m_form->Button3->click();
    EXPECT_EQ(m_dialogs.Last().text, "Could not open the serial device.");
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_TRUE(m_form->Button3->isEnabled());
}

TEST_F(Form3Test, ComPortFromTheSettingsStoreAtEveryShowing)
{
    struct Case {
        std::optional<int> stored;
        int before;
        int shown;
    };
    for (const Case& c : {Case{3, 0, 2}, Case{12, 4, 0}, Case{0, 4, 4}, Case{-2, 5, 5}, Case{std::nullopt, 6, 6}}) {
        TMachineSettings registry(m_registry);
        if (c.stored)
            registry.WriteInteger(QStringLiteral("COMPORT"), *c.stored);
        else
            registry.DeleteValue(QStringLiteral("COMPORT"));
        m_form->hide();
        m_form->ComboBox1->setCurrentIndex(c.before);
        m_form->show();
        EXPECT_EQ(m_form->ComboBox1->currentIndex(), c.shown) << c.stored.value_or(-99);
    }
    // A window that never had a choice gets COM1.
    TForm3 fresh(QString(), m_dir.filePath(QStringLiteral("none.ini")));
    fresh.show();
    EXPECT_EQ(fresh.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(fresh.RadioGroup1->title(), " Select Target ");
}

TEST_F(Form3Test, TargetsInTwoColumnsAndHelpOpensTheUserGuide)
{
    const auto items = m_form->RadioGroup1->findChildren<QRadioButton*>();
    ASSERT_EQ(items.size(), 9);
    EXPECT_EQ(items[4]->x(), items[0]->x());
    EXPECT_GT(items[5]->x(), items[0]->x());
    EXPECT_EQ(items[5]->y(), items[0]->y());

    m_form->Help2->trigger();
    QStringList guides;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<THelpWindow*>(window) && window->isVisible())
            guides << window->windowTitle();
    EXPECT_EQ(guides, QStringList{"Help"});
}

TEST_F(Form3Test, PortsButtonAssignsAPortAndTheComChoiceShowsIt)
{
    TSerialPortEntry adapter;
    adapter.devicePath = QStringLiteral("/dev/ttyUSB3");
    adapter.vendorId = 0x0403;
    adapter.productId = 0x6001;
    m_form->PortMap().SetScanner([&] { return QList<TSerialPortEntry>{adapter}; });
    m_form->RefreshPortHints();
    const auto com1Hint = [&] { return m_form->ComboBox1->itemData(0, Qt::ToolTipRole).toString(); };
    EXPECT_TRUE(com1Hint().contains("only USB serial adapter")) << com1Hint().toStdString();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TPortsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        auto* com2 = dialog->findChild<QComboBox*>(QStringLiteral("cbCOM2"));
        com2->setCurrentIndex(com2->findData(adapter.devicePath));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    m_form->btnPorts->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(TMachineSettings(m_registry).ReadString(QStringLiteral("Ports/COM2")), adapter.devicePath);
    EXPECT_EQ(m_form->ComboBox1->itemData(1, TComChoiceDelegate::DeviceRole).toString(), adapter.devicePath);
    EXPECT_FALSE(com1Hint().contains("only USB serial adapter")) << "an assignment ends the one-adapter default";
}

TEST_F(Form3Test, DefaultCommandsOpenOnlyWithATarget)
{
    TDefaultForm defaults;
    defaults.SetTargetChoice(m_form.get());
    m_form->SetDefaultForm(&defaults);
    bool opened = false;
    QTimer::singleShot(0, &defaults, [&] {
        opened = defaults.isVisible();
        defaults.close();
    });
    m_form->bbtnDefaultCommands->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);
    m_form->RadioGroup1->SetItemIndex(7);
    QTimer::singleShot(0, &defaults, [&] {
        opened = defaults.isVisible();
        defaults.close();
    });
    m_form->bbtnDefaultCommands->click();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(defaults.isVisible());
}

} // namespace
