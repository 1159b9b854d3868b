#include "Form3.h"

#include "ComChoiceDelegate.h"
#include "Comm.h"
#include "ComponentClasses.h"
#include "DialogsTranslation.h"
#include "FileDialogs.h"
#include "FileLocations.h"
#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "FlashTargets.h"
#include "HelpWindow.h"
#include "MachineSettings.h"
#include "MemoLogLines.h"
#include "PortsDialog.h"
#include "RadioGroup.h"
#include "RflConsoleText.h"
#include "RflDownload.h"
#include "RflLibrary.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace {
const QColor kErrorColour(0xFF, 0x00, 0x00);
const QColor kSuccessColour(0x00, 0x80, 0x00);
// The exit code with which a wait is woken on purpose; any other ends it for good.
constexpr int kWake = 1;
} // namespace

TForm3::TForm3(QString programFolder, QString machineSettings, QWidget* parent)
    : QMainWindow(parent), m_programFolder(std::move(programFolder)), m_machineSettings(std::move(machineSettings))
{
    CreateControls();
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(btnStop, &QPushButton::clicked, this, [this] { btnStopClick(); });
    connect(bbtnDefaultCommands, &QPushButton::clicked, this, [this] { bbtnDefaultCommandsClick(); });
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(Help2, &QAction::triggered, this, [this] { Help2Click(); });
    connect(btnPorts, &QPushButton::clicked, this, [this] { btnPortsClick(); });
    connect(KeyTimer, &QTimer::timeout, this, [this] { KeyTimerTimer(); });
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1Timer();
        if (m_wait)
            m_wait->exit(kWake);
    });
    qApp->installEventFilter(this);
    FormCreate();
}

TForm3::~TForm3()
{
    FlashLoaderHooks() = {};
    if (m_wait)
        m_wait->exit(0);
    // A download still running is stopped before its callbacks' window goes.
    m_rfl.reset();
}

void TForm3::FormCreate()
{
    m_loader = std::make_unique<TFlashLoadSC14428>();
    TFlashLoaderHooks& hooks = FlashLoaderHooks();
    hooks.Log = [this](quint16 id, const QString& text) { OnLoaderLog(id, text); };
    hooks.Busy = [this](quint16 id, bool busy) { OnLoaderBusy(id, busy); };
    hooks.Error = [this](quint16 id, const QString& text) { OnLoaderError(id, text); };
    hooks.Success = [this](quint16 id) { OnLoaderSuccess(id); };

    m_rfl = std::make_unique<TRflDownload>();
    connect(m_rfl.get(), &TRflDownload::Returned, this, [this](int) {
        Memo1->setFocus();
        // A library that returns without its finished call must not leave the window busy.
        SetBusy(false);
        SetDownloadRunning(false);
    });
    KeyTimer->start();
}

int TForm3::TargetIndex() const { return RadioGroup1->ItemIndex(); }

int TForm3::ComIndex() const { return ComboBox1->currentIndex(); }

QStringList TForm3::LogLines() const
{
    QStringList lines;
    for (int i = 0; i < m_log->LineCount(); ++i)
        lines << m_log->Line(i);
    return lines;
}

void TForm3::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_centred && this->screen()) {
        m_centred = true;
        move(screen()->availableGeometry().center() - rect().center());
    }
    FormShow();
}

void TForm3::FormShow()
{
    const TMachineSettings registry =
        m_machineSettings.isEmpty() ? TMachineSettings() : TMachineSettings(m_machineSettings);
    const std::optional<qint32> port = registry.ReadInteger(QStringLiteral("COMPORT"));
    // A download still running keeps showing the port it uses.
    if (m_downloadRunning)
        ComboBox1->setCurrentIndex(m_downloadCom);
    // A number beyond the list selects nothing, so COM1 follows below.
    else if (port && *port > 0)
        ComboBox1->setCurrentIndex(*port <= ComboBox1->count() ? *port - 1 : -1);
    if (ComboBox1->currentIndex() < 0)
        ComboBox1->setCurrentIndex(0);
    RefreshPortHints(); // an adapter may have come or gone since the last showing
    RadioGroup1->setTitle(QLatin1Char(' ') + lblSelectTarget->text() + QLatin1Char(' '));
    for (int k = 0; k < lblTargets.size(); ++k)
        RadioGroup1->SetItemText(k, lblTargets[k]->text());
    m_fileButton->setText(lblFile->text());
    m_helpButton->setText(lblHelp->text());
    Exit1->setText(lblFileExit->text());
    Help2->setText(lblHelpHelp->text());
}

void TForm3::SetBusy(bool busy)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{Button3, ComboBox1, btnPorts, RadioGroup1, bbtnDefaultCommands})
        control->setEnabled(!busy);
}

void TForm3::SetLogColour(const QColor& colour)
{
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Text, colour);
    Memo1->setPalette(palette);
}

