// The repeater's code cells as a device answers them and as a technician types them.
#include "FuzzInput.h"
#include "RepeaterRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    const int base = in.Byte();
    const QString text = QString::fromLatin1(in.Rest());
    (void)TRepeaterRules::MultiCellCodeToText(text);
    (void)TRepeaterRules::SingleCellCodeToText(text);
    (void)TRepeaterRules::CellsHexText(text);
    (void)TRepeaterRules::BusyBitTextAllowed(text, base & 1);
    (void)TRepeaterRules::MultibaseFromCode(static_cast<std::uint8_t>(base));
    if (TRepeaterRules::MultiCellCodeValid(text))
        (void)TRepeaterRules::MultiCellCodeToText(TRepeaterRules::TextToMultiCellCode(text));
    if (TRepeaterRules::SingleCellCodeValid(text))
        (void)TRepeaterRules::SingleCellCodeToText(TRepeaterRules::TextToSingleCellCode(text, base & 7));
    return 0;
}
