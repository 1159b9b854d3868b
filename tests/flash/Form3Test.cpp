// The flash load utility offscreen, through the real loader libraries, against
// the simulated boot targets.
#include "Form3.h"
#include "ComChoiceDelegate.h"
#include "Comm.h"
#include "ComponentClasses.h"
#include "DefaultForm.h"
#include "FileDialogs.h"
#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "FlashTestFiles.h"
#include "HelpWindow.h"
#include "MachineSettings.h"
#include "PortsDialog.h"
#include "RadioGroup.h"
#include "ScriptedDialogPresenter.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

using tbtest::SimHarness;

class Form3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(RegisterFlashIndicationHandler());
        m_registry = m_dir.filePath(QStringLiteral("registry.ini"));
        // The port assignments are read from the program's one store.
        qputenv(TMachineSettings::kPathVariable, m_registry.toLocal8Bit());
        m_form = std::make_unique<TForm3>(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QLatin1Char('/'), m_registry);
        m_form->show();
    }
    void TearDown() override
    {
        m_form.reset();
        if (m_sim)
            m_sim->stop();
        qunsetenv("TUNEBENCH_COM1");
    }
    void StartSim(const QStringList& arguments)
    {
        m_sim = std::make_unique<SimHarness>(arguments);
        ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
    }
    QString Software()
    {
        const QString path = m_dir.filePath(QStringLiteral("software.hex"));
        EXPECT_TRUE(tbtest::WriteFile(path, tbtest::IntelHexOf(tbtest::RandomBytes(8 * 1024, 3), 0x10000)));
        return path;
    }
    // Presses "Program Flash" for the target and waits until the controls are back.
    void Download(int target)
    {
        m_form->RadioGroup1->SetItemIndex(target);
        m_files.Answer(Software());
        m_form->Button3->click();
        EXPECT_FALSE(m_form->Button3->isEnabled());
        EXPECT_TRUE(tbtest::waitFor([&] { return m_form->Button3->isEnabled(); }, 30000)) << Log().toStdString();
    }
    [[nodiscard]] QString Log() const { return m_form->LogLines().join(QLatin1Char('\n')); }
    [[nodiscard]] QColor LogColour() const { return m_form->Memo1->palette().color(QPalette::Text); }
    [[nodiscard]] QStringList Prompts() const
    {
        QStringList texts;
        for (const auto& d : m_dialogs.Dialogs())
            texts << d.text;
        return texts;
    }

    QTemporaryDir m_dir;
    QString m_registry;
    TScriptedDialogPresenter m_dialogs;
    TScopedDialogPresenter m_useDialogs{m_dialogs};
    TScriptedFileDialogPresenter m_files;
    TScopedFileDialogPresenter m_useFiles{m_files};
    std::unique_ptr<SimHarness> m_sim;
    std::unique_ptr<TForm3> m_form;
};

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

TEST_F(Form3Test, HookKeyPromptWhileThePortIsHeldThenAGreenDownload)
{
    StartSim({"--profile", "boot-sc14428"});
    bool heldAtHookKey = false;
    bool othersKeptOut = false;
    m_dialogs.SetInspector([&](QMessageBox& box) {
        if (!box.text().startsWith(QLatin1String("While pressing")))
            return;
        heldAtHookKey = m_form->RawPortHeld();
        TComm other;
        othersKeptOut = !other.Open();
    });
    Download(4);
    EXPECT_EQ(Prompts(), QStringList({"Turn power off the PP / FP / WRFP! - and then click OK.",
                                      "While pressing the hook key click the OK button!"}));
    EXPECT_TRUE(heldAtHookKey);
    EXPECT_TRUE(othersKeptOut);
    EXPECT_FALSE(m_form->RawPortHeld());
    const QStringList log = m_form->LogLines();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log.first(), "[00] NO_ERROR_FLASH_LOADER");
    EXPECT_EQ(log.filter(QStringLiteral("PROGRAM_PROGRESS_IND")).size(), 1) << Log().toStdString();
    EXPECT_TRUE(Log().contains(QLatin1String("CRC_OK_IND"))) << Log().toStdString();
    EXPECT_EQ(LogColour(), QColor(0x00, 0x80, 0x00));
}

TEST_F(Form3Test, PowerPromptAfterThePortIsFreeThenARedFailure)
{
    StartSim({"--profile", "boot-sc14428", "--stop-after", "2"});
    bool freeAtPowerOn = false;
    m_dialogs.SetInspector([&](QMessageBox& box) {
        if (!box.text().startsWith(QLatin1String("Turn on power")))
            return;
        TComm other;
        freeAtPowerOn = !m_form->RawPortHeld() && other.Open();
    });
    Download(6);
    EXPECT_EQ(Prompts(), QStringList({"Turn power off the PP / FP / WRFP! - and then click OK.",
                                      "Turn on power to the target - and then click OK."}));
    EXPECT_TRUE(freeAtPowerOn);
    EXPECT_TRUE(Log().contains(QLatin1String("COMMUNICATION_ERROR_IND"))) << Log().toStdString();
    EXPECT_TRUE(Log().contains(TFlashRun::kNoAnswer)) << Log().toStdString();
    EXPECT_EQ(LogColour(), QColor(0xFF, 0x00, 0x00));
    // The error enables the controls; the loader reports its end after it.
    EXPECT_TRUE(tbtest::waitFor([&] { return Log().contains(QLatin1String("STOP_PROGRAM_IND")); }));
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

TEST_F(Form3Test, RflDownloadWaitsForAKeyAndShowsTheConsoleLines)
{
    StartSim({"--profile", "boot-rfl"});
    // Keys typed into the log while the loader waits for one.
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] { QTest::keyClick(m_form->Memo1, Qt::Key_Space); });
    typist.start(50);
    Download(2);
    EXPECT_TRUE(m_form->KeyPressed);
    const QStringList log = m_form->LogLines();
    EXPECT_TRUE(log.contains(QStringLiteral(" Programming.......:  100 %"))) << Log().toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Checksum OK"))) << Log().toStdString();
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