bool TForm3::OpenRawPort(int com)
{
    m_comm = std::make_unique<TComm>();
    m_comm->Port = static_cast<quint8>(com);
    if (!m_comm->Open()) {
        m_comm.reset();
        return false;
    }
    m_comm->SetDTR(false);
    m_comm->SetRTS(false);
    return true;
}

void TForm3::CloseRawPort() { m_comm.reset(); }

void TForm3::Button3Click()
{
    m_log->Clear();
    SetLogColour(QApplication::palette(Memo1).color(QPalette::Text));
    const TFlashTarget* target = FlashTarget(RadioGroup1->ItemIndex());
    if (!target) {
        MessageDlg(lblChooseTarget->text(), mtError, mbOK);
        return;
    }
    MessageDlg(lblPowerOff->text(), mtInformation, mbOK);
    const QString file = ChooseOpenFile(this, TFileDialogRequest{});
    if (file.isEmpty())
        return;
    // Read and checked whole before the technician switches the target on.
    const TFlashRun::InputCheck input =
        TFlashRun::CheckInput(*target, file, TFileLocations(m_programFolder).DataFolder(),
                              {lblSoftwareUnreadable->text(), lblSoftwareInvalid->text(), lblConfigUnreadable->text()});
    if (input.Exit != TFlashRun::kDone) {
        if (!input.Line.isEmpty()) {
            m_log->AddLine(input.Line);
            SetLogColour(kErrorColour);
            MessageDlg(input.Line, mtError, mbOK);
        }
        return;
    }
    m_downloadCom = ComIndex();
    SetBusy(true);
    if (target->Path == TFlashPath::Rfl) {
        StartRfl(*target, file);
        return;
    }
    if (!OpenRawPort(ComIndex() + 1)) {
        MessageDlg(lblComError1->text(), mtError, mbOK);
        SetBusy(false);
        return;
    }
    if (target->Prompt == TFlashPrompt::PressHookKey)
        MessageDlg(lblPressHookKey->text(), mtInformation, mbOK);
    CloseRawPort();
    if (target->Prompt == TFlashPrompt::TurnOnPower)
        MessageDlg(lblTurnOnPower->text(), mtInformation, mbOK);
    StartSC14428(file);
}

void TForm3::StartSC14428(const QString& file)
{
    [[maybe_unused]] const quint32 version = m_loader->DllVersion();
    const quint16 code = m_loader->Download(static_cast<quint32>(ComIndex() + 1), kSC14428ModeByte, kSC14428BaudRate,
                                            kSC14428ModeByte, file);
    // The hooks are posted, so this line comes before the loader's first one,
    // and its end (STOP_PROGRAM_IND) after the start is noted.
    m_log->AddLine(m_loader->StatusText());
    if (code == NO_ERROR_FLASH_LOADER)
        SetDownloadRunning(true);
    QCoreApplication::processEvents();
}

void TForm3::StartRfl(const TFlashTarget& target, const QString& file)
{
    activateWindow();
    setFocus();
    try {
        TRflLibrary::Load();
    }
    catch (...) {
        // The error report follows; the window stays usable.
        SetBusy(false);
        throw;
    }
    KeyPressed = false;
    // Each download starts with a fresh console: no line remembered from the last one.
    m_console = std::make_unique<TRflConsoleText>(*m_log);
    m_console->PauseAfterErased = [this] {
        Timer1->start();
        PauseWait = true;
        WaitWhileRunning([this] { return !PauseWait; });
    };
    TRflCallbacks callbacks;
    callbacks.TextOut = [this](const QByteArray& piece) { RflTextOut(piece); };
    callbacks.WaitKey = [this] { return RflWaitKey(); };
    callbacks.GetKey = [this] { return RflGetKey(); };
    callbacks.KeyAvailable = [this] { return RflKeyAvailable(); };
    callbacks.Finished = [this](int result) { RflFinished(result); };
    m_rfl->Init(std::move(callbacks));
    if (!m_rfl->Run(RflArguments(TFileLocations(m_programFolder).DataFolder(), target, file, ComIndex() + 1)))
        SetBusy(false);
    else
        SetDownloadRunning(true);
}

