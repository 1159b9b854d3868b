// Indication records as libfloader hands them over (any type, any content,
// the text not necessarily terminated), worded and logged as the window does.
#include "FlashIndication.h"
#include "FlashLog.h"
#include "FuzzInput.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    TFlashLogList log;
    (void)FlashLoaderResultText(quint16(in.Byte() | in.Byte() << 8));
    while (!in.Empty()) {
        FLoaderIndication raw;
        std::memset(&raw, in.Byte(), sizeof raw);
        const QByteArray bytes = in.Bytes(sizeof raw);
        std::memcpy(&raw, bytes.constData(), std::size_t(bytes.size()));
        const TIndicationRecord record = TIndicationRecord::Copy(raw);
        if (record.Text.size() > qsizetype(sizeof raw.Data.Text))
            __builtin_trap();
        const TIndicationLine line = DescribeIndication(record);
        AddLoaderLogLine(log, line.Text);
    }
    return 0;
}
