// The main window of the Windows build on a simulated handset that
// scripts/windows maps to COM1: "Set Comport" finds it, a gain is read.
#include "../app/MainWindowFixture.h"
#include "CommunicationsPage.h"
#include "InternalGainPage.h"

#include <QPushButton>
#include <QSlider>

namespace {

using tbtest::MainWindowFixture;

class WinWindowTest : public MainWindowFixture {};

TEST_F(WinWindowTest, SetComportFindsTheHandsetAndAGainIsRead)
{
    if (qEnvironmentVariableIntValue("TUNEBENCH_WINTEST_COM_HANDSET") != 1)
        GTEST_SKIP() << "no simulated handset on COM1";
    TForm1& form = Start();
    EXPECT_EQ(form.PanelText(1), "Nothing Connected");
    form.Communications->Button2Click();
    EXPECT_EQ(form.PanelText(0), "COM1");
    EXPECT_EQ(form.PanelText(1), "PP Connected");
    // The simulated handset holds A5 in 0029h: loudspeaker 10, microphone 5.
    form.InternalGainPage->Button11Click();
    EXPECT_EQ(form.InternalGainPage->TrackBar2->value(), 10);
    EXPECT_EQ(form.InternalGainPage->TrackBar1->value(), 5);
}

} // namespace
