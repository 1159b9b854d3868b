// "menu check", "menu play" and "menu verify" on the menu file rules of the Download page.
#include "CliMenu.h"

#include "CliApp.h"
#include "CliGroups.h"
#include "CliGuard.h"

#include "DeviceIdentity.h"
#include "MenuFile.h"
#include "MenuPlayer.h"
#include "MenuVerifier.h"
#include "NumberConverting.h"
#include "SndMail.h"
#include "WriteJournal.h"

#include <QJsonObject>

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
    int writes = 0;
    if (!LoadCheckedMenu(s, file, TMenuUse::Count, &writes))
        return kExitUsage;
    s.Output().Result(QStringLiteral("menu-check"), {{"writes", writes}}, QStringLiteral("%1\n").arg(writes));
    return kExitDone;
}

int Play(TCliSession& s, const TMenuArgs& args)
{
    const std::optional<TMenuLines> lines = LoadCheckedMenu(s, args.file, TMenuUse::Play);
    if (!lines)
        return kExitUsage;
    return PlayMenuLines(s, *lines, {MenuTargetKind(*lines), "menu play", args.force, false});
}

// Progress "33 %", each value once.
std::function<void(int, int)> PercentProgress(TCliSession& s)
{
    return [&s, shown = -1](int, int percent) mutable {
        if (percent == shown)
            return;
        shown = percent;
        s.Output().Progress(percent, QStringLiteral("%1 %\n").arg(percent));
    };
}

QString CellsText(const TCellRun& run)
{
    return QStringLiteral("%1%2-%3%4")
        .arg(ByteToHex(run.address >> 8), ByteToHex(run.address & 0xFF), ByteToHex(run.Last() >> 8),
             ByteToHex(run.Last() & 0xFF));
}

// The device's identity against the one the file was read from: what is done
// with the identity cells, said in one line; kExitDone unless refused.
int DecideIdentityCells(TCliSession& s, TMailControl& link, const TMenuLines& lines, const TPlayRequest& request,
                        bool verifying, TIdentityDecision& decision)
{
    const TIdentityCheck check = CheckIdentity(link, lines, request.writeIdentity, request.force);
    decision = check.decision;
    if (!check.file.Carried() || !decision.cells)
        return kExitDone;
    const TFileIdentity& file = check.file;
    const TDeviceIdentity& device = check.device;
    const DeviceKind kind = file.kind.value_or(DeviceKind::Handset);
    const QString fileIdentity = file.identity.isEmpty() ? QStringLiteral("none") : file.identity;
    const QString cells = CellsText(*decision.cells);
    using TAction = TIdentityDecision::TAction;
    switch (decision.action) {
    case TAction::WriteAll:
        TWriteJournal::SetDevice(kind, device.text);
        return kExitDone;
    case TAction::KeepDevice:
        TWriteJournal::SetDevice(kind, device.text);
        s.Err() << "identity kept: the device's is " << device.Described() << ", the file was read from "
                << fileIdentity << "; "
                << (verifying ? "its identity cells " + cells + " are compared apart"
                              : "its identity cells " + cells +
                                    " were left as they are (restore --write-identity writes them too)")
                << "\n";
        return kExitDone;
    case TAction::WriteIdentity:
        TWriteJournal::SetDevice(kind,
                                 QStringLiteral("identity written: %1 over %2").arg(fileIdentity, device.Described()));
        s.Err() << "identity written: the file's " << fileIdentity << " over the device's " << device.Described()
                << " (cells " << cells << ")\n";
        return kExitDone;
    case TAction::FileDisagrees:
        s.Err() << "the file's lines at " << cells << " write the identity " << fileIdentity
                << ", but its \"REM identity:\" line names another; the file is damaged or was edited. Nothing was "
                   "written.\n";
        return kExitUsage;
    case TAction::Refuse:
        break;
    }
    if (device.state == TDeviceIdentity::TState::Unread) {
        s.Err() << "the device's identity cells " << cells << " gave no valid answer; nothing was written\n";
        return kExitNoAnswer;
    }
    s.Err() << "the device's identity is " << device.text << "; --write-identity writes the file's (" << fileIdentity
            << ") only into a blank or invalid identity, with --force over any. Nothing was written.\n";
    return kExitWrongModel;
}

