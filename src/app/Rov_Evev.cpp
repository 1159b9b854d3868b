#include "Rov_Evev.h"

#include "DownloadPage.h"

#include "About.h"
#include "AboutLabels.h"
#include "BoundedFile.h"
#include "CommunicationsPage.h"
#include "DialogsTranslation.h"
#include "EepromPage.h"
#include "Form3.h"
#include "FormPosition.h"
#include "HandsfreeGainPage.h"
#include "HelpWindow.h"
#include "InternalGainPage.h"
#include "MachineSettings.h"
#include "RadioGroup.h"
#include "RepeaterPage.h"
#include "RunningCopyChannel.h"
#include "SndMail.h"
#include "StartupSettings.h"
#include "TabSheet.h"
#include "WelcomePage.h"
#include "WriteJournal.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

TForm1::TForm1(TProgramEnvironment environment, QWidget* parent)
    : QMainWindow(parent), m_environment(std::move(environment)), m_instanceGuard(m_environment.instanceLockPath),
      m_operations(std::make_unique<TDeviceOperations>())
{
    CreateControls();
    qApp->installEventFilter(this);
    FormCreate();
}

TForm1::~TForm1()
{
    TWriteJournal::SetWarning({});
    // Left through File, Exit: nothing is saved, the link goes all the same.
    if (m_operations) {
        m_operations->Link().OnPortLost = nullptr; // the pages go below
        m_operations->ReleaseLink();
    }
    // The pages hold on to the operations: they go first.
    delete PageControl1;
    PageControl1 = nullptr;
}

void TForm1::FormCreate()
{
    if (m_instanceGuard.AlreadyRunning()) {
        m_alreadyRunning = true;
        return;
    }
    if (const QString socket = m_environment.InstanceSocketPath(); !socket.isEmpty()) {
        m_runningCopy = new TRunningCopyChannel(socket, this);
        connect(m_runningCopy, &TRunningCopyChannel::RaiseRequested, this, &TForm1::BringToFront);
        (void)m_runningCopy->Listen(); // without it a second start only ends
    }
    RestoreFormPosition(PositionFile(), *this, false);
    if (m_environment.HasSwitch(QStringLiteral("?")))
        MessageDlg(UsageText(m_environment.ProgramName()), mtInformation, mbOK);
    m_programFolder = m_environment.ProgramFolder();
    LoadBaudrateIndex();
    HandsfreeGainPage->lblHandset8240_8280_Info->setAutoFillBackground(true);
}

void TForm1::FormShow()
{
    SetVersionLine();
    RunInstallationStep();

    DisableDevicePages();

    const QString icon = m_files.UserOrShippedFile(QStringLiteral("user.ico"));
    if (QByteArray bytes; QFileInfo::exists(icon) && ReadBoundedFile(icon, TFileKind::Picture, bytes)) {
        // Every size the icon file holds.
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, QFileInfo(icon).suffix().toLatin1());
        QIcon picture;
        do {
            if (const QImage image = reader.read(); !image.isNull())
                picture.addPixmap(QPixmap::fromImage(image));
        } while (reader.jumpToNextImage());
        if (!picture.isNull()) {
            setWindowIcon(picture);
            QApplication::setWindowIcon(picture);
        }
    }
    const QString logo = m_files.UserOrShippedFile(QStringLiteral("logo.bmp"));
    if (QFileInfo::exists(logo))
        Welcome->LoadPicture(logo);

    ApplyLanguage();
    // Built before the language came, the line gets its translated first word now.
    SetVersionLine();
    ApplyPageConfiguration();
    m_panels[0]->clear();
    m_panels[1]->setText(Communications->Label40->text());
    RepeaterPage->ApplyMemoText(lblMemo1->text());
    SetMenuCaptions();
    SelectSavedComPort();

    if (m_environment.HasSwitch(QStringLiteral("va")))
        TabSheet2->SetTabVisible(true);
    if (m_environment.HasSwitch(QStringLiteral("sm")))
        m_operations->Link().ShowMonitor();
    if (m_environment.HasSwitch(QStringLiteral("d")))
        Communications->chk2WireSerial->setVisible(true);
    RepeaterPage->SetRepeaterTypeGui(1);
    Communications->CopyBaudrateTexts();
}

void TForm1::RunInstallationStep()
{
    TMachineSettings registry(m_environment.machineSettings);
    if (!::RunInstallationStep(registry, m_files.UserDataFile(QString())))
        return;
    QCoreApplication::processEvents();
    setWindowState(windowState() | Qt::WindowMinimized);
    (void)::ApplyLanguage(QLatin1String(kDefaultLanguage), *this, m_files.LanguageFolders());
    MessageDlg(Welcome->Label50->text(), mtInformation, mbOK);
    setWindowState(windowState() & ~Qt::WindowMinimized);
}

