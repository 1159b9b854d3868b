// "ports map" and "ports unmap" round trip through the real settings store.
#include "MachineSettings.h"
#include "support/CliProcess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tbtest::RunCli;

TEST(CliPorts, MapAndUnmapRoundTrip)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("VUREZIVO.ini"));
    qputenv(TMachineSettings::kPathVariable, QFile::encodeName(store));
    const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
    QFile(device).open(QIODevice::WriteOnly);

    const auto mapped = RunCli({"ports", "map", "2", device});
    EXPECT_EQ(mapped.exitCode, 0) << mapped.err.toStdString();
    EXPECT_EQ(mapped.out, QStringLiteral("COM2  %1\n").arg(device));
    EXPECT_EQ(TMachineSettings(store).ReadString(QStringLiteral("Ports/COM2")), device);
    const auto listed = RunCli({"ports"});
    EXPECT_TRUE(listed.out.contains(QStringLiteral("COM2  %1  present  mapped\n").arg(device)))
        << listed.out.toStdString();

    const auto unmapped = RunCli({"ports", "unmap", "2"});
    EXPECT_EQ(unmapped.exitCode, 0);
    EXPECT_EQ(unmapped.out, QStringLiteral("COM2  /dev/ttyS1\n"));
    EXPECT_FALSE(TMachineSettings(store).ValueExists(QStringLiteral("Ports/COM2")));
    qunsetenv(TMachineSettings::kPathVariable);
}

TEST(CliPorts, ExtraArgumentsAreRefused)
{
    for (const QStringList& args :
         {QStringList{"ports", "extra"}, QStringList{"detect", "extra"}, QStringList{"probe", "extra"},
          QStringList{"ports", "map", "10", "/dev/ttyUSB0"}, QStringList{"ports", "unmap"}}) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
}

} // namespace
