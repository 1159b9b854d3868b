// Mail texts as a technician types them: CorrectMail, then the frame built
// from them (sent to a silent line).
#include "FuzzChannel.h"
#include "FuzzInput.h"
#include "NumberConverting.h"

namespace {
class TSilentChannel final : public TFuzzChannelBase {
public:
    TSilentChannel() : TFuzzChannelBase(9600) {}
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
    MakeImpatient(link);
    try {
        (void)link.SendMail(text);
    }
    catch (const EMailControlError&) {
    }
    catch (const ENumberConvertingError&) {
    }
    return 0;
}
