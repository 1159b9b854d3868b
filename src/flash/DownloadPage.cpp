#include "DownloadPage.h"

#include "AtomicFile.h"
#include "DeviceBackup.h"
#include "DeviceDetection.h"
#include "DeviceIdentity.h"
#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "FileDialogs.h"
#include "FileLocations.h"
#include "MenuFolder.h"
#include "MenuPlayer.h"
#include "MenuVerifier.h"
#include "SndMail.h"
#include "TpaProComImpl.h"
#include "UiGuards.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TDownloadPage::TDownloadPage(IDeviceSession& session, QString programFolder, QString settingsFile, QWidget* parent)
    : QWidget(parent), m_session(session), m_programFolder(std::move(programFolder)),
      m_settingsFile(std::move(settingsFile))
{
    setObjectName(QStringLiteral("DownloadPage"));
    Button9 = new QPushButton(QStringLiteral("Load Menu"), this);
    Button9->setObjectName(QStringLiteral("Button9"));
    btnVerifyMenu = new QPushButton(QStringLiteral("Verify Menu"), this);
    btnVerifyMenu->setObjectName(QStringLiteral("btnVerifyMenu"));
    btnVerifyMenu->setToolTip(QStringLiteral("Compares the device's cells with the lines of a menu file or backup"));
    btnSaveBackup = new QPushButton(QStringLiteral("Save Backup"), this);
    btnSaveBackup->setObjectName(QStringLiteral("btnSaveBackup"));
    btnSaveBackup->setToolTip(QStringLiteral("Reads the device's settings into a menu file that Load Menu plays back"));
    Button10 = new QPushButton(QStringLiteral("Load Flash"), this);
    Button10->setObjectName(QStringLiteral("Button10"));
    lblReadHelpfile = new QLabel(QStringLiteral("Read Helpfile-Software-Tab Download"), this);
    lblReadHelpfile->setObjectName(QStringLiteral("lblReadHelpfile"));
    lblReadHelpfile->setStyleSheet(QStringLiteral("color: #FF0000;"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    MenuGauge = new QProgressBar(this);
    MenuGauge->setObjectName(QStringLiteral("MenuGauge"));
    MenuGauge->setRange(0, 100);
    MenuGauge->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: #008000; }"));
    MenuGauge->hide();

    Label42 = AddHiddenLabel("Label42",
                             QStringLiteral("Download complete. Turn power off handset for changes to take effect !"));
    Label43 = AddHiddenLabel("Label43", QStringLiteral("Cancel by User !"));
    Label44 = AddHiddenLabel("Label44", QStringLiteral("Please check that the handset is connected properly !!!!"));
    Label56 = AddHiddenLabel("Label56", QStringLiteral("Download - FAIL !!"));
    const TMenuProblemTexts texts;
    lblMenuLine = AddHiddenLabel("lblMenuLine", texts.lineFormat);
    lblMenuTooManyFields = AddHiddenLabel("lblMenuTooManyFields", texts.tooManyFields);
    lblMenuFieldNotHex = AddHiddenLabel("lblMenuFieldNotHex", texts.fieldNotHex);
    lblMenuCountOutOfRange = AddHiddenLabel("lblMenuCountOutOfRange", texts.countOutOfRange);
    lblMenuDataCount = AddHiddenLabel("lblMenuDataCount", texts.dataCountMismatch);
    lblMenuPastEnd = AddHiddenLabel("lblMenuPastEnd", texts.pastLastAddress);
    lblMenuReadError = AddHiddenLabel("lblMenuReadError", QStringLiteral("Cannot read %1: %2"));
    lblMenuFileProblem = AddHiddenLabel("lblMenuFileProblem", QStringLiteral("%1: %2"));
    lblVerifyMatch = AddHiddenLabel("lblVerifyMatch", QStringLiteral("The device holds every line of the file."));
    lblVerifyDiffer = AddHiddenLabel("lblVerifyDiffer",
                                     QStringLiteral("%1 line(s) differ from the device; they are marked in the list."));
    lblVerifyNoAnswer = AddHiddenLabel("lblVerifyNoAnswer", QStringLiteral("Line %1 got no valid answer."));
    lblMenuNothingToWrite = AddHiddenLabel(
        "lblMenuNothingToWrite",
        QStringLiteral("No line of the file writes a cell (it holds only empty and REM lines); nothing was sent."));
    lblMenuNothingToVerify = AddHiddenLabel(
        "lblMenuNothingToVerify",
        QStringLiteral("No line of the file writes a cell (it holds only empty and REM lines); nothing was compared."));
    lblBackupSaved = AddHiddenLabel("lblBackupSaved", QStringLiteral("The backup was saved to %1."));
    lblBackupNoAnswer =
        AddHiddenLabel("lblBackupNoAnswer", QStringLiteral("Cell %1 got no valid answer; no backup was saved."));
    lblBackupSaveError = AddHiddenLabel("lblBackupSaveError", QStringLiteral("Cannot save %1: %2"));
    lblBackupKindUnknown = AddHiddenLabel(
        "lblBackupKindUnknown",
        QStringLiteral("The device's identity gave no valid answer, so its kind is unknown; no backup was saved."));
    lblIdentityKept = AddHiddenLabel("lblIdentityKept",
                                     QStringLiteral("Identity kept: the device's is %1, the file was read from %2; "
                                                    "the device's identity cells are left as they are."));
    lblIdentityNone = AddHiddenLabel("lblIdentityNone", QStringLiteral("none"));
    lblIdentityFileDisagrees = AddHiddenLabel(
        "lblIdentityFileDisagrees",
        QStringLiteral("The file's identity line names another identity than its lines at 0040h-0044h write: the file "
                       "is damaged or was edited. Nothing was written."));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button9);
    buttons->addWidget(btnVerifyMenu);
    buttons->addWidget(btnSaveBackup);
    buttons->addWidget(Button10);
    buttons->addWidget(lblReadHelpfile);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(MenuGauge);

    connect(Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
    connect(Button10, &QPushButton::clicked, this, [this] { Button10Click(); });
    connect(btnVerifyMenu, &QPushButton::clicked, this, [this] { btnVerifyMenuClick(); });
    connect(btnSaveBackup, &QPushButton::clicked, this, [this] { btnSaveBackupClick(); });
}

QLabel* TDownloadPage::AddHiddenLabel(const char* name, const QString& caption)
{
    auto* label = new QLabel(caption, this);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

TMenuProblemTexts TDownloadPage::ProblemTexts() const
{
    TMenuProblemTexts texts;
    texts.lineFormat = lblMenuLine->text();
    texts.tooManyFields = lblMenuTooManyFields->text();
    texts.fieldNotHex = lblMenuFieldNotHex->text();
    texts.countOutOfRange = lblMenuCountOutOfRange->text();
    texts.dataCountMismatch = lblMenuDataCount->text();
    texts.pastLastAddress = lblMenuPastEnd->text();
    return texts;
}

QString TDownloadPage::MenuStartFolder() const
{
    // A portable program keeps its menu files beside it; an installed one cannot.
    return TMenuFolder(m_settingsFile)
        .StartFolder(TFileLocations(m_programFolder).Portable() ? m_programFolder : QDir::homePath());
}

bool TDownloadPage::ProbeAndLoadMenu(TMenuLines& lines)
{
    ListBox1->clear();
    if (m_session.Link().ProbeDevice(1000) <= 0) {
        if (!m_session.Link().StopRequested)
            ShowMessage(Label44->text());
        return false;
    }
    TFileDialogRequest request;
    request.directory = MenuStartFolder();
    const QString path = ChooseOpenFile(this, request);
    if (path.isEmpty()) {
        ShowMessage(Label43->text());
        return false;
    }
    TMenuFolder(m_settingsFile).Remember(path);
    m_menuPath = path;
    QString error;
    if (!TMenuFile::Load(path, lines, error)) {
        ShowMessage(lblMenuReadError->text().arg(path, error));
        return false;
    }
    ListBox1->addItems(lines.AllLines());
    return true;
}

void TDownloadPage::RunDeviceAction(void (TDownloadPage::*action)())
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    if (!m_session.ConnectionCheck())
        return;
    TWaitCursorGuard hourglass;
    TEnableGuard enable({Button9, Button10, btnVerifyMenu, btnSaveBackup});
    (this->*action)();
}

void TDownloadPage::SetDeviceActionsEnabled(bool enabled)
{
    SetLoadMenuEnabled(enabled);
    SetBackupActionsEnabled(enabled);
}

void TDownloadPage::SetLoadMenuEnabled(bool enabled) { Button9->setEnabled(enabled); }

void TDownloadPage::SetBackupActionsEnabled(bool enabled)
{
    for (QPushButton* button : {btnVerifyMenu, btnSaveBackup})
        button->setEnabled(enabled);
}

void TDownloadPage::Button9Click() { RunDeviceAction(&TDownloadPage::LoadMenu); }
void TDownloadPage::btnVerifyMenuClick() { RunDeviceAction(&TDownloadPage::VerifyMenu); }
void TDownloadPage::btnSaveBackupClick() { RunDeviceAction(&TDownloadPage::SaveBackup); }

namespace {
struct TGaugeShown {
    explicit TGaugeShown(QProgressBar* g) : gauge(g)
    {
        gauge->setValue(0);
        gauge->show();
    }
    ~TGaugeShown() { gauge->hide(); }
    TGaugeShown(const TGaugeShown&) = delete;
    TGaugeShown& operator=(const TGaugeShown&) = delete;
    QProgressBar* gauge;
};
} // namespace

bool TDownloadPage::CheckListed(const TMenuLines& lines, const QString& emptyText,
                                const std::optional<TDeviceDemand>& demand, std::optional<TCellRun>& kept,
                                QString& note)
{
    const TMenuCheck check = TMenuFile::Check(lines);
    if (!check.Ok()) {
        ShowBadLine(check);
        return false;
    }
    // Before the device is read: such a file has nothing to do with it.
    if (check.writes == 0) {
        ShowMessage(emptyText);
        return false;
    }
    if (demand && !m_session.GuardDevice(*demand))
        return false;
    const TIdentityCheck identity = CheckIdentity(m_session.Link(), lines, false, false);
    if (identity.decision.action == TIdentityDecision::TAction::FileDisagrees) {
        ShowMessage(lblIdentityFileDisagrees->text());
        return false;
    }
    kept = identity.decision.KeptCells();
    if (kept)
        note = lblIdentityKept->text().arg(
            identity.device.state == TDeviceIdentity::TState::Valid ? identity.device.text : lblIdentityNone->text(),
            identity.file.identity.isEmpty() ? lblIdentityNone->text() : identity.file.identity);
    return true;
}

void TDownloadPage::LoadMenu()
{
    TMenuLines lines;
    if (ProbeAndLoadMenu(lines))
        PlayListedLines(lines);
}

void TDownloadPage::VerifyMenu()
{
    TMenuLines lines;
    QString identityNote;
    std::optional<TCellRun> kept;
    if (!ProbeAndLoadMenu(lines) ||
        !CheckListed(lines, lblMenuNothingToVerify->text(), std::nullopt, kept, identityNote))
        return;
    TMenuVerifyResult result;
    {
        const TGaugeShown gauge(MenuGauge);
        TMenuVerifier verifier(m_session.Link());
        verifier.SetApart = kept;
        verifier.OnLineDone = [this](int, int percent) { MenuGauge->setValue(percent); };
        result = verifier.Verify(lines);
    }
    for (const TMenuDifference& d : result.differences) {
        QListWidgetItem* item = ListBox1->item(d.line - 1);
        item->setBackground(d.identity ? QColor(0xFF, 0xF0, 0xB0) : QColor(0xFF, 0xC0, 0xC0));
        item->setToolTip(item->toolTip().isEmpty() ? d.Text() : item->toolTip() + QLatin1Char('\n') + d.Text());
    }
    switch (result.end) {
    case TMenuVerifyResult::TEnd::Stopped:
        return;
    case TMenuVerifyResult::TEnd::Refused:
        ShowBadLine(result.check);
        return;
    case TMenuVerifyResult::TEnd::Empty:
        ShowMessage(lblMenuNothingToVerify->text());
        return;
    case TMenuVerifyResult::TEnd::NoAnswer:
        ListBox1->setCurrentRow(result.failedLine - 1);
        ShowMessage(lblVerifyNoAnswer->text().arg(result.failedLine));
        return;
    case TMenuVerifyResult::TEnd::Completed:
        break;
    }
    const bool identityDiffers = result.SettingDifferences() < static_cast<int>(result.differences.size());
    const QString note = identityDiffers ? QLatin1Char('\r') + identityNote : QString();
    if (result.SettingDifferences() == 0) {
        ShowMessage(lblVerifyMatch->text() + note);
        return;
    }
    ListBox1->setCurrentRow(result.differences.front().line - 1);
    ShowMessage(lblVerifyDiffer->text().arg(result.SettingDifferences()) + note);
}

void TDownloadPage::SaveBackup()
{
    TMailControl& link = m_session.Link();
    if (link.ProbeDevice(1000) <= 0) {
        if (!link.StopRequested)
            ShowMessage(Label44->text());
        return;
    }
    TBackupHeader header;
    header.kind = TDeviceDetector(link).DetectDevice();
    if (link.StopRequested)
        return;
    if (header.kind == DeviceKind::Unknown) {
        ShowMessage(lblBackupKindUnknown->text());
        return;
    }
    header.identity = ReadDeviceIdentity(link, header.kind).text;
    TFileDialogRequest request;
    request.directory = MenuStartFolder();
    request.fileName = QStringLiteral("%1-%2.mnu")
                           .arg(QLatin1String(DeviceKindName(header.kind)),
                                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = ChooseSaveFile(this, request);
    if (path.isEmpty()) {
        ShowMessage(Label43->text());
        return;
    }
    TMenuFolder(m_settingsFile).Remember(path);
    header.port = QStringLiteral("COM%1").arg(link.Channel()->ComNumber());
    if (const auto* port = dynamic_cast<const TTpaProComImpl*>(link.Channel()))
        header.port += QStringLiteral(" (%1)").arg(port->DevicePath());
    header.rate = link.Channel()->Baud();
    header.runs = ProgramCells(header.kind);
    header.date = QDateTime::currentDateTime();
    TBackupRead read;
    {
        const TGaugeShown gauge(MenuGauge);
        TDeviceBackup backup(link);
        backup.OnProgress = [this](int done, int total) { MenuGauge->setValue(TMenuFile::GaugePercent(done, total)); };
        read = backup.Read(header.runs);
    }
    if (read.stopped)
        return;
    if (!read.complete) {
        ShowMessage(lblBackupNoAnswer->text().arg(
            QString::number(read.failedAddress, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        return;
    }
    QString error;
    if (!WriteFileAtomically(path, BackupFileBytes(header, read.lines), nullptr, &error)) {
        ShowMessage(lblBackupSaveError->text().arg(path, error));
        return;
    }
    ListBox1->clear();
    ListBox1->addItems(header.Lines() + read.lines);
    ShowMessage(lblBackupSaved->text().arg(path));
}

void TDownloadPage::ShowBadLine(const TMenuCheck& check)
{
    // Nothing was sent: every line stays listed, the bad one selected.
    ListBox1->setCurrentRow(check.badLine - 1);
    ShowMessage(lblMenuFileProblem->text().arg(QDir::toNativeSeparators(m_menuPath),
                                               TMenuFile::CheckText(check, ProblemTexts())));
}

void TDownloadPage::PlayListedLines(const TMenuLines& lines)
{
    QString identityNote;
    std::optional<TCellRun> kept;
    // A backup of another kind of device would give this one its settings and identity.
    const TDeviceDemand demand{true, MenuTargetKind(lines)};
    if (!CheckListed(lines, lblMenuNothingToWrite->text(), demand, kept, identityNote))
        return;
    // The gauge stays up until the technician has read how it ended.
    const TGaugeShown gauge(MenuGauge);
    TMenuPlayer player(m_session.Link());
    player.LeaveOut = kept;
    // The list shows the lines still to play, empty ones included.
    player.OnLineDone = [this, total = lines.LineCount()](int done, int percent) {
        while (ListBox1->count() > total - done)
            delete ListBox1->takeItem(0);
        MenuGauge->setValue(percent);
    };
    const TMenuPlayResult result = player.Play(lines);
    const QString note = identityNote.isEmpty() ? QString() : QLatin1Char('\r') + identityNote;
    switch (result.end) {
    case TMenuPlayResult::TEnd::Completed:
        ShowMessage(Label42->text() + note);
        break;
    case TMenuPlayResult::TEnd::Refused:
        ShowBadLine(result.check);
        break;
    case TMenuPlayResult::TEnd::Empty:
        ShowMessage(lblMenuNothingToWrite->text());
        break;
    case TMenuPlayResult::TEnd::WriteFailed:
        ShowMessage(Label56->text() + QLatin1Char('\r') + Label44->text());
        break;
    case TMenuPlayResult::TEnd::Stopped:
        break;
    }
}

void TDownloadPage::Button10Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    m_session.Link().ClosePort();
    emit LoadFlashRequested();
}
