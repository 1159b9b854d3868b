#include "SimProfiles.h"

#include <gtest/gtest.h>

using tbsim::SimOptions;

namespace {

enum Kind { Nothing = 0, Handset = 1, Repeater = 2 };

// The program's detection: 3 bytes at 0040h whose text starts "0004D" make a
// handset; otherwise a repeater type 2, 4 or 6..128 at 0780h makes a repeater.
Kind detect(const QByteArray& image)
{
    if (image.mid(0x40, 3).toHex().toUpper().left(5) == "0004D")
        return Handset;
    const int type = quint8(image[0x780]);
    return (type == 2 || type == 4 || (type >= 6 && type <= 128)) ? Repeater : Nothing;
}

bool isMultiCellType(int t)
{
    return !(t == 6 || t == 7 || t == 8 || t == 18 || t == 19 || t == 30 || t == 31 || (t >= 34 && t <= 41));
}

int cell(const QByteArray& image, int address) { return quint8(image[address]); }

QByteArray image(const QString& profile, const SimOptions& options = {})
{
    QByteArray bytes = tbsim::profileImage(profile);
    tbsim::applyCellOptions(bytes, options);
    return bytes;
}

TEST(SimProfiles, EveryProfileHasAFullImage)
{
    ASSERT_EQ(tbsim::profiles().size(), 5);
    for (const tbsim::ProfileInfo& p : tbsim::profiles()) {
        EXPECT_EQ(tbsim::profileImage(p.name).size(), tbsim::kEepromSize) << p.name.toStdString();
        EXPECT_EQ(tbsim::findProfile(p.name), &p);
    }
    EXPECT_EQ(tbsim::findProfile("toaster"), nullptr);
    EXPECT_TRUE(tbsim::profileImage("toaster").isEmpty());
}

TEST(SimProfiles, DetectionTellsEachProfileApart)
{
    EXPECT_EQ(detect(image("handset")), Handset);
    EXPECT_EQ(detect(image("handset-8240")), Handset);
    EXPECT_EQ(detect(image("repeater-multi")), Repeater);
    EXPECT_EQ(detect(image("repeater-single")), Repeater);
    EXPECT_EQ(detect(image("base")), Nothing);
}

TEST(SimProfiles, RepeaterFamilies)
{
    EXPECT_TRUE(isMultiCellType(cell(image("repeater-multi"), 0x780)));
    EXPECT_EQ(cell(image("repeater-single"), 0x780), 6);
    EXPECT_FALSE(isMultiCellType(cell(image("repeater-single"), 0x780)));
}

TEST(SimProfiles, HandsetCells)
{
    const QByteArray pulsa = image("handset");
    EXPECT_EQ(pulsa.mid(0x40, 3), QByteArray::fromHex("0004D5"));
    EXPECT_EQ(cell(pulsa, 0x29), 0x6D);
    EXPECT_EQ(cell(pulsa, 0x3E), 0x6C);
    EXPECT_NE(cell(pulsa, 0x1D), 0xAA);
    EXPECT_EQ(pulsa.mid(0x196, 10), "DAVO PULSA");

    const QByteArray davo8240 = image("handset-8240");
    EXPECT_EQ(cell(davo8240, 0x1D), 0xAA);
    EXPECT_EQ(davo8240.mid(0x40, 2), QByteArray::fromHex("0004"));
    EXPECT_EQ(davo8240.mid(0x196, 12), "DAVO 8240   ");
}

TEST(SimProfiles, RepeaterCells)
{
    const QByteArray multi = image("repeater-multi");
    EXPECT_EQ(multi.mid(0x44, 4), QByteArray::fromHex("10000008")); // code 10000000040
    EXPECT_EQ(cell(multi, 0x48), 5);
    EXPECT_EQ(cell(multi, 0x02), 2);
    EXPECT_GE(cell(multi, 0x04), 1);
    EXPECT_LE(cell(multi, 0x04), 3);
    EXPECT_EQ(cell(multi, 0x43), 0xA8);
    EXPECT_EQ(cell(multi, 0x11), 0x07);

    const QByteArray single = image("repeater-single");
    EXPECT_EQ(single.mid(0x44, 5), QByteArray::fromHex("000000007D")); // 000000000017, base 5
    EXPECT_EQ(cell(single, 0x48) & 7, 5);
    EXPECT_GE(cell(single, 0x02), 2);
    EXPECT_LE(cell(single, 0x02), 7);
}

TEST(SimProfiles, CellOptionsSetTypeBusyHintAndAltSync)
{
    const QByteArray plain = image("repeater-multi");
    EXPECT_EQ(cell(plain, 0x460) & 0x04, 0);
    EXPECT_EQ(cell(plain, 0x461) & 0x01, 0);

    SimOptions on;
    on.busyHint = true;
    on.altSync = true;
    on.type = 36;
    const QByteArray set = image("repeater-single", on);
    EXPECT_EQ(cell(set, 0x460), 0x04);
    EXPECT_EQ(cell(set, 0x461), 0x01);
    EXPECT_EQ(cell(set, 0x780), 36);
    EXPECT_FALSE(isMultiCellType(36));

    SimOptions off;
    off.busyHint = false;
    off.altSync = false;
    QByteArray cleared = set;
    tbsim::applyCellOptions(cleared, off);
    EXPECT_EQ(cell(cleared, 0x460), 0);
    EXPECT_EQ(cell(cleared, 0x461), 0);
    EXPECT_EQ(cell(cleared, 0x780), 36);
}

TEST(SimProfiles, InvalidTypeMakesNoRepeater)
{
    for (int type : {0, 1, 3, 5, 0x81, 0xFF}) {
        SimOptions o;
        o.type = type;
        EXPECT_EQ(detect(image("repeater-multi", o)), Nothing) << type;
    }
}

} // namespace
