// Menu files as `menu check` and the Download page read them: split into
// lines, each line read, the whole file checked and its verdict worded.
#include "FuzzInput.h"
#include "MenuFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList lines = TMenuFile::SplitLines(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const TMenuCheck check = TMenuFile::Check(lines);
    (void)TMenuFile::CheckText(check);
    for (const QString& text : lines) {
        const TMenuLine line = TMenuFile::ReadLine(text);
        (void)TMenuFile::ProblemText(line);
        // A sound write carries exactly its count of data bytes, "hh " each.
        if (line.Ok() && !line.skipped && line.write.dataText.size() != 3 * line.write.count)
            __builtin_trap();
    }
    const int percent = TMenuFile::GaugePercent(check.writes, int(lines.size()));
    if (percent < 0 || percent > 100)
        __builtin_trap();
    return 0;
}
