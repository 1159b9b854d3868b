#include "support/CliProcess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tbtest::CliResult;
using tbtest::RunCli;

// Each refusal says what input was expected, before any port is touched.
TEST(CliMessages, RefusalsSayWhatIsExpected)
{
    QTemporaryDir dir;
    const QString hex = dir.filePath("software.hex");
    const struct {
        QStringList args;
        int exitCode;
        QString err;
    } cases[] = {
        {{"raed", "0040", "3"}, 1, "unknown command 'raed'; did you mean 'read'?"},
        {{"handset", "txet"}, 1, "unknown command 'txet'; did you mean 'text'?"},
        {{"ipei", "check", "0191400002"}, 1, "not a valid IPEI: 10 digits; an IPEI has 12"},
        {{"ipei", "check", "01914", "0000291", "7"}, 1, "not a valid IPEI: the check character is 8, not 7"},
        {{"ipei", "check", "01914", "9999999"}, 1, "not a valid IPEI: the serial number 9999999 is above 1048575"},
        {{"--port", "/dev/tunebench-nothing", "mail", "02", "3C"},
         1,
         "a read mail is 7 bytes, 02 3C 08 00 COUNT ADDR-LOW ADDR-HIGH; this one has 2"},
        {{"--port", "/dev/tunebench-nothing", "mail", "02 3B 08 00 02 00 01 05"},
         1,
         "a write mail is 02 3B 08 00 COUNT ADDR-LOW ADDR-HIGH and COUNT data bytes; this one has 8 bytes"},
        {{"--port", "/dev/tunebench-nothing", "flash", "--target", "6", "--yes", hex},
         1,
         "Cannot read the software file " + hex + ": No such file or directory"},
        {{"--port", "/dev/tunebench-nothing", "flash", "--target", "6", hex},
         1,
         "use --yes when standard input is not a terminal"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE((r.err + r.out).contains(c.err)) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
    }
}

} // namespace
