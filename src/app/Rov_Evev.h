#pragma once

#include "DeviceDetection.h"
#include "DeviceOperations.h"
#include "LanguageFile.h"
#include "ProgramEnvironment.h"
#include "SingleInstance.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QToolBar;
class QToolButton;
class TAboutLabels;
class TCommunicationsPage;
class TDownloadPage;
class TForm3;
class TEepromPage;
class THandsetIpeiPage;
class THandsetTextPage;
class THandsfreeGainPage;
class TInternalGainPage;
class TTransducerPage;
class TPageControl;
class TRepeaterPage;
class TRunningCopyChannel;
class TTabSheet;
class TWelcomePage;

// The main window: the shell of pages, menus and tool bar, status bar, the
// start-up and closing steps and the hidden gestures. Pages are classes of
// their own; the device link and the shared operations live in
// TDeviceOperations, which the pages are given.
class TForm1 final : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(TProgramEnvironment environment = TProgramEnvironment::FromApplication(),
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // Another copy runs: the program ends without showing this window.
    [[nodiscard]] bool AlreadyRunning() const { return m_alreadyRunning; }

    // Finds the program's other windows (the translated ones, the language
    // editor); without it this window only knows itself.
    void SetWindowFinder(TWindowFinder finder) { m_windowFinder = std::move(finder); }
    [[nodiscard]] QWidget* FindWindow(const QString& name) const;
    // Puts a page class into a tab sheet (the sheet owns it).
    void SetPageContent(TTabSheet* sheet, QWidget* page);

    [[nodiscard]] TDeviceOperations& Operations() { return *m_operations; }
    // The flash load utility, whose download closing this window stops too. Not owned.
    void SetFlashWindow(TForm3* form);
    // Closing while the device is being worked on asks first; a program told
    // to quit (a signal) stops the work without asking.
    void SetAskBeforeStopping(bool ask) { m_askBeforeStopping = ask; }
    [[nodiscard]] const TProgramEnvironment& Environment() const { return m_environment; }
    [[nodiscard]] QString PanelText(int panel) const;

    void FormCreate();
    void FormShow();
    void FormClose();
    void Exit1Click();
    void Help1Click();
    // The guide's chapter of the page on top ("" for the guide's beginning).
    [[nodiscard]] QString HelpChapter() const;
    void miLanguageClick();
    void miAboutClick();
    // True when the key was the EEPROM page gesture (Shift+Ctrl+F12, Alt ignored).
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Shift+Alt+Ctrl with any mouse button opens the traffic monitor.
    void TabSheet5MouseDown(Qt::KeyboardModifiers modifiers);
    void TabSheet1Resize();
    void ApplyPageConfiguration();
    void LoadBaudrateIndex();

    TPageControl* PageControl1;
    TTabSheet* TabSheet1;
    TTabSheet* TabSheet2;
    TTabSheet* TabSheet3;
    TTabSheet* TabSheet4;
    TTabSheet* TabSheet5;
    TTabSheet* TabSheet6;
    TTabSheet* TabSheet7;
    TTabSheet* TabSheet8;
    TTabSheet* TabSheet9;
    TTabSheet* tsReadWriteEeprom;
    TWelcomePage* Welcome;
    // The About window's texts, hidden on the Welcome page.
    TAboutLabels* AboutLabels;
    TCommunicationsPage* Communications;
    TEepromPage* EepromPage;
    THandsetTextPage* HandsetTextPage;
    TTransducerPage* TransducerPage;
    TInternalGainPage* InternalGainPage;
    THandsfreeGainPage* HandsfreeGainPage;
    THandsetIpeiPage* HandsetIpeiPage;
    TRepeaterPage* RepeaterPage;
    TDownloadPage* DownloadPage;
    QToolBar* MainToolBar;
    QMenu* File1;
    QMenu* About1;
    QAction* Exit1;
    QAction* Help1;
    QAction* miLanguage;
    QAction* miAbout;
    QLabel* lblMemo1;
    // Status-bar note for a press refused while a device operation runs.
    QLabel* lblOperationRunning;
    // Message box text when the settings file cannot be written at close.
    QLabel* lblSettingsNotSaved;
    // Status text after the port vanished under the link.
    QLabel* lblPortLost;
    QLabel* lblJournalNotWritten;
    // The question when the window is closed while the device is being worked on.
    QLabel* lblCloseWhileRunning;

    // The "Load Menu" button of the Download page.
    [[nodiscard]] QPushButton* Button9() const;

signals:
    // FormClose has run: the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void CreatePages();
    void CreateStatusBar();
    void ConnectOperationNotes();
    TTabSheet* AddSheet(const char* name, const char* caption);
    void RunInstallationStep();
    void ApplyLanguage();
    void SetVersionLine();
    void SetMenuCaptions();
    void SetHelpChapters();
    void HelpForActivePage();
    static constexpr const char* kHelpChapterProperty = "HelpChapter";
    void SelectSavedComPort();
    // A second start asked for this window.
    void BringToFront();
    void OnDeviceKindFound(DeviceKind kind, const QString& portText, const QString& statusText,
                           const QString& statusHint);
    void SetDevicePages(DeviceKind kind);
    // The pages that need a device, and "Load Menu", as at start.
    void DisableDevicePages();
    void OnPortLost();
    // Values the handset pages read belong to a device that may have gone.
    void ForgetReadValues();
    // A device operation or a flash download is under way.
    [[nodiscard]] bool WorkRunning() const;
    // Ends it cleanly: a write in flight completes its read-back, a download
    // stops as the command line's does on Ctrl+C.
    void StopWork();
    // The work asked to stop has ended: the close goes on.
    void CloseOnceStopped();
    [[nodiscard]] QString PositionFile() const;
    [[nodiscard]] QString UserSettingsFile() const;

    TProgramEnvironment m_environment;
    TSingleInstanceGuard m_instanceGuard;
    TRunningCopyChannel* m_runningCopy = nullptr;
    std::unique_ptr<TDeviceOperations> m_operations;
    TWindowFinder m_windowFinder;
    QToolButton* m_fileButton = nullptr;
    QToolButton* m_helpButton = nullptr;
    QList<QLabel*> m_panels;
    QString m_programFolder;
    TFileLocations m_files{m_environment.Files()};
    bool m_alreadyRunning = false;
    bool m_shown = false;
    bool m_raiseWhenShown = false;
    bool m_closed = false;
    TForm3* m_flashWindow = nullptr;
    bool m_askBeforeStopping = true;
    bool m_closeWhenStopped = false;
    bool m_quitWhenStopped = false;
    // Shown in the status bar when the running operation has ended.
    QString m_operationNote;
};
