// Bulk reads (backup, verify) over a line without a port.
#include "../link/ScriptedChannel.h"
#include "DeviceBackup.h"
#include "SndMail.h"

#include <gtest/gtest.h>

namespace {

class CellReaderTest : public ::testing::Test {
protected:
    ScriptedChannel channel;
    TMailControl link{&channel};
    void SetUp() override
    {
        channel.baud = 115200;
        link.ShowDialogs = false;
        for (int i = 0; i < 0x200; ++i)
            channel.device.memory[i] = static_cast<std::uint8_t>(i * 7);
    }
};

TEST_F(CellReaderTest, ACopyTakenForOneReadIsReadAgainUntilTwoReadsAgree)
{
    // The first read of the second piece answers with the cells of the read
    // before it, as a copy of that answer would.
    QByteArray previous;
    channel.device.alterData = [&](int read, QByteArray& data) {
        if (read == 3)
            data = previous;
        previous = data;
    };
    TCellReader reader(link);
    QByteArray cells;
    ASSERT_TRUE(reader.Read(0x0000, 348, cells));
    EXPECT_EQ(cells, QByteArray(reinterpret_cast<const char*>(channel.device.memory.data()), 348));
    EXPECT_EQ(reader.Disagreements(), 1);
}

TEST_F(CellReaderTest, CellsThatNeverReadAlikeHaveNoValue)
{
    channel.device.alterData = [](int read, QByteArray& data) {
        if (data.size() > 5)
            data[5] = static_cast<char>(read);
    };
    TCellReader reader(link);
    QByteArray cells;
    EXPECT_FALSE(reader.Read(0x0000, 40, cells));
    EXPECT_TRUE(cells.isEmpty());
}

} // namespace
