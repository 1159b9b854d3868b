#pragma once

#include "ComPortMap.h"
#include "DefaultForm.h"
#include "FlashLog.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class QAction;
class QComboBox;
class QEventLoop;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;
class TBitBtn;
class TComm;
class TFlashLoadSC14428;
class TMemoLogLines;
class TRadioGroup;
class TRflConsoleText;
class TRflDownload;
struct TFlashTarget;

// "Flash Load Utility": downloads software into a target's flash through one
// of the two loader libraries, with the power and key prompts and a log. The
// SC14428 loader reports through the program-wide hooks, the RFL loader through
// console callbacks; either way the window keeps drawing, and its controls stay
// disabled until the download has ended.
class TForm3 final : public QMainWindow, public IFlashTargetChoice {
    Q_OBJECT
public:
    // programFolder ends with a separator; machineSettings is the settings
    // store with the chosen COM port.
    TForm3(QString programFolder, QString machineSettings, QWidget* parent = nullptr);
    ~TForm3() override;

    // The default commands window this one opens. Not owned.
    void SetDefaultForm(TDefaultForm* form) { m_defaultForm = form; }

    [[nodiscard]] int TargetIndex() const override;
    [[nodiscard]] int ComIndex() const override;

    void FormCreate();
    void FormShow();
    void Button3Click();
    // "Stop": ends the running download as Ctrl+C ends the command line's.
    void btnStopClick() { StopDownload(); }
    void bbtnDefaultCommandsClick();
    void FormKeyPress(QChar key);
    void KeyTimerTimer() { KeyLate = true; }
    void Timer1Timer() { PauseWait = false; }
    void Exit1Click();
    void Help2Click();
    // The Ports dialog; the COM choice shows the assignments made there.
    void btnPortsClick();
    void RefreshPortHints();
    [[nodiscard]] TComPortMap& PortMap() { return m_portMap; }
    void SetBusy(bool busy);
    bool OpenRawPort(int com);
    void CloseRawPort();

    // The SC14428 hooks.
    void OnLoaderLog(quint16 id, const QString& text);
    void OnLoaderBusy(quint16 id, bool busy);
    void OnLoaderError(quint16 id, const QString& text);
    void OnLoaderSuccess(quint16 id);

    // The RFL callbacks.
    void RflTextOut(const QByteArray& piece);
    int RflWaitKey();
    char RflGetKey();
    int RflKeyAvailable() { return 1; }
    void RflFinished(int result);
    // Says in the log whether the target fell silent or refused.
    void ShowFailure(TFlashFailure failure);

    [[nodiscard]] bool RawPortHeld() const { return m_comm != nullptr; }
    // From the loader's start until it has let go of the port.
    [[nodiscard]] bool DownloadRunning() const { return m_downloadRunning; }
    // Asks the loader to stop; it reports its end (DownloadEnded) once the port is free.
    void StopDownload();
    // Closing while a download runs asks first; a program told to quit does not.
    void SetAskBeforeStopping(bool ask) { m_askBeforeStopping = ask; }
    [[nodiscard]] QStringList LogLines() const;

    QPushButton* Button3;
    QPushButton* btnStop;
    QProgressBar* FlashGauge;
    QComboBox* ComboBox1;
    QPushButton* btnPorts;
    TRadioGroup* RadioGroup1;
    QPlainTextEdit* Memo1;
    TBitBtn* bbtnDefaultCommands;
    QMenuBar* MainMenu1;
    QToolBar* ToolBar1;
    QMenu* File1;
    QMenu* Help1;
    QAction* Exit1;
    QAction* Help2;
    QTimer* KeyTimer;
    QTimer* Timer1;
    QLabel* lblChooseTarget;
    QLabel* lblPowerOff;
    QLabel* lblPressHookKey;
    QLabel* lblTurnOnPower;
    QLabel* lblComError1;
    QLabel* lblNoAnswer;
    QLabel* lblRefused;
    QLabel* lblStopped;
    QLabel* lblCloseWhileDownloading;
    QLabel* lblSoftwareUnreadable;
    QLabel* lblSoftwareInvalid;
    QLabel* lblConfigUnreadable;
    QLabel* lblSelectTarget;
    QList<QLabel*> lblTargets; // lbl0 .. lbl8
    QLabel* lblFile;
    QLabel* lblHelp;
    QLabel* lblFileExit;
    QLabel* lblHelpHelp;
    QLabel* lblPortsSingleUsb;

    bool KeyPressed = false;
    QChar LastKey = QChar(0);
    bool KeyLate = false;
    bool PauseWait = false;

signals:
    // The download has ended and the loader has let go of the port.
    void DownloadEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    QLabel* AddHiddenLabel(const QString& name, const QString& caption);
    void SetLogColour(const QColor& colour);
    void StartSC14428(const QString& file);
    void StartRfl(const TFlashTarget& target, const QString& file);
    // The loader has started (true) or let go of the port (false).
    void SetDownloadRunning(bool running);
    // A log line added or rewritten: the gauge follows the progress it shows.
    void ShowProgress(const QString& line);
    // Lets events run until done() holds or the program quits; sleeps meanwhile.
    void WaitWhileRunning(const std::function<bool()>& done);

    QString m_programFolder;
    QString m_machineSettings;
    TComPortMap m_portMap;
    TDefaultForm* m_defaultForm = nullptr;
    QToolButton* m_fileButton = nullptr;
    QToolButton* m_helpButton = nullptr;
    std::unique_ptr<TMemoLogLines> m_log;
    std::unique_ptr<TFlashLoadSC14428> m_loader;
    std::unique_ptr<TComm> m_comm;
    std::unique_ptr<TRflDownload> m_rfl;
    std::unique_ptr<TRflConsoleText> m_console;
    QEventLoop* m_wait = nullptr;
    bool m_centred = false;
    bool m_downloadRunning = false;
    int m_downloadCom = -1; // the COM choice of the running download
    bool m_stopRequested = false;
    bool m_closeWhenStopped = false;
    bool m_askBeforeStopping = true;
    TFlashProgress m_progress;
};
