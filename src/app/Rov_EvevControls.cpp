// The main window's design-time controls: menus, tool bar, pages, status bar.
#include "AboutLabels.h"
#include "CommunicationsPage.h"
#include "ComponentClasses.h"
#include "DownloadPage.h"
#include "EepromPage.h"
#include "HandsetIpeiPage.h"
#include "HandsetTextPage.h"
#include "HandsfreeGainPage.h"
#include "HelpWindow.h"
#include "InternalGainPage.h"
#include "Mnemonic.h"
#include "RepeaterPage.h"
#include "Rov_Evev.h"
#include "SndMail.h"
#include "TabSheet.h"
#include "TransducerPage.h"
#include "WelcomePage.h"
#include "WriteJournal.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <utility>

void TForm1::CreateControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tunebench"));
    resize(815, 590);
    move(171, 109);
    CreateMenus();
    CreatePages();
    CreateStatusBar();
    SetHelpChapters();
    ConnectOperationNotes();
}

void TForm1::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    File1 = bar->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Exit1 = File1->addAction(QStringLiteral("Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    About1 = bar->addMenu(QStringLiteral("Help"));
    About1->setObjectName(QStringLiteral("About1"));
    Help1 = About1->addAction(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    miLanguage = About1->addAction(QStringLiteral("Language"));
    miLanguage->setObjectName(QStringLiteral("miLanguage"));
    miAbout = About1->addAction(QStringLiteral("About"));
    miAbout->setObjectName(QStringLiteral("miAbout"));
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(Help1, &QAction::triggered, this, [this] { Help1Click(); });
    connect(miLanguage, &QAction::triggered, this, [this] { miLanguageClick(); });
    connect(miAbout, &QAction::triggered, this, [this] { miAboutClick(); });

    // The menu is shown as the tool bar's buttons, not as a menu bar.
    bar->hide();
    MainToolBar = addToolBar(QStringLiteral("MainToolBar"));
    MainToolBar->setObjectName(QStringLiteral("MainToolBar"));
    MainToolBar->setMovable(false);
    MainToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QMenu* menu : {File1, About1}) {
        auto* button = new QToolButton(MainToolBar);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setText(menu->title());
        button->setAutoRaise(true);
        MainToolBar->addWidget(button);
        (menu == File1 ? m_fileButton : m_helpButton) = button;
    }
}

TTabSheet* TForm1::AddSheet(const char* name, const char* caption)
{
    auto* sheet = new TTabSheet(QLatin1String(name), PageControl1);
    sheet->SetCaption(QLatin1String(caption));
    return sheet;
}

void TForm1::CreatePages()
{
    PageControl1 = new TPageControl(this);
    setCentralWidget(PageControl1);
    TabSheet1 = AddSheet("TabSheet1", "Welcome");
    TabSheet2 = AddSheet("TabSheet2", "Volume adjust PP");
    TabSheet3 = AddSheet("TabSheet3", "Handset Startup Text");
    TabSheet4 = AddSheet("TabSheet4", "Repeater");
    TabSheet5 = AddSheet("TabSheet5", "Communications");
    TabSheet6 = AddSheet("TabSheet6", "Download");
    TabSheet7 = AddSheet("TabSheet7", "Gain Control Internal LS/Mic");
    TabSheet9 = AddSheet("TabSheet9", "Gain Control Handsfree");
    TabSheet8 = AddSheet("TabSheet8", "Handset IPEI");
    tsReadWriteEeprom = AddSheet("tsReadWriteEeprom", "Read Write EEPROM");
    TabSheet2->SetTabVisible(false);
    TabSheet2->setEnabled(false);
    tsReadWriteEeprom->SetTabVisible(false);
    for (TTabSheet* sheet : {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6, TabSheet7, TabSheet9,
                             TabSheet8, tsReadWriteEeprom})
        PageControl1->AddPage(sheet);

    Welcome = new TWelcomePage;
    TabSheet1->SetContent(Welcome);
    AboutLabels = new TAboutLabels(Welcome);
    Communications = new TCommunicationsPage(*m_operations, m_environment.machineSettings);
    TabSheet5->SetContent(Communications);
    EepromPage = new TEepromPage(*m_operations);
    tsReadWriteEeprom->SetContent(EepromPage);
    // The handset pages; some show texts of another page's hidden labels.
    HandsetTextPage = new THandsetTextPage(*m_operations);
    TabSheet3->SetContent(HandsetTextPage);
    TransducerPage = new TTransducerPage(*m_operations, *HandsetTextPage->Label29);
    TabSheet2->SetContent(TransducerPage);
    InternalGainPage = new TInternalGainPage(*m_operations);
    TabSheet7->SetContent(InternalGainPage);
    HandsfreeGainPage = new THandsfreeGainPage(*m_operations, *InternalGainPage->Label45);
    TabSheet9->SetContent(HandsfreeGainPage);
    connect(InternalGainPage, &TInternalGainPage::HandsetReplaced, HandsfreeGainPage,
            &THandsfreeGainPage::DeviceMayHaveChanged);
    HandsetIpeiPage = new THandsetIpeiPage(*m_operations, *InternalGainPage->Label45);
    TabSheet8->SetContent(HandsetIpeiPage);
    connect(Communications, &TCommunicationsPage::DeviceKindFound, this, &TForm1::OnDeviceKindFound);

    RepeaterPage = new TRepeaterPage(*m_operations);
    TabSheet4->SetContent(RepeaterPage);
    connect(Communications, &TCommunicationsPage::RepeaterDetected, RepeaterPage,
            &TRepeaterPage::PrepareAfterDetection);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int) {
        if (PageControl1->currentWidget() == TabSheet4)
            RepeaterPage->TabSheet4Enter();
    });
    lblMemo1 = new QLabel(
        QStringLiteral("If Handsets of the type DAVO Pulsa is registrated on the system the range of numbers "
                       "for repeaters must be limited into 0-31 - Otherwise the handsets is not able to "
                       "registrate the repeater."),
        TabSheet4);
    lblMemo1->setObjectName(QStringLiteral("lblMemo1"));
    lblMemo1->hide();
    lblOperationRunning =
        new QLabel(QStringLiteral("Please wait: the device is busy with the running operation."), TabSheet5);
    lblOperationRunning->setObjectName(QStringLiteral("lblOperationRunning"));
    lblOperationRunning->hide();
    lblSettingsNotSaved =
        new QLabel(QStringLiteral("The settings were not saved; the previous ones are kept."), TabSheet5);
    lblSettingsNotSaved->setObjectName(QStringLiteral("lblSettingsNotSaved"));
    lblSettingsNotSaved->hide();
    lblPortLost = new QLabel(QStringLiteral("Port Lost"), TabSheet5);
    lblPortLost->setObjectName(QStringLiteral("lblPortLost"));
    lblPortLost->hide();
    lblJournalNotWritten = new QLabel(
        QStringLiteral("The journal of writes %1 cannot be written (%2); the device work goes on."), TabSheet5);
    lblJournalNotWritten->setObjectName(QStringLiteral("lblJournalNotWritten"));
    lblJournalNotWritten->hide();
    lblCloseWhileRunning = new QLabel(QStringLiteral("The device is being worked on. Stop after the write under "
                                                     "way and close the window?"),
                                      TabSheet5);
    lblCloseWhileRunning->setObjectName(QStringLiteral("lblCloseWhileRunning"));
    lblCloseWhileRunning->hide();
    DownloadPage = new TDownloadPage(*m_operations, m_environment.ProgramFolder(), UserSettingsFile());
    TabSheet6->SetContent(DownloadPage);
}

