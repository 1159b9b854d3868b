#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

// The nine download targets of the flash load utility, by item index.
enum class TFlashPath { Rfl, SC14428 };
// The prompt after the file choice: the hook key with the port held open (DTR
// and RTS low), or power on after the port was closed again.
enum class TFlashPrompt { None, PressHookKey, TurnOnPower };

struct TFlashTarget {
    int Index;
    const char* Name; // the built-in English item text
    TFlashPath Path;
    const char* ConfigFile; // RFL targets only
    TFlashPrompt Prompt;
};

constexpr int kFlashTargetCount = 9;
constexpr quint32 kSC14428BaudRate = 115200;
constexpr quint8 kSC14428ModeByte = 1;

[[nodiscard]] const std::array<TFlashTarget, kFlashTargetCount>& FlashTargets();
// nullptr outside 0..8.
[[nodiscard]] const TFlashTarget* FlashTarget(int index);

// The RFL argument vector: "tyt ", "-@" + data folder + "CFG/" + the
// target's configuration file, the software file, "-c=" + COM port.
// dataFolder is where the shipped files are (TFileLocations::DataFolder:
// beside the program when portable) and ends with a separator.
[[nodiscard]] QByteArray RflConfigArgument(const QString& dataFolder, const TFlashTarget& target);
[[nodiscard]] QList<QByteArray> RflArguments(const QString& dataFolder, const TFlashTarget& target,
                                             const QString& softwareFile, int comPort);
