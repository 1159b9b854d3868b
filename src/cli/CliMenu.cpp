// "menu check" and "menu play" on the menu file rules of the Download page.
#include "CliApp.h"
#include "CliGroups.h"

#include "MenuFile.h"
#include "MenuPlayer.h"
#include "SndMail.h"

namespace {
const std::string kGroup = "Menu file commands";

// Reads and checks the file; reports and returns false when it is unusable.
bool LoadChecked(TCliSession& s, const QString& path, QStringList& lines, TMenuCheck& check)
{
    QString error;
    if (!TMenuFile::Load(path, lines, error)) {
        s.Err() << path << ": " << error << "\n";
        return false;
    }
    check = TMenuFile::Check(lines);
    if (!check.Ok()) {
        s.Err() << TMenuFile::CheckText(check) << "\n";
        return false;
    }
    return true;
}

int Check(TCliSession& s, const std::string& file)
{
    QStringList lines;
    TMenuCheck check;
    if (!LoadChecked(s, FromArg(file), lines, check))
        return kExitUsage;
    s.Out() << check.writes << "\n";
    return kExitDone;
}

int Play(TCliSession& s, const std::string& file)
{
    QStringList lines;
    TMenuCheck check;
    if (!LoadChecked(s, FromArg(file), lines, check))
        return kExitUsage;
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    if (link->ProbeDevice(1000) <= 0) {
        s.Err() << "Please check that the handset is connected properly !!!!\n";
        return kExitNoAnswer;
    }
    TMenuPlayer player(*link);
    int shown = -1;
    player.OnLineDone = [&](int, int percent) {
        if (percent == shown)
            return;
        shown = percent;
        s.Err() << percent << " %\n";
        s.Err().flush();
    };
    const TMenuPlayResult result = player.Play(lines);
    if (result.end != TMenuPlayResult::TEnd::Completed) {
        const int failed = result.done + 1;
        s.Err() << "Download - FAIL !!\n"
                << "line " << failed << ": " << lines.value(failed - 1) << "\n";
    }
    s.Out() << result.written << "\n";
    return result.end == TMenuPlayResult::TEnd::Completed ? kExitDone : kExitNotConfirmed;
}
} // namespace

void AddMenuCommands(TCliApp& cli)
{
    CLI::App* family = cli.AddFamily(kGroup, "menu", "check or play a menu file (one EEPROM write per line)");

    auto checkFile = std::make_shared<std::string>();
    cli.AddCommand(
           kGroup, "check",
           "check the whole file without a port; prints the number of writes, or the\n"
           "first bad line as \"line N: reason\" (exit 1)",
           [checkFile](TCliSession& s) { return Check(s, *checkFile); }, family)
        ->add_option("FILE", *checkFile, "the menu file")
        ->type_name("FILE")
        ->required();

    auto playFile = std::make_shared<std::string>();
    cli.AddCommand(
           kGroup, "play",
           "check the file, probe the handset, then write the lines in order with\n"
           "read-back; progress (\"33 %\") on standard error, the lines written on\n"
           "standard output",
           [playFile](TCliSession& s) { return Play(s, *playFile); }, family)
        ->add_option("FILE", *playFile, "the menu file")
        ->type_name("FILE")
        ->required();
}
