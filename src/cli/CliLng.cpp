// "lng check FILE": the keys of a language file that name no component, and
// the components it leaves untranslated. Needs no port.
#include "CliApp.h"
#include "CliGroups.h"

#include "BoundedFile.h"
#include "LanguageFileCheck.h"
#include "ProfileFile.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {
namespace lng {
const std::string kGroup = "Language files";
} // namespace lng
} // namespace

void AddLngCommands(TCliApp& cli)
{
    using namespace lng;
    CLI::App* family = cli.AddFamily(kGroup, "lng", "check a language file against the program's windows");
    auto file = std::make_shared<std::string>();
    CLI::App* check = cli.AddCommand(
        kGroup, "check",
        "lists per window the keys that name no component (exit 1 when there are any) and the components left "
        "untranslated",
        [file](TCliSession& s) {
            const QString path = QString::fromStdString(*file);
            if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable()) {
                s.Err() << path << ": no readable file\n";
                return int(kExitUsage);
            }
            const TProfileFile language(path, TProfileFile::TEncoding::Windows1252, TFileKind::Language);
            if (const QString problem = language.ReadProblem(); !problem.isEmpty()) {
                s.Err() << problem << "\n";
                return int(kExitUsage);
            }
            if (const QStringList problems = LanguageFileLineProblems(language); !problems.isEmpty()) {
                for (const QString& problem : problems)
                    s.Err() << path << ": " << problem << "\n";
                return int(kExitUsage);
            }
            const TLanguageCheck result = CheckLanguageFile(language);
            for (const TLanguageCheck::TSection& section : result.sections)
                s.Output().Result(QStringLiteral("lng-window"),
                                  {{"window", section.name},
                                   {"known", section.knownWindow},
                                   {"unknown-keys", QJsonArray::fromStringList(section.unknownKeys)},
                                   {"untranslated", QJsonArray::fromStringList(section.untranslated)}},
                                  FormatLanguageCheck({{section}}));
            if (!result.HasUnknownKeys())
                return int(kExitDone);
            s.NoteReport(QStringLiteral("%1: keys that name no component").arg(path));
            return int(kExitUsage);
        },
        family);
    check->add_option("FILE", *file, "the language file (.lng)")->required();
}
