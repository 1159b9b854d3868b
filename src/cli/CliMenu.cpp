// "menu check", "menu play" and "menu verify" on the menu file rules of the Download page.
#include "CliMenu.h"

#include "CliApp.h"
#include "CliGroups.h"
#include "CliGuard.h"

#include "MenuFile.h"
#include "MenuPlayer.h"
#include "MenuVerifier.h"
#include "SndMail.h"

namespace {
namespace menu {
const std::string kGroup = "Menu file commands";
const char* const kCheckConnected = "Please check that the handset is connected properly !!!!";

struct TMenuArgs {
    std::string file;
    bool force = false;
};

int Check(TCliSession& s, const std::string& file)
{
    QStringList lines;
    TMenuCheck check;
    if (!LoadCheckedMenu(s, FromArg(file), lines, check))
        return kExitUsage;
    s.Out() << check.writes << "\n";
    return kExitDone;
}

int Play(TCliSession& s, const TMenuArgs& args)
{
    QStringList lines;
    TMenuCheck check;
    if (!LoadCheckedMenu(s, FromArg(args.file), lines, check))
        return kExitUsage;
    return PlayMenuLines(s, lines, TBackupKind::Handset, "menu play", args.force);
}

// Progress lines "33 %" on standard error, each value once.
std::function<void(int, int)> PercentOnErr(TCliSession& s)
{
    return [&s, shown = -1](int, int percent) mutable {
        if (percent == shown)
            return;
        shown = percent;
        s.Err() << percent << " %\n";
        s.Err().flush();
    };
}

int Verify(TCliSession& s, const std::string& file)
{
    QStringList lines;
    TMenuCheck check;
    if (!LoadCheckedMenu(s, FromArg(file), lines, check))
        return kExitUsage;
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    if (link->ProbeDevice(1000) <= 0) {
        s.Err() << kCheckConnected << "\n";
        return kExitNoAnswer;
    }
    TMenuVerifier verifier(*link);
    verifier.OnLineDone = PercentOnErr(s);
    const TMenuVerifyResult result = verifier.Verify(lines);
    for (const TMenuDifference& d : result.differences)
        s.Out() << d.Text() << "\n";
    if (result.end != TMenuVerifyResult::TEnd::Completed) {
        if (result.end == TMenuVerifyResult::TEnd::NoAnswer)
            s.Err() << "line " << result.failedLine
                    << ": no valid answer for its cells: " << lines.value(result.failedLine - 1) << "\n";
        return kExitNoAnswer;
    }
    return result.differences.empty() ? kExitDone : kExitDiffers;
}
} // namespace menu
} // namespace

bool LoadCheckedMenu(TCliSession& s, const QString& path, QStringList& lines, TMenuCheck& check)
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

int PlayMenuLines(TCliSession& s, const QStringList& lines, TBackupKind kind, const std::string& command, bool force)
{
    using namespace menu;
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    if (force) {
        if (link->ProbeDevice(1000) <= 0) {
            s.Err() << kCheckConnected << "\n";
            return kExitNoAnswer;
        }
    }
    else if (const int refused = CheckDeviceKind(s, *link, kind, command, false, kCheckConnected)) {
        return refused;
    }
    TMenuPlayer player(*link);
    player.OnLineDone = PercentOnErr(s);
    const TMenuPlayResult result = player.Play(lines);
    if (result.end != TMenuPlayResult::TEnd::Completed) {
        const int failed = result.done + 1;
        s.Err() << "Download - FAIL !!\n"
                << "line " << failed << ": " << lines.value(failed - 1) << "\n";
    }
    s.Out() << result.written << "\n";
    return result.end == TMenuPlayResult::TEnd::Completed ? kExitDone : kExitNotConfirmed;
}

void AddMenuCommands(TCliApp& cli)
{
    using namespace menu;
    CLI::App* family = cli.AddFamily(kGroup, "menu", "check, play or verify a menu file (one EEPROM write per line)");

    auto checkFile = std::make_shared<std::string>();
    cli.AddCommand(
           kGroup, "check",
           "check the whole file without a port; prints the number of writes, or the\n"
           "first bad line as \"line N: reason\" (exit 1)",
           [checkFile](TCliSession& s) { return Check(s, *checkFile); }, family)
        ->add_option("FILE", *checkFile, "the menu file")
        ->type_name("FILE")
        ->required();

    auto play = std::make_shared<TMenuArgs>();
    CLI::App* playCommand = cli.AddCommand(
        kGroup, "play",
        "check the file, make sure a handset answers, then write the lines in order\n"
        "with read-back; progress (\"33 %\") on standard error, the lines written on\n"
        "standard output",
        [play](TCliSession& s) { return Play(s, *play); }, family);
    playCommand->add_option("FILE", play->file, "the menu file")->type_name("FILE")->required();
    AddForceOption(playCommand, play->force);

    auto verifyFile = std::make_shared<std::string>();
    cli.AddCommand(
           kGroup, "verify",
           "check the file, read every cell a line would write and print each line\n"
           "whose cells differ as \"line N: ADDR device XX file YY\" (from its first\n"
           "differing cell to its last); exit 0 when all match, 7 when any differ",
           [verifyFile](TCliSession& s) { return Verify(s, *verifyFile); }, family)
        ->add_option("FILE", *verifyFile, "the menu file, a backup for example")
        ->type_name("FILE")
        ->required();
}