int Verify(TCliSession& s, const std::string& file)
{
    const std::optional<TMenuLines> loaded = LoadCheckedMenu(s, file, TMenuUse::Verify);
    if (!loaded)
        return kExitUsage;
    const TMenuLines& lines = *loaded;
    const TDeviceAccess device = OpenDevice(s, {kCheckConnected, true, std::nullopt, "menu verify", false, false});
    if (!device)
        return device.exit;
    TIdentityDecision identity;
    if (const int refused = DecideIdentityCells(s, *device.link, lines, {}, true, identity))
        return refused;
    TMenuVerifier verifier(*device.link);
    verifier.SetApart = identity.KeptCells();
    verifier.OnLineDone = PercentProgress(s);
    const TMenuVerifyResult result = verifier.Verify(lines);
    for (const TMenuDifference& d : result.differences)
        s.Output().Result(QStringLiteral("difference"),
                          {{"line", d.line},
                           {"address", ByteToHex(d.address >> 8) + ByteToHex(d.address & 0xFF)},
                           {"device", d.device},
                           {"file", d.file},
                           {"identity", d.identity}},
                          d.Text() + "\n");
    if (result.end != TMenuVerifyResult::TEnd::Completed) {
        if (result.end == TMenuVerifyResult::TEnd::NoAnswer)
            s.Err() << "line " << result.failedLine
                    << ": no valid answer for its cells: " << lines.TextOfLine(result.failedLine) << "\n";
        return kExitNoAnswer;
    }
    const int settings = result.SettingDifferences();
    s.Output().Result(QStringLiteral("menu-verify"),
                      {{"differences", settings}, {"identity-differences", int(result.differences.size()) - settings}},
                      {});
    return settings == 0 ? kExitDone : kExitDiffers;
}
} // namespace menu
} // namespace

std::optional<TMenuLines> LoadCheckedMenu(TCliSession& s, const std::string& path, TMenuUse use, int* writes)
{
    TMenuLines lines;
    QString error;
    if (!TMenuFile::Load(FromArg(path), lines, error)) {
        s.Err() << FromArg(path) << ": " << error << "\n";
        return std::nullopt;
    }
    const TMenuCheck check = TMenuFile::Check(lines);
    if (!check.Ok()) {
        s.Err() << FromArg(path) << ": " << TMenuFile::CheckText(check) << "\n";
        return std::nullopt;
    }
    // A file of empty and REM lines only must not end as if it had been played.
    if (use != TMenuUse::Count && check.writes == 0) {
        s.Err() << FromArg(path) << ": no line writes a cell (only empty and REM lines); "
                << (use == TMenuUse::Play ? "nothing was sent" : "nothing was compared") << "\n";
        return std::nullopt;
    }
    if (writes)
        *writes = check.writes;
    return lines;
}

int PlayMenuLines(TCliSession& s, const TMenuLines& lines, const TPlayRequest& request)
{
    using namespace menu;
    const TDeviceAccess device =
        OpenDevice(s, {kCheckConnected, true, request.kind, request.command, request.force, false});
    if (!device)
        return device.exit;
    TIdentityDecision identity;
    if (const int refused = DecideIdentityCells(s, *device.link, lines, request, false, identity))
        return refused;
    TMenuPlayer player(*device.link);
    player.LeaveOut = identity.KeptCells();
    player.OnLineDone = PercentProgress(s);
    const TMenuPlayResult result = player.Play(lines);
    const bool completed = result.end == TMenuPlayResult::TEnd::Completed;
    const int failed = result.done + 1;
    if (!completed)
        s.Err() << "Download - FAIL !!\n"
                << "line " << failed << ": " << lines.TextOfLine(failed) << "\n";
    QJsonObject json{{"written", result.written}};
    if (!completed)
        json.insert(QStringLiteral("failed-line"), failed);
    s.Output().Result(QString::fromStdString(request.command).replace(QLatin1Char(' '), QLatin1Char('-')), json,
                      QStringLiteral("%1\n").arg(result.written));
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
           "first bad line as \"FILE: line N: reason\" (exit 1)",
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
           "check the file, read every cell it writes and compare it with the last value\n"
           "the file writes into it; print each line (the last to write a cell) whose\n"
           "cells differ as \"line N: ADDR device XX file YY\" (from its first differing\n"
           "cell to its last); exit 0 when all match, 7 when any differ. A backup read\n"
           "from a device of another identity names the identity cells apart\n"
           "(\"line N: ADDR identity device XX file YY\"); they do not count",
           [verifyFile](TCliSession& s) { return Verify(s, *verifyFile); }, family)
        ->add_option("FILE", *verifyFile, "the menu file, a backup for example")
        ->type_name("FILE")
        ->required();
}