void TForm1::SetVersionLine()
{
    const TAbout about;
    Welcome->SetVersion(Welcome->lblVersionHidden->text() + QLatin1Char(' ') + about.Info.ProductVersion);
}

void TForm1::ApplyLanguage()
{
    const TMachineSettings registry(m_environment.machineSettings);
    const QString name =
        LanguageToApply(registry.ReadString(QStringLiteral("Language")),
                        !LanguageFilePath(m_files.LanguageFolders(), QLatin1String(kDefaultLanguage)).isEmpty());
    ApplyLanguageToWindows(name, m_files.LanguageFolders(),
                           [this](const QString& window) { return FindWindow(window); });
}

QWidget* TForm1::FindWindow(const QString& name) const
{
    if (name == objectName())
        return const_cast<TForm1*>(this);
    return m_windowFinder ? m_windowFinder(name) : nullptr;
}

void TForm1::miAboutClick()
{
    TAbout about;
    about.ShowFields = TAbout::kNamedMainWindowRows;
    about.Texts = AboutLabels->Texts();
    about.ShowDialog(this);
}

void TForm1::miLanguageClick()
{
    if (QWidget* editor = FindWindow(QStringLiteral("LanguageForm"))) {
        editor->show();
        editor->raise();
        editor->activateWindow();
    }
}

void TForm1::ApplyPageConfiguration()
{
    PageControl1->SetActivePage(TabSheet1);
    const QString path = m_files.UserOrShippedFile(QLatin1String(kPageConfigFileName));
    if (!QFileInfo::exists(path))
        return;
    const TPageConfiguration config = ReadPageConfiguration(path);
    PageControl1->SetActivePage(findChild<TTabSheet*>(QStringLiteral("TabSheet%1").arg(config.startPosition)));
    for (const auto& [page, visible] : config.tabVisible)
        if (auto* sheet = findChild<TTabSheet*>(QStringLiteral("TabSheet%1").arg(page)))
            sheet->SetTabVisible(visible);
}

void TForm1::SelectSavedComPort()
{
    Communications->RefreshPortHints();
    const std::optional<qint32> port =
        TMachineSettings(m_environment.machineSettings).ReadInteger(QStringLiteral("COMPORT"));
    // A number beyond the list would leave no port chosen; COM1 stays then.
    if (port && *port > 0 && *port <= Communications->ComChoice->count())
        Communications->ComChoice->setCurrentIndex(*port - 1);
}

void TForm1::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_operations->HasLink())
        m_operations->Link().StopRequested = true;
    // A file that cannot be written stays as it was; the technician learns
    // that the window's place or rate was not kept.
    QStringList errors;
    QString error;
    if (!SaveFormPosition(PositionFile(), *this, &error))
        errors << error;
    if (!::SaveBaudrateIndex(UserSettingsFile(), Communications->rgBaudrate->ItemIndex(), &error) &&
        !errors.contains(error))
        errors << error;
    if (!errors.isEmpty())
        MessageDlg(lblSettingsNotSaved->text() + QLatin1Char('\r') + errors.join(QLatin1Char('\r')), mtError, mbOK);
    m_operations->ReleaseLink();
    emit Closed();
}

void TForm1::Exit1Click()
{
    // As closing does, without saving: the work under way stops cleanly first.
    if (WorkRunning() && !m_closeWhenStopped) {
        if (m_askBeforeStopping && MessageDlg(lblCloseWhileRunning->text(), mtConfirmation, mbYesNo, mbNo) != mrYes)
            return;
        if (WorkRunning()) {
            m_quitWhenStopped = true;
            StopWork();
            return;
        }
    }
    if (!m_closeWhenStopped)
        QCoreApplication::quit();
}

void TForm1::Help1Click()
{
    // The user guide is built into the program: no viewer or file is needed.
    ShowUserGuide(Welcome->Label54->text());
}

bool TForm1::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key != Qt::Key_F12 || !modifiers.testFlag(Qt::ShiftModifier) || !modifiers.testFlag(Qt::ControlModifier))
        return false;
    tsReadWriteEeprom->SetTabVisible(true);
    PageControl1->SetActivePage(tsReadWriteEeprom);
    return true;
}

void TForm1::TabSheet5MouseDown(Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier;
    if ((modifiers & all) == all && m_operations->HasLink())
        m_operations->Link().ShowMonitor();
}

void TForm1::TabSheet1Resize() { Welcome->LayoutPicture(); }

void TForm1::LoadBaudrateIndex() { Communications->rgBaudrate->SetItemIndex(::LoadBaudrateIndex(UserSettingsFile())); }

