// tunebench-cli handset ... and ipei check, the real binary against the simulated handset.
#include "support/CliProcess.h"
#include "support/SimHarness.h"

#include <gmock/gmock.h>

namespace {

using tbtest::CliResult;
using tbtest::SimHarness;
using ::testing::ElementsAre;

class HandsetCliTest : public ::testing::Test {
protected:
    void Start(const QStringList& args)
    {
        m_sim = std::make_unique<SimHarness>(args);
        ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
    }
    CliResult Run(const QStringList& args)
    {
        return tbtest::RunCli(QStringList{"--port", m_sim->portPath(), "handset"} + args);
    }
    std::unique_ptr<SimHarness> m_sim;
};

TEST_F(HandsetCliTest, TextTransducerGainsAndIdentityOfAPlainHandset)
{
    Start({"--profile", "handset", "--set", "0029=A5"});
    CliResult r = Run({"text", "write", "HELLO"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "0196 48 45 4C 4C 4F 20 20 20\n019E 20 20\n");
    r = Run({"text", "read"});
    EXPECT_EQ(r.out, "HELLO\n");

    r = Run({"gain", "read"});
    EXPECT_EQ(r.out, "loudspeaker=10 microphone=5 byte=A5\n");
    r = Run({"transducer", "new"});
    EXPECT_EQ(r.out, "written 6D\n");
    r = Run({"transducer", "new"});
    EXPECT_EQ(r.out, "already 6D\n");
    r = Run({"gain", "write", "3", "4"});
    EXPECT_EQ(r.out, "loudspeaker=3 microphone=4 byte=34\n");

    r = Run({"ipei"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "00077 0332340 2\n");

    // The plain handset has no handsfree gains: model message, exit 5, nothing written.
    r = Run({"handsfree", "reset"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, "Handset must be of the type DAVO 8240 or DAVO 8280 !\n");
    ASSERT_TRUE(m_sim->stop());
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 0196 48 45 4C 4C 4F 20 20 20", "WRITE 019E 20 20",
                                                 "WRITE 0029 6D", "WRITE 0029 34"));
}

TEST_F(HandsetCliTest, HandsfreeGainsOnTheModelWithTheMarker)
{
    Start({"--profile", "handset-8240", "--baud", "9600", "--set", "003E=F3"});
    CliResult r = Run({"handsfree", "read"});
    EXPECT_EQ(r.out, "loudspeaker=15 microphone=3 byte=F3\n");
    r = Run({"handsfree", "reset"});
    EXPECT_EQ(r.out, "loudspeaker=6 microphone=12 byte=6C\n");
    r = Run({"handsfree", "write", "7", "15"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "loudspeaker=7 microphone=15 byte=7F\n");
    r = Run({"handsfree", "write", "8", "0"});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_TRUE(m_sim->stop());
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 003E 6C", "WRITE 003E 7F"));
}

TEST_F(HandsetCliTest, RefusedTextAndFailedBlocks)
{
    Start({"--profile", "handset", "--protect", "019E"});
    CliResult r = Run({"text", "write", QString::fromUtf8("\u03a9")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QString::fromUtf8("The character \"\u03a9\" in line 1 can not be stored in the handset !\n"));
    r = Run({"text", "write", "ELEVEN CHAR"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(m_sim->waitForLogPrefix("RX ", 100));

    // Three lines into a handset whose cells past its 10 characters hold no text.
    r = Run({"text", "write", "--three-line", "A", "B", "C"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_THAT(r.err.toStdString(), ::testing::HasSubstr("does not look like a three-line model"));
    EXPECT_THAT(r.err.toStdString(), ::testing::HasSubstr("Nothing was written"));

    r = Run({"text", "write", "--three-line", "--force", "A", "B", "C"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "0196 41 20 20 20 20 20 20 20\n");
    EXPECT_EQ(r.err, "Write of text failed, Try again !!\n");
    ASSERT_TRUE(m_sim->stop());
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 0196 41 20 20 20 20 20 20 20"));
}

TEST(IpeiCheck, CheckCharacterValidityAndRefusal)
{
    struct Case {
        QStringList text;
        int exitCode;
        const char* out;
    };
    const Case cases[] = {{{"01914", "0000291"}, 0, "8\n"},
                          {{"019140000293"}, 0, "*\n"},
                          {{"01914 0000291 8"}, 0, "valid\n"},
                          {{"01914 0000291 7"}, 1, "not a valid IPEI\n"},
                          {{"99999 1048576"}, 1, "not a valid IPEI\n"},
                          {{"0191400002"}, 1, "not a valid IPEI\n"}};
    for (const Case& c : cases) {
        const CliResult r = tbtest::RunCli(QStringList{"ipei", "check"} + c.text);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.text.join(' ').toStdString();
        EXPECT_EQ(r.out, c.out) << c.text.join(' ').toStdString();
    }
}

} // namespace
