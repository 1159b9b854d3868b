// The flash loader's indication lines, the hook order, and the hooks arriving
// on the application's thread in the order a library thread sent them.
#include "FlashIndication.h"
#include "FlashLoadSC14428.h"
#include "support/WaitFor.h"

#include <QThread>
#include <gmock/gmock.h>
#include <thread>

namespace {

FLoaderIndication Record(uint16_t type, uint32_t value = 0, uint32_t value2 = 0, uint16_t id = 0)
{
    FLoaderIndication r{};
    r.Type = type;
    r.LoaderId = id;
    r.Data.Values.Value = value;
    r.Data.Values.Value2 = value2;
    return r;
}

FLoaderIndication Words(uint16_t type, uint16_t w1, uint16_t w2 = 0)
{
    FLoaderIndication r{};
    r.Type = type;
    r.Data.Words.Word1 = w1;
    r.Data.Words.Word2 = w2;
    return r;
}

QString LineOf(const FLoaderIndication& r) { return DescribeIndication(TIndicationRecord::Copy(r)).Text; }

TEST(FlashIndication, LinesByType)
{
    FLoaderIndication text{};
    text.Type = TEXT_INFO_IND;
    memset(text.Data.Text, 'x', sizeof text.Data.Text); // no terminator: copied to the record's end only
    const struct {
        FLoaderIndication record;
        QString line;
    } cases[] = {
        {Record(START_PROGRAM_IND), QStringLiteral("[00] START_PROGRAM_IND")},
        {Record(PROGRAM_PROGRESS_IND, 0x1234), QStringLiteral("[00] PROGRAM_PROGRESS_IND [Addr=00001234]")},
        {Words(FLASHTYPE_IND, 0x00BF, 0x2780), QStringLiteral("[00] FLASHTYPE_IND [Manu.Code=00BF][Device ID=2780]")},
        {Record(STOP_PROGRAM_IND, 2048), QStringLiteral("[00] STOP_PROGRAM_IND [Time 2048 msec] ")},
        {Words(COMPORT_CTRL_IND, 9), QStringLiteral("[00] COMPORT_CTRL_IND [??????? [0009]]")},
        {Words(COMPORT_CTRL_IND, FLOADER_RTS_CLR), QStringLiteral("[00] COMPORT_CTRL_IND [RTS_CLR]")},
        {Record(0), QStringLiteral("[00] ### UNKNOWN MAIL ### LoaderPrimitiveType = 0 Hex")},
        {Record(0x011B), QStringLiteral("[00] ### UNKNOWN MAIL ### LoaderPrimitiveType = 1B Hex")},
        {Record(START_PROGRAM_IND, 0, 0, 0x123), QStringLiteral("[123] START_PROGRAM_IND")},
        {Words(MAIL_ERROR_IND, 0x3), QStringLiteral("[00] MAIL_ERROR_IND  ### MAIL ERROR[0003] ###")},
        {Record(CRC_OK_IND, 0xCBF43926, 0xCBF43926),
         QStringLiteral("[00] CRC_OK_IND [File=CBF43926][Target=CBF43926]")},
        {Record(CRC_ERROR_IND, 1, 2),
         QStringLiteral("[00] CRC_ERROR_IND [File=00000001][Target=00000002]\r#########    CRC32  ERROR   #########")},
        {text, "[00] TEXT_INFO_IND [" + QString(int(sizeof text.Data.Text), QLatin1Char('x')) + "]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineOf(c.record), c.line);
}

TEST(FlashIndication, StatusLineOfAResultCode)
{
    EXPECT_EQ(LoaderHead(0) + FlashLoaderResultText(0), QStringLiteral("[00] NO_ERROR_FLASH_LOADER"));
    EXPECT_EQ(FlashLoaderResultText(1), QStringLiteral(" NO_ACCESS_COMPORT_FLASH_LOADER"));
    EXPECT_TRUE(FlashLoaderResultText(7).isEmpty());
}

class HookRecorder {
public:
    HookRecorder()
    {
        auto& h = FlashLoaderHooks();
        h.Log = [this](quint16, const QString& t) { Note(QStringLiteral("log ") + t); };
        h.Busy = [this](quint16, bool b) { Note(b ? QStringLiteral("busy on") : QStringLiteral("busy off")); };
        h.Error = [this](quint16, const QString&) { Note(QStringLiteral("error")); };
        h.Success = [this](quint16) { Note(QStringLiteral("success")); };
    }
    ~HookRecorder() { FlashLoaderHooks() = {}; }
    std::vector<std::string> calls;
    bool offThread = false;

private:
    void Note(const QString& call)
    {
        offThread = offThread || QThread::currentThread() != qApp->thread();
        calls.push_back(call.toStdString());
    }
};

TEST(FlashIndication, HookOrderPerType)
{
    HookRecorder hooks;
    for (uint16_t type : {START_PROGRAM_IND, CRC_OK_IND, CRC_ERROR_IND, COMMUNICATION_ERROR_IND, STOP_PROGRAM_IND}) {
        const FLoaderIndication r = Record(type);
        FlashIndicationHandler(&r);
    }
    EXPECT_TRUE(hooks.calls.empty()) << "hooks are posted, never called inside the handler";
    ASSERT_TRUE(tbtest::waitFor([&] { return hooks.calls.size() == 9; }));
    EXPECT_THAT(hooks.calls,
                testing::ElementsAre("busy on", "log [00] START_PROGRAM_IND",
                                     "log [00] CRC_OK_IND [File=00000000][Target=00000000]", "success",
                                     testing::StartsWith("log [00] CRC_ERROR_IND"), "log [00] COMMUNICATION_ERROR_IND",
                                     "error", "busy off", "log [00] STOP_PROGRAM_IND [Time 0 msec] "));
}

TEST(FlashIndication, HooksFromALibraryThreadArriveInOrderOnTheAppThread)
{
    HookRecorder hooks;
    constexpr int kCount = 500;
    std::thread library([] {
        for (int i = 0; i < kCount; ++i) {
            const FLoaderIndication r = Record(PROGRAM_PROGRESS_IND, uint32_t(i));
            FlashIndicationHandler(&r);
        }
    });
    library.join();
    ASSERT_TRUE(tbtest::waitFor([&] { return hooks.calls.size() == size_t(kCount); }));
    EXPECT_FALSE(hooks.offThread);
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(QString::fromStdString(hooks.calls[size_t(i)]),
                  "log [00] PROGRAM_PROGRESS_IND [Addr=" +
                      QStringLiteral("%1").arg(i, 8, 16, QLatin1Char('0')).toUpper() + "]");
}

TEST(FlashIndication, RegistrationGivesTheHandlerBack) { EXPECT_TRUE(RegisterFlashIndicationHandler()); }

} // namespace
