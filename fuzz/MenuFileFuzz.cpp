// Menu files as `menu check` and the Download page read them: split into
// lines, the whole file checked and its verdict worded.
#include "FuzzInput.h"
#include "MenuFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const TMenuLines lines = TMenuFile::SplitLines(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const TMenuCheck check = TMenuFile::Check(lines);
    (void)TMenuFile::CheckText(check);
    // The check reads every line up to the first bad one; the last line is read
    // once more for what a sound write carries: its count of data bytes, "hh " each.
    if (!lines.isEmpty()) {
        const TMenuLine last = TMenuFile::ReadLine(lines[lines.size() - 1]);
        if (last.Ok() && !last.skipped && last.write.dataText.size() != 3 * last.write.count)
            __builtin_trap();
    }
    const int percent = TMenuFile::GaugePercent(check.writes, lines.LineCount());
    if (percent < 0 || percent > 100)
        __builtin_trap();
    return 0;
}
