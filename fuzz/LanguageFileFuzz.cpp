// Language files as `lng check` reads them against the program's own key
// template, and language names as the settings and the command line give them.
#include "FuzzInput.h"
#include "LanguageFile.h"
#include "LanguageFileCheck.h"
#include "ProfileFile.h"

#include <QFileInfo>

namespace {
// The built-in template cut to two components of each window: the check does a
// file lookup per template key, so the whole template (some 450 keys) would
// make every input cost milliseconds and teach the fuzzer nothing more.
const TProfileFile& KeyTemplate()
{
    static const QString path = [] {
        QFile resource(QStringLiteral(":/i18n/Template.lng"));
        const QByteArray whole = resource.open(QIODevice::ReadOnly) ? resource.readAll() : QByteArray();
        const QString wholePath = WriteFuzzFile(reinterpret_cast<const std::uint8_t*>(whole.constData()),
                                                std::size_t(whole.size()), QStringLiteral("Whole.lng"));
        const TProfileFile template_(wholePath);
        QByteArray cut;
        for (const QString& section : template_.Sections()) {
            cut += '[' + section.toLatin1() + "]\r\n";
            for (const QString& key : template_.Keys(section).mid(0, 4))
                cut += key.toLatin1() + '=' + template_.ReadString(section, key).toLatin1() + "\r\n";
        }
        return WriteFuzzFile(reinterpret_cast<const std::uint8_t*>(cut.constData()), std::size_t(cut.size()),
                             QStringLiteral("Template.lng"));
    }();
    static const TProfileFile keyTemplate(path);
    return keyTemplate;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const TProfileFile& keyTemplate = KeyTemplate();
    const QString path = WriteFuzzFile(data, size, QStringLiteral("Fuzz.lng"));
    if (path.isEmpty())
        return 0;
    const TLanguageCheck check = CheckLanguageFile(TProfileFile(path), keyTemplate);
    (void)FormatLanguageCheck(check);

    // A language name never leads out of the folder it is looked up in.
    const QString folder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    const qsizetype nameEnd = qsizetype(std::find(data, data + size, std::uint8_t('\n')) - data);
    const QString name = QString::fromLatin1(reinterpret_cast<const char*>(data), std::min<qsizetype>(nameEnd, 64));
    const QString found = LanguageFilePath({folder}, name);
    if (!found.isEmpty() && (!found.startsWith(folder) || found.mid(folder.size()).contains(QLatin1Char('/'))))
        __builtin_trap();
    return 0;
}
