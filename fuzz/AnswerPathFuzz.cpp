// Arbitrary bytes, delivered in arbitrary chunks, into reads and writes of the
// link: one-wire or two-wire, part of them late (only when the link looks).
#include "FuzzChannel.h"
#include "FuzzInput.h"

#include <utility>
#include <vector>

namespace {
class TFuzzChannel final : public TFuzzChannelBase {
public:
    TFuzzChannel() : TFuzzChannelBase(115200) {}
    std::vector<QByteArray> now;  // delivered while the frame is written
    std::vector<QByteArray> late; // delivered when the link looks for held-back bytes
    bool echo = true;

    int Write(const QByteArray& block) override
    {
        if (echo && block.size() > 1)
            Deliver(block);
        const std::vector<QByteArray> chunks = std::exchange(now, {});
        for (const QByteArray& chunk : chunks)
            Deliver(chunk);
        return static_cast<int>(block.size());
    }
    void DeliverPending() override
    {
        const std::vector<QByteArray> chunks = std::exchange(late, {});
        for (const QByteArray& chunk : chunks)
            Deliver(chunk);
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EnsureApplication();
    TFuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::uint8_t count = in.Byte();
    TFuzzChannel channel;
    channel.echo = (flags & 1) != 0;
    while (!in.Empty()) {
        const std::uint8_t head = in.Byte();
        (head & 0x80 ? channel.late : channel.now).push_back(in.Bytes(head & 0x7F));
    }
    TMailControl link(&channel);
    MakeImpatient(link);
    link.SetEchoOn(channel.echo);
    link.SetEchoBack((flags & 2) != 0);
    std::uint8_t buf[256];
    switch ((flags >> 2) & 3) {
    case 0:
        (void)link.ReadEepromText(0x40, 0x00, count);
        break;
    case 1:
        (void)link.ReadEepromBytes(0x40, 0x00, count, std::span<std::uint8_t>(buf, count % 16));
        break;
    case 2: {
        const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        (void)link.WriteEepromBlock(0x100, bytes, count % 9);
        break;
    }
    default:
        (void)link.SendMail(QStringLiteral("02 3A 00"));
        (void)link.AnswerWellFormed();
        try {
            (void)link.RcvArray(buf);
        }
        catch (const EMailControlError&) {
        }
        break;
    }
    return 0;
}
