// "journal": the writes the program sent to devices.
#include "CliApp.h"
#include "CliGroups.h"

#include "WriteJournal.h"

#include <QCoreApplication>
#include <QJsonObject>

namespace {
namespace journal {
const std::string kGroup = "Journal commands";

int Journal(TCliSession& s, const std::string& last)
{
    const QString path = TWriteJournal::DefaultPath(QCoreApplication::applicationDirPath());
    QStringList entries;
    QString error;
    if (!TWriteJournal::Entries(path, last.empty() ? -1 : *ParseDecimal(FromArg(last)), entries, error)) {
        s.Err() << error << "\n";
        return kExitUsage;
    }
    if (entries.isEmpty())
        s.Err() << path << ": no writes journalled\n";
    // The header's names are the fields' names.
    const QStringList names = TWriteJournal::kHeader.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QJsonObject json;
        const QStringList fields = entries[i].split(QLatin1Char('\t'));
        // A line cut short (by an older program on a full disk) with the next one
        // glued on would give fields that belong to others: it is shown whole.
        if (fields.size() != names.size())
            json = {{"damaged", true}, {"line", entries[i]}};
        else
            for (qsizetype f = 0; f < names.size(); ++f)
                json.insert(names[f], fields[f]);
        s.Output().Result(QStringLiteral("journal-entry"), json,
                          (i == 0 ? TWriteJournal::kHeader + "\n" : QString()) + entries[i] + "\n");
    }
    s.Output().Result(QStringLiteral("journal"), {{"file", path}, {"entries", int(entries.size())}}, {});
    return kExitDone;
}
} // namespace journal
} // namespace

void AddJournalCommands(TCliApp& cli)
{
    using namespace journal;
    auto last = std::make_shared<std::string>();
    cli.AddCommand(kGroup, "journal",
                   "print the journal of writes (every EEPROM write the windows and this program\n"
                   "sent, tab-separated: time, program, port, rate, kind, identity, address,\n"
                   "bytes, result), oldest first",
                   [last](TCliSession& s) { return Journal(s, *last); })
        ->add_option("--last", *last, "only the last N writes")
        ->type_name("N")
        ->check(DecimalCheck("a number", [](int) { return true; }));
}
