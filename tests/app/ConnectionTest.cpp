// "Set Comport" against the simulated devices on a pseudo-terminal.
#include "CommunicationsPage.h"
#include "DownloadPage.h"
#include "MainWindowFixture.h"
#include "RadioGroup.h"
#include "RepeaterPage.h"
#include "TabSheet.h"
#include "support/SimHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest/QTest>

namespace {

using tbtest::MainWindowFixture;
using tbtest::SimHarness;

class ConnectionTest : public MainWindowFixture {
protected:
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        if (m_sim)
            m_sim->stop();
        qunsetenv("TUNEBENCH_COM1");
        qunsetenv("TUNEBENCH_COM3");
    }
    // Starts the simulator as COM1 and the window on it.
    TForm1& StartOnSim(const QStringList& simArguments, const QStringList& switches = {})
    {
        m_sim = std::make_unique<SimHarness>(simArguments);
        EXPECT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        return Start(switches);
    }
    [[nodiscard]] bool PortOpen() { return m_form->Operations().Link().IsPortOpen(); }
    [[nodiscard]] QRadioButton* BaudItem(int index) const
    {
        const auto buttons = m_form->Communications->rgBaudrate->findChildren<QRadioButton*>();
        return buttons.value(index);
    }

    std::unique_ptr<SimHarness> m_sim;
};

struct PagesExpected {
    bool volume, startupText, repeater, gainLs, gainHf, ipei, loadMenu;
};

PagesExpected PagesOf(TForm1& form)
{
    return {form.TabSheet2->isEnabled(), form.TabSheet3->isEnabled(), form.TabSheet4->isEnabled(),
            form.TabSheet7->isEnabled(), form.TabSheet9->isEnabled(), form.TabSheet8->isEnabled(),
            form.Button9()->isEnabled()};
}

void ExpectPages(TForm1& form, const PagesExpected& e, const std::string& what)
{
    const PagesExpected got = PagesOf(form);
    EXPECT_EQ(got.volume, e.volume) << what;
    EXPECT_EQ(got.startupText, e.startupText) << what;
    EXPECT_EQ(got.repeater, e.repeater) << what;
    EXPECT_EQ(got.gainLs, e.gainLs) << what;
    EXPECT_EQ(got.gainHf, e.gainHf) << what;
    EXPECT_EQ(got.ipei, e.ipei) << what;
    EXPECT_EQ(got.loadMenu, e.loadMenu) << what;
    // Backup and verify identify the device themselves: every detection enables them, a repeater's too.
    EXPECT_TRUE(form.DownloadPage->btnVerifyMenu->isEnabled()) << what;
    EXPECT_TRUE(form.DownloadPage->btnSaveBackup->isEnabled()) << what;
}

struct DeviceCase {
    const char* name;
    QStringList simArguments;
    int baudIndex;
    const char* status;
    bool portOpen;
    PagesExpected pages;
};

constexpr PagesExpected kHandsetPages{true, true, false, true, true, true, true};
constexpr PagesExpected kRepeaterPages{false, false, true, false, false, false, false}; // IPEI and Load Menu unchanged
constexpr PagesExpected kNothingPages{false, false, false, false, false, false, true};

