#pragma once

#include "MenuFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "DeviceKind.h"

class TMailControl;

// A backup of a device's cells is a menu file: REM lines naming what was read,
// then one line per piece of at most TMenuFile::kMaxCount cells, so that
// playing it writes the cells back.

struct TCellRun {
    std::uint16_t address = 0;
    int count = 0; // up to 65536
    [[nodiscard]] int Last() const { return address + count - 1; }
};

// Every cell the program itself reads or writes on a device of that kind.
[[nodiscard]] std::vector<TCellRun> ProgramCells(DeviceKind kind);
// "0000 001D 0040-0044": how the header names the runs.
[[nodiscard]] QString RunsText(const std::vector<TCellRun>& runs);

struct TBackupHeader {
    DeviceKind kind = DeviceKind::Handset;
    QString identity; // a handset's IPEI; empty when it has none
    QString port;
    int rate = 0;
    std::vector<TCellRun> runs;
    QDateTime date;
    [[nodiscard]] QStringList Lines() const;
};

// The whole file: the header, the data lines, CR LF after each.
[[nodiscard]] QByteArray BackupFileBytes(const TBackupHeader& header, const QStringList& dataLines);

// The kind that a backup's header names; none in a plain menu file.
[[nodiscard]] std::optional<DeviceKind> BackupKindOf(const TMenuLines& lines);

struct TBackupRead {
    bool complete = false;
    bool stopped = false;
    std::uint16_t failedAddress = 0; // the first cell of the piece without a valid answer
    QStringList lines;               // the data lines read so far
};

// Reads cells in as few mails as the device takes: pieces of up to
// kLongRead cells, each by its checked read (complete, checksum right) with
// up to kReadTries tries, and each read until two reads in a row agree (at
// most kAgreeReads times). A device that gives no valid answer to a long read
// is read from there on in pieces of at most a menu line.
class TCellReader {
public:
    static constexpr int kReadTries = 3;
    static constexpr int kAgreeReads = 4;
    static constexpr int kLongRead = 6 * TMenuFile::kMaxCount;

    explicit TCellReader(TMailControl& link) : m_link(link) {}

    // Cells read so far, after each piece.
    std::function<void(int cells)> OnCells;

    // count cells from address into out; false when a piece got no valid
    // answer, out then holding the cells before it.
    bool Read(int address, int count, QByteArray& out);
    // Reads of a piece that differed from the read before it.
    [[nodiscard]] int Disagreements() const { return m_disagreements; }

private:
    QByteArray ReadPiece(int address, int count);
    QByteArray ReadAgreed(int address, int count);

    TMailControl& m_link;
    int m_piece = kLongRead;
    int m_cells = 0;
    int m_disagreements = 0;
};

// Reads cells off the device on the link into the data lines of a backup.
class TDeviceBackup {
public:
    explicit TDeviceBackup(TMailControl& link) : m_link(link) {}

    // Cells read so far of all cells.
    std::function<void(int done, int total)> OnProgress;

    // Stops at the first piece that gets no valid answer.
    TBackupRead Read(const std::vector<TCellRun>& runs);

private:
    TMailControl& m_link;
};
