#pragma once

#include "FlashLog.h"
#include "FlashTargets.h"

#include <QString>
#include <atomic>
#include <functional>

class TFlashLoadSC14428;
class TRflDownload;

// One download of a flash target from the checks to the end, as the command
// line runs it: the same prompts, port handling, loaders and log rules as the
// window, with an outcome that says what the target confirmed.
class TFlashRun {
public:
    enum Exit { kDone = 0, kBadInput = 1, kPort = 2, kNoTarget = 3, kFailed = 6 };

    struct Options {
        int Target = -1;
        int Com = 1;
        QString File;
        QString ProgramFolder; // with its trailing separator; CFG/ is in its data folder
    };

    // The texts of the window's prompts and messages.
    static const QString kPowerOff;
    static const QString kPressHookKey;
    static const QString kTurnOnPower;
    static const QString kComError;
    static const QString kStopped;
    static const QString kNoAnswer;
    static const QString kRefused;

    // The texts of a software or configuration file that cannot be used: %1
    // the file, %2 why.
    struct InputTexts {
        QString SoftwareUnreadable = QStringLiteral("Cannot read the software file %1: %2");
        QString SoftwareInvalid = QStringLiteral("%1: %2");
        QString ConfigUnreadable = QStringLiteral("Cannot read the configuration file %1");
    };
    // What the check of a download's files found: kDone, or kBadInput with the
    // line that says why (kFailed: a stop came while the file was read).
    struct InputCheck {
        int Exit = kDone;
        QString Line;
    };
    // Reads the whole software file and checks it as Intel HEX, and finds the
    // RFL target's configuration file; before any prompt and before the port
    // is touched, in the window as on the command line.
    [[nodiscard]] static InputCheck CheckInput(const TFlashTarget& target, const QString& file,
                                               const QString& dataFolder, const InputTexts& texts);

    explicit TFlashRun(Options options);
    ~TFlashRun();

    // A finished log line (or a message).
    std::function<void(const QString& line)> Line;
    // The last log line while it may still change (progress); may stay empty.
    std::function<void(const QString& line)> Pending;
    // Shows a prompt and waits for the user; false = cancelled.
    std::function<bool(const QString& prompt)> Prompt;
    // A key for the RFL loader; 0x1B cancels.
    std::function<char()> Key;

    // Runs the download (with an event loop while it lasts) and returns the exit code.
    int Run();
    // Stops a running download; Run() then returns kFailed.
    void Interrupt();

private:
    int Check(const TFlashTarget& target);
    int RunSC14428(const TFlashTarget& target);
    int RunRfl(const TFlashTarget& target);
    void Emit(int index, bool added);
    void Flush();
    int Stopped();
    // The failure line after the loader's own, when it said how it failed.
    int Failed(TFlashFailure failure);

    Options m_options;
    QString m_dataFolder;
    TFlashLogList m_log;
    int m_printed = 0;
    TFlashLoadSC14428* m_loader = nullptr;
    TRflDownload* m_rfl = nullptr;
    std::atomic<bool> m_interrupted{false};
};
