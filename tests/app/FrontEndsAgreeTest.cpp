// Every action that writes a device, pressed in the window and run as its
// tunebench-cli command, against every kind of device the simulator offers
// and one whose identity gives no answer: both front ends write the same
// cells (and send the same default commands) or refuse alike. The window's
// plain confirmations ("Have you chosen the right handset type ?") are
// answered Yes, as the command line asks none; every other box gets its
// default button, so a question of the device rules says No, as the command
// line refuses without --force.
#include "DefaultForm.h"
#include "DownloadPage.h"
#include "EepromPage.h"
#include "FileDialogs.h"
#include "HandsetTextPage.h"
#include "HandsfreeGainPage.h"
#include "InternalGainPage.h"
#include "MainWindowFixture.h"
#include "RepeaterPage.h"
#include "TransducerPage.h"
#include "support/SimHarness.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <functional>
#include <memory>
#include <set>

namespace {

using tbtest::SimHarness;

struct Device {
    const char* name;
    QStringList simArgs;
};

// The test's own context for a press: the window and where its files are.
struct Bench {
    TForm1& form;
    QString folder;
    TScriptedFileDialogPresenter& files;
    QStringList& confirmations; // texts answered Yes, up to their first place holder
};

struct WritingAction {
    const char* name;
    QStringList cli; // "MENU" and "BACKUP" stand for the files below
    std::function<void(Bench&)> press;
};

const QByteArray kMenu = "1 29 0 33\r\n";
const QByteArray kRepeaterBackup = "REM kind: repeater\r\n1 02 0 07\r\n";

void Type(QLineEdit* edit, const QString& text) { edit->setText(text); }

void PressDefault(Bench& b, void (TDefaultForm::*button)())
{
    TDefaultForm window;
    b.confirmations << window.lblConfirmDefault->text().section(QStringLiteral("%1"), 0, 0);
    (window.*button)();
}

void LoadMenu(Bench& b, const char* file)
{
    b.files.Answer(b.folder + QLatin1String(file));
    b.form.DownloadPage->Button9Click();
}

const std::vector<WritingAction>& Actions()
{
    static const std::vector<WritingAction> actions = {
        {"handset text",
         {"handset", "text", "write", "HELLO"},
         [](Bench& b) {
             Type(b.form.HandsetTextPage->Edit1, QStringLiteral("HELLO"));
             b.form.HandsetTextPage->Button1Click();
         }},
        {"transducer", {"handset", "transducer", "new"}, [](Bench& b) { b.form.TransducerPage->Button3Click(); }},
        {"gains",
         {"handset", "gain", "write", "6", "13"},
         [](Bench& b) {
             b.form.InternalGainPage->Button11Click(); // the page writes only after a read of this handset
             b.form.InternalGainPage->TrackBar2->setValue(6);
             b.form.InternalGainPage->TrackBar1->setValue(13);
             b.form.InternalGainPage->Button12Click();
         }},
        {"handsfree reset",
         {"handset", "handsfree", "reset"},
         [](Bench& b) { b.form.HandsfreeGainPage->btnWriteDefaultGainClick(); }},
        {"repeater multi-cell",
         {"repeater", "write", "--code", "10000000040", "--base", "7", "--repeater", "9", "--busy", "1"},
         [](Bench& b) {
             TRepeaterPage& p = *b.form.RepeaterPage;
             Type(p.Edit3, QStringLiteral("10000000040"));
             Type(p.Edit4, QStringLiteral("7"));
             Type(p.Edit5, QStringLiteral("9"));
             Type(p.Edit8, QStringLiteral("1"));
             p.Button6Click();
         }},
        {"repeater single-cell",
         {"repeater", "write", "--layout", "single", "--code", "000000000017", "--base", "5", "--repeater", "3",
          "--busy", "1"},
         [](Bench& b) {
             TRepeaterPage& p = *b.form.RepeaterPage;
             p.SetRepeaterTypeGui(kSingleCellLayout);
             Type(p.Edit3, QStringLiteral("000000000017"));
             Type(p.Edit4, QStringLiteral("5"));
             Type(p.Edit5, QStringLiteral("3"));
             Type(p.Edit8, QStringLiteral("1"));
             p.Button6Click();
         }},
        {"EEPROM cell",
         {"write", "0500", "AA"},
         [](Bench& b) {
             Type(b.form.EepromPage->edtAddress, QStringLiteral("0500"));
             Type(b.form.EepromPage->edtValue, QStringLiteral("AA"));
             b.form.EepromPage->btnWriteEepromClick();
         }},
        {"menu file", {"menu", "play", "MENU"}, [](Bench& b) { LoadMenu(b, "menu.txt"); }},
        {"repeater backup as a menu", {"menu", "play", "BACKUP"}, [](Bench& b) { LoadMenu(b, "backup.mnu"); }},
        {"default handset",
         {"default", "handset"},
         [](Bench& b) { PressDefault(b, &TDefaultForm::bbtnDefaultPpClick); }},
        {"default repeater",
         {"default", "repeater"},
         [](Bench& b) { PressDefault(b, &TDefaultForm::bbtnDefaultWrfpClick); }},
        {"default base", {"default", "base"}, [](Bench& b) { PressDefault(b, &TDefaultForm::bbtnDefaultRfpClick); }},
    };
    return actions;
}

// What a run did to the device, by the simulator's log: the cells written
// ("WRITE 0044 10 00 00 08") and the default commands received.
std::string DoneToDevice(SimHarness& sim)
{
    std::set<QString> done;
    for (const QString& line : sim.writeLines())
        done.insert(QStringLiteral("write ") + line.section(QLatin1Char(' '), 1, 1));
    for (const QString& line : sim.logLines())
        if (line.startsWith(QLatin1String("DEFAULT")))
            done.insert(line);
    const QStringList list(done.begin(), done.end());
    return list.isEmpty() ? "nothing" : list.join(QStringLiteral(", ")).toStdString();
}

class FrontEndsAgree : public tbtest::MainWindowFixture, public ::testing::WithParamInterface<Device> {
protected:
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        qunsetenv("TUNEBENCH_COM1");
    }

