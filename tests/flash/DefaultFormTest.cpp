// "Default Commands" against the simulated devices, each press on a link of its own.
#include "DefaultForm.h"
#include "ComponentClasses.h"
#include "ScriptedDialogPresenter.h"
#include "SndMail.h"
#include "Timing.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using tbtest::SimHarness;

struct TTarget final : IFlashTargetChoice {
    int target = -1;
    [[nodiscard]] int TargetIndex() const override { return target; }
    [[nodiscard]] int ComIndex() const override { return 0; }
};

class DefaultFormTest : public ::testing::Test {
protected:
    void StartSim(const QStringList& arguments)
    {
        m_sim = std::make_unique<SimHarness>(arguments);
        ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        m_form.SetTargetChoice(&m_target);
        m_form.show();
    }
    void TearDown() override
    {
        if (m_sim)
            m_sim->stop();
        qunsetenv("TUNEBENCH_COM1");
    }
    [[nodiscard]] QStringList SimLines(const QString& prefix)
    {
        m_sim->waitForLogPrefix(prefix, 2000);
        return m_sim->logLines().filter(QRegularExpression(QStringLiteral("^") + prefix));
    }

    TScriptedDialogPresenter m_dialogs;
    TScopedDialogPresenter m_useDialogs{m_dialogs};
    std::unique_ptr<SimHarness> m_sim;
    TTarget m_target;
    TDefaultForm m_form;
};

TEST_F(DefaultFormTest, HandsetAtTheTargetsRateWaitsWithTheWindowLiveBeforeSuccess)
{
    StartSim({"--profile", "handset", "--baud", "8600"});
    m_target.target = 7;
    // The moment the default mail leaves, and the repaints in the pause after it.
    std::int64_t sentAt = 0;
    int paintsAfterSend = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!sentAt && m_form.Link && m_form.Link->Mail().MailText.startsWith(QLatin1String("02 3A")))
            sentAt = ReadCounter();
        if (sentAt)
            m_form.repaint(), ++paintsAfterSend;
    });
    watch.start(2);
    std::int64_t messageAt = 0;
    bool busyAtMessage = false;
    m_dialogs.SetInspector([&](QMessageBox&) {
        messageAt = ReadCounter();
        busyAtMessage = !m_form.bbtnDefaultPp->isEnabled();
    });
    m_dialogs.Answer(mrYes);
    m_form.bbtnDefaultPp->click();

    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_EQ(m_dialogs.Dialogs().front().text, "Send the default command (Handset) to the device on COM1? What was "
                                                "set on it is replaced by the device's default settings.");
    EXPECT_EQ(m_dialogs.Last().text, "Default Command sent to device!");
    EXPECT_EQ(m_dialogs.Last().type, mtInformation);
    ASSERT_NE(sentAt, 0);
    EXPECT_GE(ElapsedMs(messageAt, sentAt), 3000);
    EXPECT_GT(paintsAfterSend, 100);
    EXPECT_TRUE(busyAtMessage) << "enabled only after the message";
    EXPECT_TRUE(m_form.bbtnDefaultPp->isEnabled());
    EXPECT_FALSE(m_form.CommandRunning());
    EXPECT_TRUE(SimLines("START").value(0).startsWith(QLatin1String("START handset 8600 baud")));
    EXPECT_EQ(SimLines("DEFAULT"), QStringList({"DEFAULT 02 3A 00"}));
}

TEST_F(DefaultFormTest, RepeaterOfTarget6At115200)
{
    StartSim({"--profile", "repeater-multi", "--baud", "115200"});
    m_target.target = 6;
    m_dialogs.Answer(mrYes);
    m_form.bbtnDefaultWrfp->click();
    EXPECT_EQ(m_dialogs.Last().text, "Default Command sent to device!");
    EXPECT_EQ(SimLines("DEFAULT"), QStringList({"DEFAULT 02 3A"}));
}

TEST_F(DefaultFormTest, NoAnswerAtTheWrongRateSendsNoMailAndNoSuccess)
{
    // Target 3 talks at 8600; the device listens at 9600.
    StartSim({"--profile", "handset"});
    m_target.target = 3;
    m_form.bbtnDefaultRfp->click();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text,
              "Could not connect to device!\r\rThe device must be ON when sending default command.");
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_TRUE(m_form.bbtnDefaultRfp->isEnabled());
    EXPECT_FALSE(m_form.CommandRunning());
    const QStringList mismatches = SimLines("MISMATCH");
    ASSERT_FALSE(mismatches.isEmpty());
    EXPECT_EQ(mismatches.first(), "MISMATCH line 8600 baud, device 9600 baud");
    EXPECT_TRUE(m_sim->logLines().filter(QStringLiteral("DEFAULT")).isEmpty());
}

TEST_F(DefaultFormTest, ClosingDuringTheCommandEndsItWithoutSuccess)
{
    StartSim({"--profile", "handset"});
    m_target.target = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (m_form.Link && m_form.Link->Mail().MailText.startsWith(QLatin1String("02 3A")))
            m_form.close();
    });
    closer.start(5);
    m_dialogs.Answer(mrYes);
    const std::int64_t t0 = ReadCounter();
    m_form.bbtnDefaultPp->click();
    EXPECT_LT(ElapsedMs(ReadCounter(), t0), 2500);
    EXPECT_EQ(m_dialogs.Count(), 1u) << "only the question";
    EXPECT_FALSE(m_form.CommandRunning());
    EXPECT_TRUE(m_form.bbtnDefaultPp->isEnabled());
}

// As `tunebench-cli default handset` refuses a repeater (exit 5).
TEST_F(DefaultFormTest, HandsetCommandToARepeaterIsRefusedAndSendsNothing)
{
    StartSim({"--profile", "repeater-multi"});
    m_target.target = 0;
    m_form.bbtnDefaultPp->click();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "The device on COM1 answered as a repeater; this default command is for a "
                                     "handset. Nothing was sent.");
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_TRUE(m_form.bbtnDefaultPp->isEnabled());
    EXPECT_FALSE(m_form.CommandRunning());
    EXPECT_TRUE(m_sim->stop());
    EXPECT_TRUE(m_sim->logLines().filter(QStringLiteral("DEFAULT")).isEmpty());
}

TEST_F(DefaultFormTest, TheFocusIsOnCloseAndTheQuestionSaysNoUnlessAnswered)
{
    StartSim({"--profile", "handset"});
    m_target.target = 0;
    EXPECT_EQ(m_form.focusWidget(), m_form.btnClose);
    EXPECT_TRUE(m_form.btnClose->isDefault());
    m_form.bbtnDefaultPp->click(); // the question gets no answer: its default is taken
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().type, mtConfirmation);
    EXPECT_EQ(m_dialogs.Last().defaultButton, "No");
    EXPECT_EQ(m_dialogs.Last().result, mrNo);
    EXPECT_FALSE(m_form.CommandRunning());
    EXPECT_TRUE(m_sim->stop());
    EXPECT_TRUE(m_sim->logLines().filter(QStringLiteral("DEFAULT")).isEmpty());
}

} // namespace
