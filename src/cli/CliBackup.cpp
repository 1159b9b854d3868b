// "backup" and "restore": a device's cells into a menu file and back.
#include "CliApp.h"
#include "CliGroups.h"
#include "CliGuard.h"
#include "CliMenu.h"

#include "AtomicFile.h"
#include "DeviceBackup.h"
#include "DeviceIdentity.h"
#include "SndMail.h"
#include "TpaProComImpl.h"
#include "WriteJournal.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {
namespace backup {
const std::string kGroup = "Backup commands";

struct TBackupArgs {
    std::string file;
    std::string range;
};

struct TRestoreArgs {
    std::string file;
    bool force = false;
    bool writeIdentity = false;
};

// "0000-07FF": one run of cells; none when the text is no such range.
std::optional<TCellRun> ParseRange(const QString& text)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    if (ends.size() != 2)
        return std::nullopt;
    const std::optional<int> from = ParseHexAddress(ends[0].trimmed());
    const std::optional<int> to = ParseHexAddress(ends[1].trimmed());
    if (!from || !to || *to < *from)
        return std::nullopt;
    return TCellRun{static_cast<std::uint16_t>(*from), *to - *from + 1};
}

int Backup(TCliSession& s, const TBackupArgs& args)
{
    std::vector<TCellRun> runs;
    if (!args.range.empty()) {
        const std::optional<TCellRun> run = ParseRange(FromArg(args.range));
        if (!run)
            return s.Usage(QStringLiteral("--range takes FROM-TO, two hexadecimal addresses, FROM not above TO"));
        runs.push_back(*run);
    }
    const QString path = FromArg(args.file);
    // Said before the device is read: its cells would have nowhere to go.
    if (QString why; !MayReplaceFile(path, &why)) {
        s.Err() << QStringLiteral("Cannot write \"%1\": %2; nothing was read or replaced\n").arg(path, why);
        return kExitUsage;
    }
    TDeviceNeeds needs;
    needs.noAnswerText = "Could not connect to device !";
    needs.command = "backup";
    needs.identify = true;
    needs.writes = false;
    const TDeviceAccess device = OpenDevice(s, needs);
    if (!device)
        return device.exit;
    TSendmail* link = device.link;
    if (runs.empty())
        runs = ProgramCells(device.kind);

    TBackupHeader header;
    header.kind = device.kind;
    header.identity = ReadDeviceIdentity(*link, device.kind).text;
    TWriteJournal::SetDevice(device.kind, header.identity);
    header.port = s.PortName();
    if (link->Port().DevicePath() != header.port)
        header.port += QStringLiteral(" (%1)").arg(link->Port().DevicePath());
    header.rate = link->Port().Baud();
    header.runs = runs;
    header.date = QDateTime::currentDateTime();

    TDeviceBackup backup(*link);
    int shown = -1;
    backup.OnProgress = [&](int done, int total) {
        const int percent = TMenuFile::GaugePercent(done, total);
        if (percent == shown)
            return;
        shown = percent;
        s.Output().Progress(percent, QStringLiteral("%1 %\n").arg(percent));
    };
    const TBackupRead read = backup.Read(runs);
    if (!read.complete) {
        if (!read.stopped)
            s.Err() << QStringLiteral("cell %1 got no valid answer; no backup was written\n")
                           .arg(QString::number(read.failedAddress, 16).toUpper().rightJustified(4, QLatin1Char('0')));
        return kExitNoAnswer;
    }
    QString error;
    if (!WriteFileAtomically(path, BackupFileBytes(header, read.lines), nullptr, &error)) {
        s.Err() << path << ": " << error << "\n";
        return kExitUsage;
    }
    s.Output().Result(QStringLiteral("backup"),
                      {{"file", path},
                       {"lines", int(read.lines.size())},
                       {"kind", DeviceKindName(header.kind)},
                       {"identity", header.identity.isEmpty() ? QJsonValue() : QJsonValue(header.identity)}},
                      QStringLiteral("%1\n").arg(read.lines.size()));
    return kExitDone;
}

int Restore(TCliSession& s, const TRestoreArgs& args)
{
    const std::optional<TMenuLines> lines = LoadCheckedMenu(s, args.file, TMenuUse::Play);
    if (!lines)
        return kExitUsage;
    const std::optional<DeviceKind> kind = BackupKindOf(*lines);
    if (!kind) {
        s.Err() << FromArg(args.file)
                << ": names no kind of device (no \"REM kind: ...\" line); 'menu play' plays it into a handset\n";
        return kExitUsage;
    }
    return PlayMenuLines(s, *lines, {*kind, "restore", args.force, args.writeIdentity});
}
} // namespace backup
} // namespace

void AddBackupCommands(TCliApp& cli)
{
    using namespace backup;
    auto backup = std::make_shared<TBackupArgs>();
    CLI::App* backupCommand =
        cli.AddCommand(kGroup, "backup",
                       "identify the device and read its cells into FILE, a menu file with REM lines\n"
                       "naming the kind, identity, port, rate, range and date; by default every cell\n"
                       "the program reads or writes on that kind; progress on standard error, the\n"
                       "number of lines on standard output; a cell without a valid answer leaves no\n"
                       "file (exit 3)",
                       [backup](TCliSession& s) { return Backup(s, *backup); });
    backupCommand->add_option("FILE", backup->file, "the backup file (replaced whole)")->type_name("FILE")->required();
    backupCommand->add_option("--range", backup->range, "the cells to read instead, inclusive, e.g. 0000-07FF")
        ->type_name("FROM-TO");

    auto restore = std::make_shared<TRestoreArgs>();
    CLI::App* restoreCommand = cli.AddCommand(kGroup, "restore",
                                              "play a backup as 'menu play' does, into a device of the kind that its\n"
                                              "header names; a device of another identity keeps its identity cells\n"
                                              "(a handset's 0040h-0044h) and the one line on standard error names both",
                                              [restore](TCliSession& s) { return Restore(s, *restore); });
    restoreCommand->add_option("FILE", restore->file, "the backup file")->type_name("FILE")->required();
    AddForceOption(restoreCommand, restore->force);
    restoreCommand->add_flag("--write-identity", restore->writeIdentity,
                             "write the backup's identity cells too: into a device whose identity is\n"
                             "blank or invalid (a wiped handset), or with --force over any");
}
