#pragma once

#include "DeviceBackup.h"

#include <QString>
#include <QStringList>
#include <optional>

class TMailControl;

// A device's identity cells belong to the device, not to its settings: a
// backup played into another device leaves them as that device has them.

// The cells that hold the identity of a device of that kind: a handset's IPEI
// at 0040h-0044h; the program reads no identity of a repeater or a base.
[[nodiscard]] std::optional<TCellRun> IdentityCells(DeviceKind kind);

struct TDeviceIdentity {
    enum class TState {
        Unread, // the read got no valid answer
        Blank,  // blank or no valid identity: a wiped device
        Valid,
    };
    TState state = TState::Unread;
    QString text; // Valid: "00077 0332049 3"
    // "00077 0332049 3", "blank or invalid", "not read": for messages.
    [[nodiscard]] QString Described() const;
};

// The identity a handset's five identity cells (0040h-0044h) hold.
[[nodiscard]] TDeviceIdentity IdentityOfCells(const QByteArray& cells);
// Reads the identity of the device on the link as a device of that kind.
[[nodiscard]] TDeviceIdentity ReadDeviceIdentity(TMailControl& link, DeviceKind kind);

// What a file says of the identity it was read from: its kind and its
// "REM identity:" line. A file without either (a plain menu file) carries none.
// The identity is the one the file's data would write, where its lines hold
// the identity cells; a header that names another is a damaged or edited file.
struct TFileIdentity {
    std::optional<DeviceKind> kind;
    QString identity;             // empty: the file names none
    bool headerDisagrees = false; // "REM identity:" is not what the data lines write
    [[nodiscard]] bool Carried() const { return kind.has_value() || !identity.isEmpty(); }
};
[[nodiscard]] TFileIdentity FileIdentityOf(const TMenuLines& lines);

// The kind of device a menu file is for: the kind its header names, else a
// handset (plain menu files are written for handsets). Playing it into another
// kind would give that device another's settings and identity.
[[nodiscard]] DeviceKind MenuTargetKind(const TMenuLines& lines);

// What playing (or verifying) a file does with the device's identity cells.
struct TIdentityDecision {
    enum class TAction {
        WriteAll,      // a plain file, the same identity, or a kind without identity cells
        KeepDevice,    // another identity: the identity cells are left out
        WriteIdentity, // asked for: the device's identity is blank, or forced
        Refuse,        // asked to write over a valid (or unread) identity without force
        FileDisagrees, // the file's header and data name different identities: nothing is written
    };
    TAction action = TAction::WriteAll;
    std::optional<TCellRun> cells; // the identity cells, where there are any
    // The cells a play leaves and a verify sets apart: the device keeps them.
    [[nodiscard]] std::optional<TCellRun> KeptCells() const
    {
        return action == TAction::KeepDevice ? cells : std::nullopt;
    }
};

// writeIdentity: the technician asked to write the file's identity too.
[[nodiscard]] TIdentityDecision DecideIdentity(const TFileIdentity& file, const TDeviceIdentity& device,
                                               bool writeIdentity, bool force);

// A file's identity against the device's, read from the device only where the
// file names one.
struct TIdentityCheck {
    TFileIdentity file;
    TDeviceIdentity device;
    TIdentityDecision decision;
};
[[nodiscard]] TIdentityCheck CheckIdentity(TMailControl& link, const TMenuLines& lines, bool writeIdentity, bool force);

// The parts of a write that lie outside run: none, one or two writes.
[[nodiscard]] std::vector<TMenuWrite> WritesOutside(const TMenuWrite& write, const TCellRun& run);