    [[nodiscard]] QStringList CliArguments(const WritingAction& action, const QString& port) const
    {
        QStringList args{"--port", port};
        for (const QString& arg : action.cli)
            args << (arg == QLatin1String("MENU")     ? Folder() + QStringLiteral("menu.txt")
                     : arg == QLatin1String("BACKUP") ? Folder() + QStringLiteral("backup.mnu")
                                                      : arg);
        return args;
    }

    std::string ByWindow(const WritingAction& action)
    {
        SimHarness sim(GetParam().simArgs);
        EXPECT_TRUE(sim.start()) << sim.errorString().toStdString();
        qputenv("TUNEBENCH_COM1", sim.portPath().toLocal8Bit());
        m_form.reset();
        m_dialogs.Clear();
        TScriptedFileDialogPresenter files;
        TScopedFileDialogPresenter useFiles(files);
        TForm1& form = Start();
        form.Operations().Link().WriteRetryDelay = 5;
        QStringList confirmations{form.HandsetTextPage->Label27->text()};
        m_dialogs.SetDefaultAnswer(std::nullopt);
        m_dialogs.SetInspector([&](QMessageBox& box) {
            for (const QString& confirmation : confirmations)
                if (box.text().startsWith(confirmation))
                    box.setDefaultButton(box.findChild<QPushButton*>(QStringLiteral("Yes")));
        });
        Bench bench{form, Folder(), files, confirmations};
        action.press(bench);
        m_dialogs.SetInspector({});
        m_form.reset();
        sim.stop();
        return DoneToDevice(sim);
    }
};

TEST_P(FrontEndsAgree, EveryWritingActionDoesTheSameToTheDeviceOrNothing)
{
    WriteFile(QStringLiteral("menu.txt"), kMenu);
    WriteFile(QStringLiteral("backup.mnu"), kRepeaterBackup);
    // The commands all at once, each on a simulator of its own: most of their
    // time is waiting on the line.
    std::vector<std::unique_ptr<SimHarness>> sims;
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const WritingAction& action : Actions()) {
        sims.push_back(std::make_unique<SimHarness>(GetParam().simArgs));
        ASSERT_TRUE(sims.back()->start()) << sims.back()->errorString().toStdString();
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"),
                           CliArguments(action, sims.back()->portPath()));
    }
    std::vector<std::string> window;
    for (const WritingAction& action : Actions())
        window.push_back(ByWindow(action));
    for (std::size_t i = 0; i < Actions().size(); ++i) {
        ASSERT_TRUE(runs[i]->state() == QProcess::NotRunning || runs[i]->waitForFinished(120000)) << Actions()[i].name;
        sims[i]->stop();
        EXPECT_EQ(window[i], DoneToDevice(*sims[i])) << Actions()[i].name << " on " << GetParam().name << ": window "
                                                     << window[i] << ", command line " << DoneToDevice(*sims[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, FrontEndsAgree,
    ::testing::Values(Device{"handset", {"--profile", "handset"}},
                      Device{"handset8240", {"--profile", "handset-8240", "--baud", "9600"}},
                      Device{"repeaterMulti", {"--profile", "repeater-multi"}},
                      Device{"repeaterSingle", {"--profile", "repeater-single"}}, Device{"base", {"--profile", "base"}},
                      // answers the probe, but neither identity cell
                      Device{"identityUnread", {"--profile", "handset", "--silent", "0040-0044", "--silent", "0780"}}),
    [](const ::testing::TestParamInfo<Device>& info) { return std::string(info.param.name); });

} // namespace
