// Received blocks and comments as the monitor turns them into line texts,
// hints, saved lines and concatenated entries.
#include "FuzzInput.h"
#include "MonitorRules.h"
#include "TrafficEntry.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    TTrafficEntryBuilder builder;
    builder.SetClock([] { return QStringLiteral("12:00:00:000000"); });
    const TColumnCaptions captions;
    std::vector<TTrafficEntry> entries;
    // Each entry costs some dozens of allocations under the sanitizers; past a
    // handful of entries an input only gets slower, not different.
    constexpr std::size_t kMaxEntries = 8;
    while (!in.Empty() && entries.size() < kMaxEntries) {
        const std::uint8_t head = in.Byte();
        const QByteArray bytes = in.Bytes(head & 0x3F);
        switch (head >> 6) {
        case 0:
            entries.push_back(builder.FromTraffic(TrafficDirection::Received, bytes));
            break;
        case 1:
            entries.push_back(builder.FromTraffic(TrafficDirection::Sent, bytes));
            break;
        case 2:
            entries.push_back(builder.FromInfo(InfoKind::PortState, QString::fromLatin1(bytes), {}));
            break;
        default:
            entries.push_back(builder.FromInfo(InfoKind::Comment, QString::fromLatin1(bytes), QStringLiteral("CRC")));
            break;
        }
        (void)LineText(entries.back(), captions);
        (void)HintText(entries.back(), captions);
    }
    (void)LinesText(entries, captions);
    if (entries.size() >= 2)
        (void)ConcatenateEntries(entries);
    (void)EntriesToTrim(static_cast<int>(entries.size()), static_cast<int>(size % 200));
    return 0;
}