void TForm1::BringToFront()
{
    if (m_closed)
        return;
    // A request served in a dialog of the start-up (the usage box) waits for
    // the window: showing it early would run FormShow before FormCreate ended.
    if (!m_shown) {
        m_raiseWhenShown = true;
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    qCInfo(lcRunningCopy) << "main window brought to the front";
}

void TForm1::OnDeviceKindFound(DeviceKind kind, const QString& portText, const QString& statusText,
                               const QString& statusHint)
{
    SetDevicePages(kind);
    ForgetReadValues();
    m_panels[0]->setText(portText);
    m_panels[1]->setText(statusText);
    m_panels[1]->setToolTip(statusHint);
}

void TForm1::SetDevicePages(DeviceKind kind)
{
    const bool handset = kind == DeviceKind::Handset;
    for (TTabSheet* sheet : {TabSheet2, TabSheet3, TabSheet7, TabSheet9})
        sheet->setEnabled(handset);
    TabSheet4->setEnabled(kind == DeviceKind::Repeater);
    if (kind != DeviceKind::Repeater) {
        TabSheet8->setEnabled(handset);
        DownloadPage->SetLoadMenuEnabled(true);
    }
    // A repeater is backed up and verified as the command line does it; each
    // of the two identifies the device again and says why when it cannot.
    DownloadPage->SetBackupActionsEnabled(true);
}

void TForm1::DisableDevicePages()
{
    for (TTabSheet* sheet : {TabSheet2, TabSheet3, TabSheet4, TabSheet7, TabSheet9, TabSheet8})
        sheet->setEnabled(false);
    DownloadPage->SetDeviceActionsEnabled(false);
}

void TForm1::OnPortLost()
{
    // What "Set Comport" found is gone with the port: the pages wait for it again.
    Operations().DeviceMayHaveChanged();
    ForgetReadValues();
    DisableDevicePages();
    m_panels[1]->setText(lblPortLost->text());
    m_panels[1]->setToolTip({});
}

void TForm1::ForgetReadValues()
{
    InternalGainPage->DeviceMayHaveChanged();
    HandsfreeGainPage->DeviceMayHaveChanged();
}

void TForm1::SetPageContent(TTabSheet* sheet, QWidget* page) { sheet->SetContent(page); }

QString TForm1::PositionFile() const { return m_files.ConfigFile(QLatin1String(kPositionFileName)); }

QString TForm1::UserSettingsFile() const { return m_files.ConfigFile(m_environment.SettingsFileName()); }

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown || m_alreadyRunning)
        return;
    m_shown = true;
    FormShow();
    if (m_raiseWhenShown)
        BringToFront();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Quitting in the middle would leave a write without its read-back (and
    // its journal line), or a device half programmed.
    if (!m_closed && WorkRunning()) {
        if (m_closeWhenStopped || m_quitWhenStopped) {
            event->ignore();
            return;
        }
        if (m_askBeforeStopping && MessageDlg(lblCloseWhileRunning->text(), mtConfirmation, mbYesNo, mbNo) != mrYes) {
            event->ignore();
            return;
        }
        if (WorkRunning()) {
            m_closeWhenStopped = true;
            StopWork();
            event->ignore();
            return;
        }
    }
    FormClose();
    event->accept();
}

void TForm1::SetFlashWindow(TForm3* form)
{
    m_flashWindow = form;
    if (form)
        connect(form, &TForm3::DownloadEnded, this, [this] { CloseOnceStopped(); });
}

bool TForm1::WorkRunning() const
{
    return m_operations->OperationRunning() || (m_flashWindow && m_flashWindow->DownloadRunning());
}

void TForm1::StopWork()
{
    if (m_operations->OperationRunning() && m_operations->HasLink())
        m_operations->Link().StopBetweenMails();
    if (m_flashWindow)
        m_flashWindow->StopDownload();
}

void TForm1::CloseOnceStopped()
{
    // After the handler that ran the work has returned.
    if ((m_closeWhenStopped || m_quitWhenStopped) && !WorkRunning())
        QTimer::singleShot(0, this, [this] {
            if (WorkRunning())
                return;
            if (std::exchange(m_quitWhenStopped, false))
                QCoreApplication::quit();
            else if (std::exchange(m_closeWhenStopped, false))
                close();
        });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        return FormKeyDown(key->key(), key->modifiers());
    }
    if (event->type() == QEvent::MouseButtonPress && (watched == TabSheet5 || watched == Communications)) {
        const Qt::KeyboardModifiers modifiers = static_cast<QMouseEvent*>(event)->modifiers();
        TabSheet5MouseDown(modifiers);
        return false;
    }
    return false;
}
