#pragma once

#include "DeviceGuard.h"
#include "DeviceIdentity.h"
#include "MenuFile.h"

#include <QWidget>
#include <optional>

class IDeviceSession;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// The "Download" page: "Load Menu" plays a menu file into the connected
// handset with a gauge and the list of lines still to send; "Load Flash"
// frees the port and asks for the flash load utility.
class TDownloadPage final : public QWidget {
    Q_OBJECT
public:
    // settingsFile is the user's program INI, which keeps the last menu folder.
    TDownloadPage(IDeviceSession& session, QString programFolder, QString settingsFile, QWidget* parent = nullptr);

    void Button9Click();
    void Button10Click();
    // Reads the cells of a chosen menu file's lines and marks the lines the device holds otherwise.
    void btnVerifyMenuClick();
    // Reads the cells the program uses on the connected device into a backup file.
    void btnSaveBackupClick();

    // "Load Menu", "Verify Menu" and "Save Backup" need a device.
    void SetDeviceActionsEnabled(bool enabled);
    // "Load Menu" alone, as the detection enables it (for a handset or nothing).
    void SetLoadMenuEnabled(bool enabled);
    // "Verify Menu" and "Save Backup" alone: they identify the device
    // themselves and serve every kind that answers (or say why not).
    void SetBackupActionsEnabled(bool enabled);

    // The problem texts of a bad menu line, from the hidden labels.
    [[nodiscard]] TMenuProblemTexts ProblemTexts() const;

    QPushButton* Button9;
    QPushButton* Button10;
    QPushButton* btnVerifyMenu;
    QPushButton* btnSaveBackup;
    QListWidget* ListBox1;
    QProgressBar* MenuGauge;
    QLabel* lblReadHelpfile;
    QLabel* Label42;
    QLabel* Label43;
    QLabel* Label44;
    QLabel* Label56;
    QLabel* lblMenuLine;
    QLabel* lblMenuTooManyFields;
    QLabel* lblMenuFieldNotHex;
    QLabel* lblMenuCountOutOfRange;
    QLabel* lblMenuDataCount;
    QLabel* lblMenuPastEnd;
    QLabel* lblMenuReadError;
    QLabel* lblMenuFileProblem; // "%1: %2": the file, what is wrong in it
    QLabel* lblVerifyMatch;
    QLabel* lblVerifyDiffer;
    QLabel* lblVerifyNoAnswer;
    QLabel* lblMenuNothingToWrite;
    QLabel* lblMenuNothingToVerify;
    QLabel* lblBackupSaved;
    QLabel* lblBackupNoAnswer;
    QLabel* lblBackupSaveError;
    QLabel* lblBackupKindUnknown;
    QLabel* lblIdentityKept;
    QLabel* lblIdentityNone;
    QLabel* lblIdentityFileDisagrees;

signals:
    // The link's port is closed: the flash load utility may take it.
    void LoadFlashRequested();

private:
    QLabel* AddHiddenLabel(const char* name, const QString& caption);
    void ShowBadLine(const TMenuCheck& check);
    // Probes, asks for a menu file and lists its lines; false (after saying why) when there is none.
    bool ProbeAndLoadMenu(TMenuLines& lines);
    [[nodiscard]] QString MenuStartFolder() const;
    // Runs the lines in the list; the list and the gauge follow the progress.
    void PlayListedLines(const TMenuLines& lines);
    // One device action at a time, with the port open, the buttons disabled
    // and the hourglass shown while it runs.
    void RunDeviceAction(void (TDownloadPage::*action)());
    void LoadMenu();
    void VerifyMenu();
    void SaveBackup();
    // Checks the listed lines (false after showing the bad one, or that none
    // writes anything: emptyText) and finds the device's identity cells that
    // they leave as they are; note says so.
    bool CheckListed(const TMenuLines& lines, const QString& emptyText, const std::optional<TDeviceDemand>& demand,
                     std::optional<TCellRun>& kept, QString& note);

    IDeviceSession& m_session;
    QString m_programFolder;
    QString m_settingsFile;
    QString m_menuPath; // the menu file loaded last, named in what is said of it
};