void TForm3::SetDownloadRunning(bool running)
{
    if (running == m_downloadRunning)
        return;
    m_downloadRunning = running;
    btnStop->setEnabled(running);
    if (running) {
        m_progress.Reset();
        FlashGauge->setValue(0);
        FlashGauge->show();
        return;
    }
    FlashGauge->hide();
    if (std::exchange(m_stopRequested, false)) {
        m_log->AddLine(lblStopped->text());
        SetLogColour(kErrorColour);
    }
    SetBusy(false);
    emit DownloadEnded();
    if (std::exchange(m_closeWhenStopped, false))
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TForm3::StopDownload()
{
    if (!m_downloadRunning || m_stopRequested)
        return;
    m_stopRequested = true;
    btnStop->setEnabled(false);
    // As the command line stops on Ctrl+C: the SC14428 loader reports its end
    // itself once it has let go of the port; a key the RFL loader waits for is
    // Escape, and the library is stopped and waited for.
    m_loader->Stop();
    if (m_rfl->IsRunning()) {
        KeyPressed = true;
        LastKey = QChar(0x1B);
        if (m_wait)
            m_wait->exit(kWake);
        m_rfl->Stop();
    }
}

void TForm3::ShowProgress(const QString& line)
{
    if (m_downloadRunning && m_progress.Take(line))
        FlashGauge->setValue(m_progress.Percent());
}

void TForm3::closeEvent(QCloseEvent* event)
{
    if (m_downloadRunning) {
        // Hidden, the download would go on unseen; stopped, the device waits in its boot loader.
        event->ignore();
        if (m_closeWhenStopped)
            return;
        if (m_askBeforeStopping && MessageDlg(lblCloseWhileDownloading->text(), mtConfirmation, mbYesNo, mbNo) != mrYes)
            return;
        if (m_downloadRunning) {
            m_closeWhenStopped = true;
            StopDownload();
            return;
        }
        event->accept();
    }
    QMainWindow::closeEvent(event);
}

void TForm3::WaitWhileRunning(const std::function<bool()>& done)
{
    while (!done()) {
        QEventLoop loop;
        QEventLoop* outer = m_wait;
        m_wait = &loop;
        const int reason = loop.exec();
        m_wait = outer;
        // The program is quitting (or the window going): the wait ends here.
        if (reason != kWake)
            return;
    }
}

void TForm3::RflTextOut(const QByteArray& piece)
{
    if (m_console) {
        m_console->TextOut(piece);
        ShowProgress(m_log->LastLine());
    }
}

int TForm3::RflWaitKey()
{
    KeyLate = false;
    WaitWhileRunning([this] { return KeyPressed; });
    KeyTimer->stop();
    return KeyLate ? 0 : 1;
}

char TForm3::RflGetKey()
{
    const char key = LastKey.toLatin1();
    LastKey = QLatin1Char(' ');
    return key;
}

void TForm3::RflFinished(int result)
{
    ShowFailure(FlashFailureOfRflResult(result));
    SetBusy(false);
}

void TForm3::ShowFailure(TFlashFailure failure)
{
    if (failure != TFlashFailure::None)
        m_log->AddLine(failure == TFlashFailure::NoAnswer ? lblNoAnswer->text() : lblRefused->text());
}

void TForm3::FormKeyPress(QChar key)
{
    KeyPressed = true;
    LastKey = key;
    if (m_wait)
        m_wait->exit(kWake);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty())
            FormKeyPress(text.at(0));
    }
    return false;
}

void TForm3::OnLoaderLog(quint16, const QString& text)
{
    AddLoaderLogLine(*m_log, text);
    ShowProgress(text);
    ShowFailure(FlashFailureOfIndication(text));
    // The loader's last line: it has let go of the port.
    if (text.contains(QLatin1String("STOP_PROGRAM_IND")))
        SetDownloadRunning(false);
}

void TForm3::OnLoaderBusy(quint16, bool busy) { SetBusy(busy); }

void TForm3::OnLoaderError(quint16, const QString&)
{
    SetLogColour(kErrorColour);
    SetBusy(false);
}

void TForm3::OnLoaderSuccess(quint16) { SetLogColour(kSuccessColour); }

void TForm3::bbtnDefaultCommandsClick()
{
    if (RadioGroup1->ItemIndex() >= 0 && m_defaultForm)
        m_defaultForm->exec();
}

// Through closeEvent, so that a running download is not hidden unasked.
void TForm3::Exit1Click() { close(); }

void TForm3::Help2Click() { ShowUserGuide(lblHelpHelp->text(), QLatin1String(THelpWindow::kFlashChapter)); }

void TForm3::btnPortsClick()
{
    TPortsDialog dialog(m_machineSettings, m_portMap.Scan(), TPortsDialogTexts::FromLabels(*this), this);
    dialog.exec();
    RefreshPortHints();
}

void TForm3::RefreshPortHints()
{
    for (int i = 0; i < ComboBox1->count(); ++i) {
        const TComPortMap::Resolution port = m_portMap.Resolve(i + 1);
        QString hint = port.path;
        if (port.source == TComPortMap::Source::SingleUsbAdapter)
            hint += QLatin1Char('\n') + lblPortsSingleUsb->text();
        ComboBox1->setItemData(i, hint, Qt::ToolTipRole);
        ComboBox1->setItemData(i, port.path, TComChoiceDelegate::DeviceRole);
    }
    TComChoiceDelegate::FitList(*ComboBox1);
}
