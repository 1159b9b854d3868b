// INI files as other programs and hands leave them, read and written back.
#include "FuzzInput.h"
#include "ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = WriteFuzzFile(data, size, QStringLiteral("fuzz.ini"));
    if (path.isEmpty())
        return 0;
    TProfileFile ini(path);
    for (const QString& section : ini.Sections())
        for (const QString& key : ini.Keys(section))
            (void)ini.ReadBool(section, key, false); // reads the string and the integer on the way
    const QString value = QStringLiteral("v%1").arg(size);
    if (ini.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Key"), value) &&
        ini.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Key")) != value)
        __builtin_trap();
    return 0;
}
