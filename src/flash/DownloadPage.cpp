#include "DownloadPage.h"

#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "FileDialogs.h"
#include "FileLocations.h"
#include "MenuFolder.h"
#include "MenuPlayer.h"
#include "SndMail.h"
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

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button9);
    buttons->addWidget(Button10);
    buttons->addWidget(lblReadHelpfile);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(MenuGauge);

    connect(Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
    connect(Button10, &QPushButton::clicked, this, [this] { Button10Click(); });
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

void TDownloadPage::Button9Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    if (!m_session.ConnectionCheck())
        return;
    TWaitCursorGuard hourglass;
    TEnableGuard enable({Button9, Button10});
    ListBox1->clear();
    if (m_session.Link().ProbeDevice(1000) <= 0) {
        if (!m_session.Link().StopRequested)
            ShowMessage(Label44->text());
        return;
    }
    TMenuFolder folder(m_settingsFile);
    TFileDialogRequest request;
    // A portable program keeps its menu files beside it; an installed one cannot.
    request.directory =
        folder.StartFolder(TFileLocations(m_programFolder).Portable() ? m_programFolder : QDir::homePath());
    const QString path = ChooseOpenFile(this, request);
    if (path.isEmpty()) {
        ShowMessage(Label43->text());
        return;
    }
    folder.Remember(path);
    QStringList lines;
    QString error;
    if (!TMenuFile::Load(path, lines, error)) {
        ShowMessage(lblMenuReadError->text().arg(path, error));
        return;
    }
    ListBox1->addItems(lines);
    PlayListedLines(lines);
}

void TDownloadPage::ShowBadLine(const TMenuCheck& check)
{
    // Nothing was sent: every line stays listed, the bad one selected.
    ListBox1->setCurrentRow(check.badLine - 1);
    ShowMessage(TMenuFile::CheckText(check, ProblemTexts()));
}

void TDownloadPage::PlayListedLines(const QStringList& lines)
{
    const TMenuCheck check = TMenuFile::Check(lines);
    if (!check.Ok()) {
        ShowBadLine(check);
        return;
    }
    MenuGauge->setValue(0);
    MenuGauge->show();
    struct TGaugeHider {
        QProgressBar* gauge;
        ~TGaugeHider() { gauge->hide(); }
    } hideGauge{MenuGauge};

    TMenuPlayer player(m_session.Link());
    player.OnLineDone = [this](int, int percent) {
        delete ListBox1->takeItem(0);
        MenuGauge->setValue(percent);
    };
    const TMenuPlayResult result = player.Play(lines);
    switch (result.end) {
    case TMenuPlayResult::TEnd::Completed:
        ShowMessage(Label42->text());
        break;
    case TMenuPlayResult::TEnd::Refused:
        ShowBadLine(result.check);
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
