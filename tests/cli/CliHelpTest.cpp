#include "support/CliProcess.h"

#include <gtest/gtest.h>

namespace {

using tbtest::CliResult;
using tbtest::RunCli;

TEST(CliHelp, UsageErrorsShowTheCommandsUsageLine)
{
    const struct {
        QStringList args;
        QString usage;
    } cases[] = {
        {{}, "Usage: tunebench-cli [OPTIONS] COMMAND [ARGS]\n"},
        {{"read", "G1"}, "Usage: tunebench-cli [OPTIONS] read ADDR [COUNT]\nTry 'tunebench-cli read --help'.\n"},
        {{"--port", "/dev/tunebench-nothing", "write", "FFFF", "1", "2"},
         "Usage: tunebench-cli [OPTIONS] write ADDR BYTE...\n"},
        {{"--port", "/dev/tunebench-nothing", "read", "FFFF", "2"},
         "Usage: tunebench-cli [OPTIONS] read ADDR [COUNT]\n"},
        {{"repeater"}, "Usage: tunebench-cli [OPTIONS] repeater COMMAND [OPTIONS]\n"},
        {{"repeater", "read", "--code", "1"}, "Usage: tunebench-cli [OPTIONS] repeater read [OPTIONS]\n"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tunebench-cli: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.usage)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(CliHelp, EachCommandHasItsOwnHelp)
{
    const CliResult all = RunCli({"--help"});
    EXPECT_EQ(all.exitCode, 0);
    // A command that runs on its own is listed even when it has members too.
    for (const char* synopsis : {"read ADDR [COUNT]", "write ADDR BYTE...", "mail TEXT...", "repeater write [OPTIONS]",
                                 "\n  ports ", "\n  ports map N PATH", "\n  flash [OPTIONS] [FILE]"})
        EXPECT_TRUE(all.out.contains(QLatin1String(synopsis))) << synopsis;

    const CliResult write = RunCli({"repeater", "write", "--help"});
    EXPECT_EQ(write.exitCode, 0);
    EXPECT_TRUE(write.out.contains("Usage: tunebench-cli [OPTIONS] repeater write [OPTIONS]\n"));
    EXPECT_TRUE(write.out.contains("--debug-beep on|off"));
    EXPECT_FALSE(write.out.contains("--com")); // the global options stay with the program's help
}

} // namespace
