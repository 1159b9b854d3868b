// What a played or verified file does with a device's identity cells.
#include "DeviceIdentity.h"

#include <gtest/gtest.h>

namespace {

using TAction = TIdentityDecision::TAction;
using TState = TDeviceIdentity::TState;

TEST(DeviceIdentity, TheDeviceKeepsItsIdentityUnlessRepairedOrForced)
{
    const TFileIdentity plain{};
    const TFileIdentity backupA{DeviceKind::Handset, QStringLiteral("00077 0332340 2")};
    const TFileIdentity backupWithoutIdentity{DeviceKind::Handset, {}};
    const TFileIdentity repeaterBackup{DeviceKind::Repeater, {}};
    const TDeviceIdentity a{TState::Valid, QStringLiteral("00077 0332340 2")};
    const TDeviceIdentity b{TState::Valid, QStringLiteral("00077 0000001 9")};
    const TDeviceIdentity blank{TState::Blank, {}};
    const TDeviceIdentity unread{};
    struct Case {
        TFileIdentity file;
        TDeviceIdentity device;
        bool writeIdentity, force;
        TAction expected;
    };
    const Case cases[] = {
        {plain, b, false, false, TAction::WriteAll},
        {repeaterBackup, b, false, false, TAction::WriteAll},
        {backupA, a, false, false, TAction::WriteAll},
        {backupA, b, false, false, TAction::KeepDevice},
        {backupA, b, false, true, TAction::KeepDevice},
        {backupWithoutIdentity, a, false, false, TAction::KeepDevice},
        {backupA, unread, false, false, TAction::KeepDevice},
        {backupA, b, true, false, TAction::Refuse},
        {backupA, unread, true, false, TAction::Refuse},
        {backupA, blank, true, false, TAction::WriteIdentity},
        {backupA, b, true, true, TAction::WriteIdentity},
    };
    int row = 0;
    for (const Case& c : cases)
        EXPECT_EQ(DecideIdentity(c.file, c.device, c.writeIdentity, c.force).action, c.expected) << "row " << row++;

    EXPECT_EQ(IdentityOfCells(QByteArray::fromHex("0004D51234")).text, "00077 0332340 2");
    EXPECT_EQ(IdentityOfCells(QByteArray::fromHex("FFFFFFFFFF")).state, TState::Blank);
    EXPECT_EQ(IdentityOfCells(QByteArray::fromHex("0000000000")).state, TState::Blank);
}

TEST(DeviceIdentity, AWriteLosesExactlyTheIdentityCells)
{
    const TCellRun identity{0x40, 5};
    const auto texts = [&](const char* line) {
        QStringList out;
        for (const TMenuWrite& w : WritesOutside(TMenuFile::ReadLine(QLatin1String(line)).write, identity))
            out << QStringLiteral("%1@%2: %3")
                       .arg(w.count)
                       .arg(w.addressHigh << 8 | w.addressLow, 4, 16, QLatin1Char('0'))
                       .arg(w.dataText.trimmed());
        return out;
    };
    EXPECT_EQ(texts("2 3E 0 01 02"), QStringList({"2@003e: 01 02"}));
    EXPECT_EQ(texts("5 40 0 01 02 03 04 05"), QStringList());
    EXPECT_EQ(texts("3 3F 0 01 02 03"), QStringList({"1@003f: 01"}));
    EXPECT_EQ(texts("9 3E 0 01 02 03 04 05 06 07 08 09"), QStringList({"2@003e: 01 02", "2@0045: 08 09"}));
}

} // namespace