class SetComportTest : public ConnectionTest, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(SetComportTest, DetectsAndSetsPagesAndStatus)
{
    const DeviceCase& c = GetParam();
    TForm1& form = StartOnSim(c.simArguments);
    form.Communications->rgBaudrate->SetItemIndex(c.baudIndex);
    form.Communications->Button2Click();
    EXPECT_EQ(form.PanelText(0), "COM1");
    EXPECT_EQ(form.PanelText(1), QLatin1String(c.status));
    EXPECT_EQ(PortOpen(), c.portOpen);
    ExpectPages(form, c.pages, c.name);
    EXPECT_EQ(Registry().ReadInteger(QStringLiteral("COMPORT")), 1);
    EXPECT_EQ(m_dialogs.Count(), 0u);
    // The port controls are usable again and the hourglass is gone.
    EXPECT_TRUE(form.Communications->Button2->isEnabled());
    EXPECT_TRUE(form.Communications->rgBaudrate->isEnabled());
    EXPECT_TRUE(form.Communications->ComChoice->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SetComportTest,
    ::testing::Values(
        DeviceCase{"Handset", {"--profile", "handset"}, 1, "PP Connected", true, kHandsetPages},
        DeviceCase{"HandsetAt8600", {"--profile", "handset", "--baud", "8600"}, 0, "PP Connected", true, kHandsetPages},
        DeviceCase{"Handset8240", {"--profile", "handset-8240"}, 2, "PP Connected", true, kHandsetPages},
        DeviceCase{"RepeaterMulti", {"--profile", "repeater-multi"}, 1, "Repeater Connected", true, kRepeaterPages},
        DeviceCase{"RepeaterSingle", {"--profile", "repeater-single"}, 1, "Repeater Connected", true, kRepeaterPages},
        DeviceCase{"RepeaterType05",
                   {"--profile", "repeater-multi", "--type", "5"},
                   1,
                   "Nothing Connected",
                   false,
                   kNothingPages},
        DeviceCase{"RepeaterType81",
                   {"--profile", "repeater-multi", "--type", "129"},
                   1,
                   "Nothing Connected",
                   false,
                   kNothingPages},
        DeviceCase{"Base", {"--profile", "base"}, 1, "Nothing Connected", false, kNothingPages},
        DeviceCase{"WrongBaudRate", {"--profile", "handset"}, 2, "Nothing Connected", false, kNothingPages}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConnectionTest, DeviceThatNeverAnswersLeavesThePortClosedAndSaysWhatWasTried)
{
    TForm1& form = StartOnSim({"--profile", "handset", "--no-answer", "1"});
    QStringList shown;
    QObject::connect(form.statusBar(), &QStatusBar::messageChanged, &form,
                     [&shown](const QString& text) { shown << text; });
    form.Communications->Button2Click();
    EXPECT_EQ(form.PanelText(1), "Nothing Connected");
    EXPECT_FALSE(PortOpen());
    ExpectPages(form, kNothingPages, "no answer");
    // Each attempt showed while it ran; the note is gone when the work ended.
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.first(), "Probing COM1, attempt 1 of 6");
    EXPECT_TRUE(shown.contains("Probing COM1, attempt 6 of 6")) << shown.join('|').toStdString();
    EXPECT_EQ(form.statusBar()->currentMessage(), "");
    const auto* status = form.statusBar()->findChild<QLabel*>(QStringLiteral("Panel1"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(
        status->toolTip(),
        QStringLiteral("No answer from COM1 (%1) at 9600 baud after 6 attempts, 1000 ms apart").arg(m_sim->portPath()));
}

TEST_F(ConnectionTest, ClosingTheWindowDuringAnExchangeEndsItSafely)
{
    TForm1& form = StartOnSim({"--profile", "handset", "--no-answer", "1"});
    // The technician closes the window while "Set Comport" waits for the
    // silent device, and says Yes to stopping it.
    m_dialogs.Answer(mrYes);
    QTimer::singleShot(300, &form, [&form] { form.close(); });
    QElapsedTimer clock;
    clock.start();
    form.Communications->Button2Click();
    EXPECT_LT(clock.elapsed(), 3000); // the probe's remaining attempts are skipped
    EXPECT_EQ(m_dialogs.Count(), 1u);
    // The window closes once the stopped operation has ended.
    EXPECT_TRUE(tbtest::waitFor([&] { return !form.isVisible(); }));
    EXPECT_FALSE(PortOpen());
    // Nothing reopens the port once the window has closed.
    EXPECT_FALSE(form.Operations().ConnectionCheck());
    EXPECT_FALSE(PortOpen());
}

TEST_F(ConnectionTest, DeviceAnsweringFromTheFourthProbeIsFound)
{
    TForm1& form = StartOnSim({"--profile", "handset", "--answer-from", "4"});
    QElapsedTimer clock;
    clock.start();
    form.Communications->Button2Click();
    EXPECT_GE(clock.elapsed(), 3000); // three pauses of a second before the answered probe
    EXPECT_EQ(form.PanelText(1), "PP Connected");
    EXPECT_TRUE(PortOpen());
}

TEST_F(ConnectionTest, RepeaterAfterHandsetDisablesHandsetPagesButKeepsIpei)
{
    TForm1& form = StartOnSim({"--profile", "handset"});
    form.Communications->Button2Click();
    ASSERT_EQ(form.PanelText(1), "PP Connected");
    // Closed before the device goes: a port lost under the link would disable the pages.
    form.Operations().CloseDevicePort();
    m_sim->stop();
    m_sim = std::make_unique<SimHarness>(QStringList{"--profile", "repeater-multi"});
    ASSERT_TRUE(m_sim->start());
    qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
    form.Communications->Button2Click();
    EXPECT_EQ(form.PanelText(1), "Repeater Connected");
    ExpectPages(form, {false, false, true, false, false, true, true}, "repeater after handset");
}

TEST_F(ConnectionTest, PortThatCannotBeOpenedIsReportedWithTheReason)
{
    qputenv("TUNEBENCH_COM3", QByteArray("/dev/tunebench-no-such-port"));
    TForm1& form = Start();
    form.Communications->ComChoice->setCurrentIndex(2);
    form.Communications->Button2Click();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    const QStringList lines = m_dialogs.Last().text.split(QLatin1Char('\r'));
    EXPECT_EQ(lines.value(0), "COM3: This Serial Device is not Accessible!");
    EXPECT_TRUE(lines.value(1).contains("/dev/tunebench-no-such-port")) << lines.value(1).toStdString();
    EXPECT_TRUE(lines.value(1).contains("does not exist")) << lines.value(1).toStdString();
    EXPECT_EQ(m_dialogs.Last().caption, "Error");
    EXPECT_EQ(m_dialogs.Last().ButtonNames(), QStringList({"OK"}));
    // Nothing else changed, but the port is remembered.
    EXPECT_EQ(form.PanelText(0), "");
    EXPECT_EQ(form.PanelText(1), "Nothing Connected");
    EXPECT_EQ(Registry().ReadInteger(QStringLiteral("COMPORT")), 3);
    EXPECT_TRUE(form.Communications->Button2->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConnectionTest, BaudChangeWhileConnectedClosesThePortAndKeepsTheStatus)
{
    TForm1& form = StartOnSim({"--profile", "handset"});
    form.Communications->Button2Click();
    ASSERT_TRUE(PortOpen());
    auto buttons = form.Communications->rgBaudrate->findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 4);
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_EQ(form.Communications->rgBaudrate->ItemIndex(), 2);
    EXPECT_FALSE(PortOpen());
    EXPECT_EQ(form.PanelText(1), "PP Connected");
    EXPECT_TRUE(form.TabSheet3->isEnabled());
    // The next operation reopens at the new rate.
    ASSERT_TRUE(form.Operations().ConnectionCheck());
    EXPECT_EQ(form.Operations().Link().Channel()->Baud(), 115200);
}

TEST_F(ConnectionTest, TwoWireModeTakesEffectAtTheNextOpening)
{
    TForm1& form = StartOnSim({"--profile", "handset", "--two-wire"}, {"/d"});
    ASSERT_FALSE(form.Communications->chk2WireSerial->isHidden());
    form.Communications->chk2WireSerial->setChecked(true);
    EXPECT_TRUE(form.Operations().Link().EchoOn());
    form.Communications->Button2Click();
    EXPECT_EQ(form.PanelText(1), "PP Connected");
    EXPECT_FALSE(form.Operations().Link().EchoOn());
    EXPECT_TRUE(form.Operations().Link().EchoBack());
    EXPECT_EQ(form.Operations().Link().PollInterval, 50);
    EXPECT_EQ(form.Operations().Link().GapTimeout, 500);
}

TEST_F(ConnectionTest, EachComItemShowsItsDevicePath)
{
    qputenv("TUNEBENCH_COM3", QByteArray("/dev/ttyUSB7"));
    TForm1& form = StartOnSim({"--profile", "handset"});
    QComboBox* ports = form.Communications->ComChoice;
    EXPECT_EQ(ports->itemData(0, Qt::ToolTipRole).toString(), m_sim->portPath());
    EXPECT_EQ(ports->itemData(2, Qt::ToolTipRole).toString(), "/dev/ttyUSB7");
    EXPECT_EQ(ports->toolTip(), m_sim->portPath());
    EXPECT_EQ(ports->count(), 9);
}

} // namespace

namespace {

TEST_F(ConnectionTest, SetComportAndBaudDuringARepeaterReadAreRefused)
{
    TForm1& form = StartOnSim({"--profile", "repeater-multi", "--alt-sync", "on", "--late", "150"});
    form.Communications->Button2Click();
    ASSERT_EQ(form.PanelText(1), "Repeater Connected");
    const int probes = static_cast<int>(m_sim->logLines().filter("READ 0000").size());
    form.PageControl1->SetActivePage(form.TabSheet4);

    // While the read waits for its first late answer, the technician goes to the
    // Communications page and presses "Set Comport", then another baud rate.
    bool pressed = false;
    QString note;
    QTimer::singleShot(0, &form, [&] {
        form.PageControl1->SetActivePage(form.TabSheet5);
        EXPECT_FALSE(form.Communications->Button2->isEnabled());
        EXPECT_FALSE(form.Communications->rgBaudrate->isEnabled());
        QTest::mouseClick(form.Communications->Button2, Qt::LeftButton);
        QTest::mouseClick(BaudItem(2), Qt::LeftButton);
        // A press that reaches the handler anyway is refused with a note.
        form.Communications->Button2Click();
        note = form.statusBar()->currentMessage();
        pressed = true;
    });
    EXPECT_NO_THROW(form.RepeaterPage->Button5Click());
    ASSERT_TRUE(pressed);
    EXPECT_EQ(note, form.lblOperationRunning->text());
    EXPECT_EQ(form.statusBar()->currentMessage(), "");

    EXPECT_EQ(form.RepeaterPage->Edit3->text().size(), 11);
    EXPECT_EQ(form.RepeaterPage->edtAltRepeaterNumber->text(), "255");
    EXPECT_EQ(m_dialogs.Count(), 0u);
    EXPECT_EQ(form.PanelText(1), "Repeater Connected");
    EXPECT_TRUE(form.TabSheet4->isEnabled());
    EXPECT_TRUE(PortOpen());
    EXPECT_EQ(form.Communications->rgBaudrate->ItemIndex(), 1);
    EXPECT_EQ(m_sim->logLines().filter("READ 0000").size(), probes);
    EXPECT_TRUE(form.Communications->Button2->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConnectionTest, ClickingTheSelectedBaudRateKeepsThePortOpen)
{
    TForm1& form = StartOnSim({"--profile", "handset"});
    form.Communications->Button2Click();
    ASSERT_TRUE(PortOpen());
    QTest::mouseClick(BaudItem(1), Qt::LeftButton);
    EXPECT_EQ(form.Communications->rgBaudrate->ItemIndex(), 1);
    EXPECT_TRUE(PortOpen());
}

} // namespace
