// Every action that writes a device, pressed in the window and run as its
// tunebench-cli command, against every kind of device the simulator offers
// and one whose identity gives no answer: both front ends write the same
// cells or refuse alike. The window's questions are answered as a stray
// Enter would answer them (each box's default button); the CLI runs without
// --force.
#include "EepromPage.h"
#include "HandsetTextPage.h"
#include "HandsfreeGainPage.h"
#include "InternalGainPage.h"
#include "MainWindowFixture.h"
#include "RepeaterPage.h"
#include "TransducerPage.h"
#include "support/CliProcess.h"
#include "support/SimHarness.h"

#include <QLineEdit>
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

struct WritingAction {
    const char* name;
    QStringList cli;
    std::function<void(TForm1&)> press;
};

void Type(QLineEdit* edit, const QString& text) { edit->setText(text); }

const std::vector<WritingAction>& Actions()
{
    static const std::vector<WritingAction> actions = {
        {"handset text",
         {"handset", "text", "write", "HELLO"},
         [](TForm1& f) {
             Type(f.HandsetTextPage->Edit1, QStringLiteral("HELLO"));
             f.HandsetTextPage->Button1Click();
         }},
        {"transducer", {"handset", "transducer", "new"}, [](TForm1& f) { f.TransducerPage->Button3Click(); }},
        {"gains",
         {"handset", "gain", "write", "6", "13"},
         [](TForm1& f) {
             f.InternalGainPage->Button11Click(); // the page writes only after a read of this handset
             f.InternalGainPage->TrackBar2->setValue(6);
             f.InternalGainPage->TrackBar1->setValue(13);
             f.InternalGainPage->Button12Click();
         }},
        {"handsfree reset",
         {"handset", "handsfree", "reset"},
         [](TForm1& f) { f.HandsfreeGainPage->btnWriteDefaultGainClick(); }},
        {"repeater multi-cell",
         {"repeater", "write", "--code", "10000000040", "--base", "7", "--repeater", "9", "--busy", "1"},
         [](TForm1& f) {
             TRepeaterPage& p = *f.RepeaterPage;
             Type(p.Edit3, QStringLiteral("10000000040"));
             Type(p.Edit4, QStringLiteral("7"));
             Type(p.Edit5, QStringLiteral("9"));
             Type(p.Edit8, QStringLiteral("1"));
             p.Button6Click();
         }},
        {"repeater single-cell",
         {"repeater", "write", "--layout", "single", "--code", "000000000017", "--base", "5", "--repeater", "3",
          "--busy", "1"},
         [](TForm1& f) {
             TRepeaterPage& p = *f.RepeaterPage;
             p.SetRepeaterTypeGui(kSingleCellLayout);
             Type(p.Edit3, QStringLiteral("000000000017"));
             Type(p.Edit4, QStringLiteral("5"));
             Type(p.Edit5, QStringLiteral("3"));
             Type(p.Edit8, QStringLiteral("1"));
             p.Button6Click();
         }},
        {"EEPROM cell",
         {"write", "0500", "AA"},
         [](TForm1& f) {
             Type(f.EepromPage->edtAddress, QStringLiteral("0500"));
             Type(f.EepromPage->edtValue, QStringLiteral("AA"));
             f.EepromPage->btnWriteEepromClick();
         }},
    };
    return actions;
}

// The cells a run wrote, by the simulator's log ("WRITE 0044 10 00 00 08").
std::set<QString> WrittenCells(SimHarness& sim)
{
    std::set<QString> cells;
    for (const QString& line : sim.writeLines())
        cells.insert(line.section(QLatin1Char(' '), 1, 1));
    return cells;
}

std::string Describe(const std::set<QString>& cells)
{
    QStringList list(cells.begin(), cells.end());
    return list.isEmpty() ? "nothing" : list.join(QLatin1Char(' ')).toStdString();
}

class FrontEndsAgree : public tbtest::MainWindowFixture, public ::testing::WithParamInterface<Device> {
protected:
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        qunsetenv("TUNEBENCH_COM1");
    }

    std::set<QString> ByCommandLine(const WritingAction& action)
    {
        SimHarness sim(GetParam().simArgs);
        EXPECT_TRUE(sim.start()) << sim.errorString().toStdString();
        const tbtest::CliResult r = tbtest::RunCli(QStringList{"--port", sim.portPath()} + action.cli);
        EXPECT_NE(r.exitCode, -1) << action.name;
        sim.stop();
        return WrittenCells(sim);
    }

    std::set<QString> ByWindow(const WritingAction& action)
    {
        SimHarness sim(GetParam().simArgs);
        EXPECT_TRUE(sim.start()) << sim.errorString().toStdString();
        qputenv("TUNEBENCH_COM1", sim.portPath().toLocal8Bit());
        m_form.reset();
        m_dialogs.Clear();
        m_dialogs.SetDefaultAnswer(std::nullopt); // every box answered by its default button
        TForm1& form = Start();
        form.Operations().Link().WriteRetryDelay = 5;
        action.press(form);
        m_form.reset();
        sim.stop();
        return WrittenCells(sim);
    }
};

TEST_P(FrontEndsAgree, EveryWritingActionWritesTheSameCellsOrNone)
{
    for (const WritingAction& action : Actions()) {
        const std::set<QString> cli = ByCommandLine(action);
        const std::set<QString> window = ByWindow(action);
        EXPECT_EQ(Describe(window), Describe(cli)) << action.name << " on " << GetParam().name;
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
