// Mail texts as a technician types them: CorrectMail, then the frame built
// from them (sent to a silent line).
#include "FuzzInput.h"
#include "NumberConverting.h"
#include "SndMail.h"

namespace {
class TSilentChannel final : public TVirtualCom {
public:
    [[nodiscard]] bool IsOpen() const override { return true; }
    [[nodiscard]] std::uint8_t ComNumber() const override { return 1; }
    [[nodiscard]] std::int32_t Baud() const override { return 9600; }
    [[nodiscard]] bool Dcd() const override { return false; }
    [[nodiscard]] bool Cts() const override { return false; }
    [[nodiscard]] bool Dsr() const override { return false; }
    bool Open(std::uint8_t, std::int32_t) override { return true; }
    bool Close() override { return true; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void FlushIn() override {}
    void FlushOut() override {}
    void SetHardwareFlow(bool) override {}
    int Write(const QByteArray& block) override { return static_cast<int>(block.size()); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EnsureApplication();
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const QString corrected = TMailControl::CorrectMail(text);
        // Normalising twice changes nothing.
        if (TMailControl::CorrectMail(corrected) != corrected)
            __builtin_trap();
    }
    catch (const EMailControlError&) {
        return 0;
    }
    TSilentChannel channel;
    TMailControl link(&channel);
    link.ShowDialogs = false;
    link.AnswerTimeout = 0;
    link.GapTimeout = 0;
    link.ReadbackDelay = 0;
    link.MaxWriteAttempts = 1;
    try {
        (void)link.SendMail(text);
    }
    catch (const EMailControlError&) {
    }
    catch (const ENumberConvertingError&) {
    }
    return 0;
}