void TForm1::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    int index = 0;
    for (int width : {75, 200, 50}) {
        auto* panel = new TStatusPanel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(index++));
        panel->setFixedWidth(width);
        panel->setFrameShape(QFrame::StyledPanel);
        bar->addWidget(panel);
        m_panels << panel;
    }
}

void TForm1::ConnectOperationNotes()
{
    m_operations->OnOperationRefused = [this] { statusBar()->showMessage(lblOperationRunning->text()); };
    m_operations->OnOperationEnded = [this] {
        statusBar()->clearMessage();
        if (!m_operationNote.isEmpty())
            statusBar()->showMessage(std::exchange(m_operationNote, {}));
        CloseOnceStopped();
    };
    m_operations->Link().OnPortLost = [this] { OnPortLost(); };
    connect(EepromPage, &TEepromPage::OperationNote, this, [this](const QString& note) { m_operationNote = note; });
    // A journal that cannot be written is said once, as the operation's note,
    // so that no box interrupts a sequence of writes.
    TWriteJournal::SetWarning([this](const QString& path, const QString& reason) {
        m_operationNote = lblJournalNotWritten->text().arg(path, reason);
    });
    // The probe's pauses are long: the status bar shows which attempt runs.
    m_operations->Link().OnProbeAttempt = [this](int attempt, int attempts) {
        statusBar()->showMessage(Communications->ProbingText(attempt, attempts));
    };
    // The dialogs that follow a probe (file choice, questions) are not probing.
    m_operations->Link().OnProbeEnded = [this] { statusBar()->clearMessage(); };
}

void TForm1::SetMenuCaptions()
{
    File1->setTitle(WithMnemonic(Welcome->Label52->text()));
    m_fileButton->setText(File1->title());
    Exit1->setText(WithMnemonic(Welcome->Label53->text()));
    About1->setTitle(WithMnemonic(Welcome->Label54->text()));
    m_helpButton->setText(About1->title());
    Help1->setText(WithMnemonic(Welcome->Label54->text()));
    miAbout->setText(WithMnemonic(Welcome->lblAbout->text()));
    miLanguage->setText(WithMnemonic(Welcome->Label55->text()));
}

void TForm1::SetHelpChapters()
{
    // The guide's chapter for each page, opened by F1 on it.
    const std::pair<TTabSheet*, const char*> chapters[] = {
        {TabSheet1, ""},
        {TabSheet2, "Loudspeaker transducer"},
        {TabSheet3, "Handset startup text"},
        {TabSheet4, "Repeater configuration"},
        {TabSheet5, "Connecting a device"},
        {TabSheet6, "Menu files"},
        {TabSheet7, "Gains"},
        {TabSheet9, "Gains"},
        {TabSheet8, "Handset identity (IPEI)"},
        {tsReadWriteEeprom, "Single EEPROM cells"},
    };
    for (const auto& [sheet, chapter] : chapters)
        sheet->setProperty(kHelpChapterProperty, QString::fromLatin1(chapter));
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    help->setObjectName(QStringLiteral("HelpShortcut"));
    connect(help, &QShortcut::activated, this, [this] { HelpForActivePage(); });
}

QString TForm1::HelpChapter() const
{
    const TTabSheet* page = PageControl1->ActivePage();
    return page ? page->property(kHelpChapterProperty).toString() : QString();
}

void TForm1::HelpForActivePage() { ShowUserGuide(Welcome->Label54->text(), HelpChapter()); }

QPushButton* TForm1::Button9() const { return DownloadPage->Button9; }

QString TForm1::PanelText(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}
