// Low latency for USB serial adapters: what is asked of the driver, and who decides.
#include "LowLatencySetting.h"
#include "SerialLowLatency.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SerialLowLatency, TheFlagIsSetWhileOpenAndOnlyWhatWasSetIsTakenBack)
{
    const int low = TSerialLowLatency::kLowLatencyFlag;
    const int own = 0x40; // a flag of the driver's that stays as it is
    const struct {
        const char* driver;
        std::optional<int> found;
        bool writable;
        bool granted;
        int whileOpen; // -1: no flags
        int afterClose;
    } cases[] = {
        {"an adapter at its latency timer", own, true, true, own | low, own},
        {"an adapter with low latency already", own | low, true, true, own | low, own | low},
        {"a driver that refuses the change", own, false, false, own, own},
        {"no serial flags (a pseudo-terminal)", std::nullopt, true, false, -1, -1},
    };
    for (const auto& c : cases) {
        std::optional<int> flags = c.found;
        const TSerialLowLatency::TFlags driver{[&] { return flags; },
                                               [&](int value) {
                                                   if (c.writable)
                                                       flags = value;
                                                   return c.writable;
                                               }};
        TSerialLowLatency latency;
        EXPECT_EQ(latency.Request(driver), c.granted) << c.driver;
        EXPECT_EQ(flags.value_or(-1), c.whileOpen) << c.driver;
        latency.Restore(driver);
        EXPECT_EQ(flags.value_or(-1), c.afterClose) << c.driver;
    }
}

TEST(LowLatencySetting, TheEnvironmentComesBeforeTunebenchIniAndBothDefaultToOn)
{
    QTemporaryDir dir;
    const struct {
        const char* variable; // nullptr: not set
        const char* ini;      // nullptr: no file
        bool wanted;
    } cases[] = {
        {nullptr, nullptr, true},
        {nullptr, "[Form1]\r\nTop=10\r\n", true},
        {nullptr, "[Link]\r\nLowLatency=0\r\n", false},
        {nullptr, "[link]\r\nlowlatency=1\r\n", true},
        {"0", "[Link]\r\nLowLatency=1\r\n", false},
        {"1", "[Link]\r\nLowLatency=0\r\n", true},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString ini = dir.filePath(QStringLiteral("Tunebench%1.ini").arg(++n));
        if (c.ini) {
            QFile file(ini);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.ini);
        }
        QProcessEnvironment environment;
        if (c.variable)
            environment.insert(QLatin1String(LowLatencySetting::kVariable), QLatin1String(c.variable));
        EXPECT_EQ(LowLatencySetting::Wanted(environment, ini), c.wanted)
            << (c.variable ? c.variable : "-") << " " << (c.ini ? c.ini : "-");
    }
}

} // namespace
