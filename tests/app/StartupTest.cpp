// Start-up of the main window without a device: settings files, the settings
// store, switches, window position, closing.
#include "CommunicationsPage.h"
#include "DialogsForm.h"
#include "DownloadPage.h"
#include "HelpWindow.h"
#include "MainWindowFixture.h"
#include "ProgramWindows.h"
#include "RadioGroup.h"
#include "SerialMonitorForm.h"
#include "StartupSettings.h"
#include "TabSheet.h"
#include "TrafficMonitor.h"
#include "TranslatableComponents.h"
#include "WelcomePage.h"
#ifdef Q_OS_UNIX
#include "support/FileSizeLimit.h"
#endif

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QtTest/QTest>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

using tbtest::MainWindowFixture;

class StartupTest : public MainWindowFixture {};

QPoint CentredPosition(const QSize& size)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    return {area.left() + (screen->geometry().width() - size.width()) / 2,
            area.top() + (screen->geometry().height() - size.height()) / 2};
}

// The last sheet is hidden at start; picking a tab that is in view must not
// scroll the tab row (the tabs after it once vanished, a gap opening on the left).
TEST_F(StartupTest, PickingATabInViewKeepsTheTabRowInPlace)
{
    TForm1& form = Start();
    QTabBar* tabs = form.PageControl1->tabBar();
    const int firstLeft = tabs->tabRect(0).left();
    for (TTabSheet* sheet : {form.TabSheet3, form.TabSheet4, form.TabSheet1}) {
        form.PageControl1->SetActivePage(sheet);
        EXPECT_EQ(tabs->tabRect(0).left(), firstLeft) << sheet->objectName().toStdString();
    }
}

TEST_F(StartupTest, WithoutAnySettingsOpensCentredOnWelcomeWithDevicePagesDisabled)
{
    TForm1& form = Start();
    EXPECT_EQ(form.windowTitle(), "Tunebench");
    EXPECT_EQ(form.pos(), CentredPosition(form.size()));
    EXPECT_EQ(form.PageControl1->ActivePage(), form.TabSheet1);
    EXPECT_FALSE(form.TabSheet2->TabVisible());
    EXPECT_FALSE(form.tsReadWriteEeprom->TabVisible());
    for (TTabSheet* sheet : {form.TabSheet1, form.TabSheet3, form.TabSheet4, form.TabSheet5, form.TabSheet6,
                             form.TabSheet7, form.TabSheet8, form.TabSheet9})
        EXPECT_TRUE(sheet->TabVisible()) << sheet->objectName().toStdString();
    for (TTabSheet* sheet :
         {form.TabSheet2, form.TabSheet3, form.TabSheet4, form.TabSheet7, form.TabSheet9, form.TabSheet8})
        EXPECT_FALSE(sheet->isEnabled()) << sheet->objectName().toStdString();
    for (TTabSheet* sheet : {form.TabSheet1, form.TabSheet5, form.TabSheet6, form.tsReadWriteEeprom})
        EXPECT_TRUE(sheet->isEnabled()) << sheet->objectName().toStdString();
    for (QPushButton* action : {form.Button9(), form.DownloadPage->btnVerifyMenu, form.DownloadPage->btnSaveBackup})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_EQ(form.Communications->rgBaudrate->ItemIndex(), 1);
    EXPECT_EQ(form.Communications->ComChoice->currentText(), "COM1");
    EXPECT_EQ(form.PanelText(0), "");
    EXPECT_EQ(form.PanelText(1), "Nothing Connected");
    EXPECT_FALSE(form.Communications->chk2WireSerial->isVisible());
    EXPECT_FALSE(form.Operations().Link().IsPortOpen());
    EXPECT_EQ(m_dialogs.Count(), 0u);
    EXPECT_EQ(form.Welcome->lblVersion->text().section(' ', 0, 0), "Version");
    EXPECT_FALSE(Registry().ValueExists(QStringLiteral("COMPORT")));
}

TEST_F(StartupTest, StatusBarPanelsAndTranslatedBaudItems)
{
    TForm1& form = Start();
    const auto panels = form.statusBar()->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Panel\\d$")));
    ASSERT_EQ(panels.size(), 3);
    EXPECT_EQ(panels[0]->width(), 75);
    EXPECT_EQ(panels[1]->width(), 200);
    EXPECT_EQ(panels[2]->width(), 50);
    EXPECT_EQ(form.Communications->rgBaudrate->Items(),
              QStringList({"DAVO Repeater 2.4 GHz (8600 baud)",
                           "DAVO Pulsa, DAVO 7310 and DAVO Repeater 1.8/1.9 GHz (9600 baud)",
                           "DAVO 8220/8240/8280 1.8/1.9/2.4 GHz (115200 baud)",
                           "DAVO 7310 (HW PCS 70 and above) (115200 baud)"}));
}

TEST_F(StartupTest, MenuAndBaudCaptionsComeFromTheHiddenLabels)
{
    // What a language file changes before the window is shown reaches the menus and items.
    TForm1& form = Create();
    form.Welcome->Label52->setText(QStringLiteral("Datei"));
    form.Welcome->Label54->setText(QStringLiteral("Hilfe"));
    form.Communications->findChild<QLabel*>(QStringLiteral("lblBaud9600"))->setText(QStringLiteral("9600 Baud"));
    form.show();
    // Each menu caption has its Alt-key mnemonic, whatever the language.
    EXPECT_EQ(form.File1->title(), "&Datei");
    EXPECT_EQ(form.About1->title(), "&Hilfe");
    EXPECT_EQ(form.Help1->text(), "&Hilfe");
    EXPECT_EQ(form.Exit1->text(), "&Exit");
    EXPECT_EQ(form.Communications->rgBaudrate->Items().value(1), "9600 Baud");
}

TEST_F(StartupTest, F1OpensTheGuideAtTheChapterOfThePageOnTop)
{
    TForm1& form = Start();
    for (TTabSheet* sheet : {form.TabSheet3, form.TabSheet4, form.TabSheet5, form.TabSheet6, form.TabSheet7,
                             form.TabSheet9, form.TabSheet8}) {
        form.PageControl1->SetActivePage(sheet);
        const QString chapter = form.HelpChapter();
        ASSERT_FALSE(chapter.isEmpty()) << sheet->objectName().toStdString();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F1);
        THelpWindow* help = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* h = qobject_cast<THelpWindow*>(w); h && h->isVisible())
                help = h;
        ASSERT_NE(help, nullptr) << sheet->objectName().toStdString();
        EXPECT_TRUE(help->ShowChapter(chapter)) << chapter.toStdString();
        help->close();
    }
}

struct SwitchCase {
    const char* argument;
    bool volumeTab;
    bool usage;
    bool monitor;
    bool twoWire;
};

class SwitchTest : public MainWindowFixture, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchTest, WholeArgumentWithSlashOrDashAnyCase)
{
    const SwitchCase c = GetParam();
    InstallSerialMonitorFactory();
    TForm1& form = Start({QStringLiteral("other"), QString::fromLatin1(c.argument)});
    EXPECT_EQ(form.TabSheet2->TabVisible(), c.volumeTab);
    EXPECT_FALSE(form.TabSheet2->isEnabled());
    EXPECT_EQ(TrafficMonitorRegistry::Current() != nullptr, c.monitor);
    EXPECT_EQ(!form.Communications->chk2WireSerial->isHidden(), c.twoWire);
    ASSERT_EQ(m_dialogs.Count(), c.usage ? 1u : 0u);
    if (c.usage) {
        EXPECT_EQ(m_dialogs.Last().text,
                  "Usage:    Tunebench.exe /Param\r\r/?\t(This help)\r/va\t(Tabsheet \"Volume adjust PP\" visible)\r"
                  "/sm\t(\"SendMail Monitor\" visible)\r/d\t(Debug Mode)");
        EXPECT_EQ(m_dialogs.Last().caption, "Information");
        EXPECT_EQ(m_dialogs.Last().ButtonNames(), QStringList({"OK"}));
    }
    // Start-up went on as usual.
    EXPECT_EQ(form.PanelText(1), "Nothing Connected");
    TMailControl::FreeMonitor();
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SwitchTest,
    ::testing::Values(SwitchCase{"-VA", true, false, false, false}, SwitchCase{"/va", true, false, false, false},
                      SwitchCase{"/vax", false, false, false, false}, SwitchCase{"va", false, false, false, false},
                      SwitchCase{"/?", false, true, false, false}, SwitchCase{"-Sm", false, false, true, false},
                      SwitchCase{"/D", false, false, false, true}, SwitchCase{"/dx", false, false, false, false}));

TEST_F(StartupTest, MaximizedKeepsTheStoredSizeForLater)
{
    WriteFile(QStringLiteral("Tunebench.ini"),
              "[Form1]\r\nMaximized=1\r\nHeight=400\r\nWidth=600\r\nTop=20\r\nLeft=30\r\n");
    TForm1& form = Start();
    EXPECT_TRUE(form.isMaximized());
    form.close();
    const TProfileFile ini(Folder() + QStringLiteral("Tunebench.ini"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Form1"), QStringLiteral("Maximized")), "1");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Height"), 0), 400);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Left"), 0), 30);
}

struct PositionCase {
    const char* name;
    QByteArray section;
    bool centred;
    QPoint position;
};

class PositionTest : public MainWindowFixture, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(PositionTest, RestoresOrCentres)
{
    WriteFile(QStringLiteral("Tunebench.ini"), "[Form1]\r\n" + GetParam().section);
    TForm1& form = Start();
    EXPECT_EQ(form.pos(), GetParam().centred ? CentredPosition(form.size()) : GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PositionTest,
    ::testing::Values(
        PositionCase{"TopAboveDesktop", "Top=-500\r\nLeft=10\r\nWidth=815\r\nHeight=590\r\n", true, {}},
        PositionCase{"LeftPartlyOff", "Top=10\r\nLeft=-100\r\nWidth=815\r\nHeight=590\r\n", false, {-100, 10}},
        PositionCase{"RightOfDesktop", "Top=10\r\nLeft=5000\r\nWidth=815\r\nHeight=590\r\n", true, {}},
        PositionCase{"UnreadableNumbers", "Top=abc\r\nLeft=\r\nWidth=400\r\nHeight=300\r\n", false, {10, 10}},
        PositionCase{"StoredPlace", "Top=40\r\nLeft=50\r\nWidth=400\r\nHeight=300\r\n", false, {50, 40}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, StartPositionFromConfigIni)
{
    struct Case {
        QByteArray config;
        const char* active; // nullptr: no page
    };
    for (const Case& c : {Case{"[Tabsheets]\r\nStart Position=5\r\n", "TabSheet5"},
                          Case{"[Tabsheets]\r\nStart Position=10\r\n", nullptr},
                          Case{"[tabsheets]\r\nstart position=x\r\n", "TabSheet1"}}) {
        WriteFile(QStringLiteral("config.ini"), c.config);
        TForm1& form = Start();
        TTabSheet* active = form.PageControl1->ActivePage();
        if (c.active)
            EXPECT_EQ(active ? active->objectName() : QString(), QLatin1String(c.active)) << c.config.constData();
        else
            EXPECT_EQ(active, nullptr);
        m_form.reset();
    }
}

TEST_F(StartupTest, TabVisibilityFromConfigIni)
{
    WriteFile(QStringLiteral("config.ini"), "[Tabsheets]\r\n2=1\r\n3=0\r\n4=0\r\n8=no\r\n9=0\r\n");
    TForm1& form = Start();
    EXPECT_TRUE(form.TabSheet2->TabVisible());
    EXPECT_FALSE(form.TabSheet3->TabVisible());
    EXPECT_FALSE(form.TabSheet4->TabVisible());
    EXPECT_TRUE(form.TabSheet8->TabVisible()); // not a number: the default
    EXPECT_FALSE(form.TabSheet9->TabVisible());
    EXPECT_TRUE(form.TabSheet5->TabVisible());
    EXPECT_FALSE(form.tsReadWriteEeprom->TabVisible());
}

TEST_F(StartupTest, LanguageNameDecidesWhichLanguageFileIsApplied)
{
    struct Case {
        const char* registry; // nullptr: not set
        bool defaultLng;
        const char* applied; // the file whose texts show; nullptr: none
        const char* ok;      // the OK button afterwards
    };
    // English.lng, english.lng's stand-in and German.lng are always there.
    WriteFile(QStringLiteral("English.lng"),
              "[Form1]\r\nTabSheet1.Caption=English.lng\r\n[DialogsForm]\r\nlblOk.Caption=E\r\n");
    WriteFile(QStringLiteral("German.lng"),
              "[Form1]\r\nTabSheet1.Caption=German.lng\r\n[DialogsForm]\r\nlblOk.Caption=G\r\n");
    // A language without a file still copies the dialog texts: "Ok" from the labels.
    for (const Case& c : {Case{"English", false, nullptr, "OK"}, Case{"english", false, "English.lng", "E"},
                          Case{nullptr, false, nullptr, "OK"}, Case{nullptr, true, "Default.lng", "Ok"},
                          Case{"German", true, "German.lng", "G"}, Case{"English", true, nullptr, "OK"},
                          Case{"../German", false, nullptr, "Ok"}}) {
        SetDialogTexts(DefaultDialogTexts());
        Registry().DeleteValue(QStringLiteral("Language"));
        if (c.registry)
            Registry().WriteString(QStringLiteral("Language"), QLatin1String(c.registry));
        QFile::remove(Folder() + QStringLiteral("Default.lng"));
        if (c.defaultLng)
            WriteFile(QStringLiteral("Default.lng"), "[Form1]\r\nTabSheet1.Caption=Default.lng\r\n");
        TDialogsForm dialogsForm;
        TForm1& form = Create();
        form.SetWindowFinder(
            [&](const QString& name) { return name == dialogsForm.objectName() ? &dialogsForm : nullptr; });
        form.show();
        const char* registry = c.registry ? c.registry : "-";
        EXPECT_EQ(form.TabSheet1->Caption(), c.applied ? c.applied : "Welcome") << registry;
        EXPECT_EQ(DialogTexts()[dtOK], QLatin1String(c.ok)) << registry;
        m_form.reset();
    }
}

TEST_F(StartupTest, SavedComPortSelectedOnlyWhenInRange)
{
    for (auto [stored, index] : {std::pair{0, 0}, {-2, 0}, {3, 2}, {9, 8}, {12, 0}}) {
        Registry().WriteInteger(QStringLiteral("COMPORT"), stored);
        TForm1& form = Start();
        EXPECT_EQ(form.Communications->ComChoice->currentIndex(), index) << stored;
        m_form.reset();
    }
}

TEST_F(StartupTest, InstallationStepCopiesFilesDeletesSourceDirAndReports)
{
    QTemporaryDir source;
    QFile logo(source.filePath(QStringLiteral("config.ini")));
    ASSERT_TRUE(logo.open(QIODevice::WriteOnly));
    logo.write("[Tabsheets]\r\nStart Position=5\r\n");
    logo.close();
    WriteFile(QStringLiteral("config.ini"), "[Tabsheets]\r\nStart Position=1\r\n");
    WriteFile(QStringLiteral("user.ico"), "old icon");
    Registry().WriteString(QStringLiteral("SourceDir"), source.path() + QLatin1Char('/'));
    TForm1& form = Start();
    EXPECT_FALSE(Registry().ValueExists(QStringLiteral("SourceDir")));
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Installation has Completed !");
    EXPECT_EQ(m_dialogs.Last().type, mtInformation);
    // The copied config.ini already counts for this start; a file missing in
    // the source leaves the one in the program folder alone.
    EXPECT_EQ(form.PageControl1->ActivePage(), form.TabSheet5);
    QFile icon(Folder() + QStringLiteral("user.ico"));
    ASSERT_TRUE(icon.open(QIODevice::ReadOnly));
    EXPECT_EQ(icon.readAll(), "old icon");
    EXPECT_FALSE(form.isMinimized());
}

#ifdef Q_OS_LINUX
// The names removed from the program folder while the watch was on.
class TRemovalWatch {
public:
    explicit TRemovalWatch(const QString& folder)
        : m_fd(inotify_init1(IN_NONBLOCK)),
          m_watch(inotify_add_watch(m_fd, folder.toLocal8Bit().constData(), IN_DELETE))
    {}
    ~TRemovalWatch() { close(m_fd); }
    [[nodiscard]] bool Watching() const { return m_fd >= 0 && m_watch >= 0; }
    [[nodiscard]] QStringList Removed() const
    {
        QStringList names;
        alignas(inotify_event) char buffer[4096];
        ssize_t n = 0;
        while ((n = read(m_fd, buffer, sizeof buffer)) > 0)
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0)
                    names << QString::fromLocal8Bit(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        return names;
    }

private:
    int m_fd;
    int m_watch;
};

TEST_F(StartupTest, InstallationReplacesAFileWithoutRemovingTheOldOneFirst)
{
    QTemporaryDir source;
    QFile config(source.filePath(QStringLiteral("config.ini")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("[Tabsheets]\r\nStart Position=5\r\n");
    config.close();
    WriteFile(QStringLiteral("config.ini"), "[Tabsheets]\r\nStart Position=1\r\n");
    Registry().WriteString(QStringLiteral("SourceDir"), source.path() + QLatin1Char('/'));
    const TRemovalWatch watch(Folder());
    ASSERT_TRUE(watch.Watching());
    TForm1& form = Start();
    // Had the new file failed to take its place, the old one would still be there.
    EXPECT_FALSE(watch.Removed().contains(QStringLiteral("config.ini")));
    EXPECT_EQ(form.PageControl1->ActivePage(), form.TabSheet5);
}
#endif

TEST_F(StartupTest, SourceDirThatDoesNotExistIsStillDeletedAndReported)
{
    Registry().WriteString(QStringLiteral("SourceDir"), Folder() + QStringLiteral("nowhere/"));
    Start();
    EXPECT_FALSE(Registry().ValueExists(QStringLiteral("SourceDir")));
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Installation has Completed !");
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files), QStringList{});
}

TEST_F(StartupTest, PositionGoesToTunebenchIniAndBaudIndexToTheProgramsOwnIni)
{
    WriteFile(QStringLiteral("x.ini"), "[User]\r\nBaudrateIndex=3\r\n");
    TForm1& form = Start({}, QStringLiteral("x.exe"));
    EXPECT_EQ(form.Communications->rgBaudrate->ItemIndex(), 3);
    form.Communications->rgBaudrate->SetItemIndex(0);
    form.move(33, 44);
    form.close();
    const TProfileFile positions(Folder() + QStringLiteral("Tunebench.ini"));
    EXPECT_EQ(positions.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Left"), 0), 33);
    EXPECT_EQ(positions.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Top"), 0), 44);
    EXPECT_EQ(positions.ReadString(QStringLiteral("Form1"), QStringLiteral("Maximized")), "0");
    EXPECT_FALSE(positions.KeyExists(QStringLiteral("User"), QStringLiteral("BaudrateIndex")));
    EXPECT_EQ(TProfileFile(Folder() + QStringLiteral("x.ini"))
                  .ReadInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), -1),
              0);
}

TEST_F(StartupTest, FileExitSavesNothingWhileClosingSavesBoth)
{
    {
        TForm1& form = Start();
        form.Communications->rgBaudrate->SetItemIndex(2);
        form.move(33, 44);
        form.Exit1Click();
        m_form.reset();
    }
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("Tunebench.ini")));
    TForm1& form = Start();
    EXPECT_EQ(form.Communications->rgBaudrate->ItemIndex(), 1);
    form.Communications->rgBaudrate->SetItemIndex(2);
    form.move(33, 44);
    form.close();
    m_form.reset();
    const TProfileFile ini(Folder() + QStringLiteral("Tunebench.ini"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), -1), 2);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Left"), 0), 33);
    TForm1& again = Start();
    EXPECT_EQ(again.pos(), QPoint(33, 44));
    EXPECT_EQ(again.Communications->rgBaudrate->ItemIndex(), 2);
}

TEST_F(StartupTest, SettingsThatCannotBeWrittenAtCloseKeepTheOldFileAndAreReported)
{
#ifndef Q_OS_UNIX
    GTEST_SKIP() << "the full disk is a file size limit (RLIMIT_FSIZE), which Windows has not";
#else
    const QByteArray old =
        "; kept by hand\r\n[Form1]\r\nLeft=5\r\n\r\n[User]\r\nBaudrateIndex=3\r\n" + QByteArray(200, ';');
    WriteFile(QStringLiteral("Tunebench.ini"), old);
    TForm1& form = Start();
    form.move(33, 44);
    {
        const tbtest::TFileSizeLimit fullDisk(64);
        form.close();
    }
    QFile file(Folder() + QStringLiteral("Tunebench.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(QDir(Folder()).entryList({QStringLiteral("Tunebench.ini?*")}, QDir::Files), QStringList{});
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith(form.lblSettingsNotSaved->text()));
    EXPECT_TRUE(m_dialogs.Last().text.contains(QStringLiteral("Tunebench.ini")));
#endif
}

TEST_F(StartupTest, SecondInstanceIsRefused)
{
    TProgramEnvironment env;
    env.programFile = Folder() + QStringLiteral("Tunebench.exe");
    env.machineSettings = m_registryPath;
    env.instanceLockPath = Folder() + QStringLiteral("instance.lock");
    TForm1 first(env);
    EXPECT_FALSE(first.AlreadyRunning());
    // A lock of this living process blocks; the guard never lets go while running.
    TSingleInstanceGuard other(env.instanceLockPath);
    EXPECT_TRUE(other.AlreadyRunning());
}

TEST_F(StartupTest, SwitchRuleOnArgumentLists)
{
    EXPECT_TRUE(HasSwitch({"a", "-VA"}, "va"));
    EXPECT_FALSE(HasSwitch({"/vax"}, "va"));
    EXPECT_FALSE(HasSwitch({"/"}, "va"));
    EXPECT_TRUE(HasSwitch({"/?"}, "?"));
    EXPECT_FALSE(HasSwitch({"\\va"}, "va"));
}

} // namespace

TEST_F(StartupTest, FirstStartAppliesDefaultLngBeforeItsMessageAndTheVersionLineIsTranslated)
{
    QTemporaryDir source;
    QFile lng(source.filePath(QStringLiteral("Default.lng")));
    ASSERT_TRUE(lng.open(QIODevice::WriteOnly));
    lng.write("[Form1]\r\nLabel50.Caption=Fertig\r\nlblVersionHidden.Caption=Fassung\r\n");
    lng.close();
    Registry().WriteString(QStringLiteral("SourceDir"), source.path() + QLatin1Char('/'));
    TForm1& form = Start();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Fertig");
    EXPECT_TRUE(form.Welcome->lblVersion->text().startsWith(QStringLiteral("Fassung ")))
        << form.Welcome->lblVersion->text().toStdString();
}

TEST_F(StartupTest, ComponentNamesAreUniqueInEveryWindowRegardlessOfCase)
{
    TProgramEnvironment env;
    env.programFile = Folder() + QStringLiteral("Tunebench.exe");
    env.machineSettings = m_registryPath;
    TProgramWindows windows(env);
    for (QWidget* window : windows.Windows()) {
        QSet<QString> seen;
        for (QObject* component : WindowComponents(*window)) {
            const QString folded = component->objectName().toCaseFolded();
            EXPECT_FALSE(seen.contains(folded))
                << window->objectName().toStdString() << ": " << component->objectName().toStdString();
            seen.insert(folded);
        }
    }
}

TEST_F(StartupTest, AboutNamesTheProductItsVersionsBuildTimeAndCopyrightWithTranslatedCaptions)
{
    WriteFile(QStringLiteral("German.lng"),
              "[Form1]\r\nlblAboutBuildTime.Caption=Erstellt\r\nlblAboutWindow.Caption=\xDC"
              "ber\r\n");
    Registry().WriteString(QStringLiteral("Language"), QStringLiteral("German"));
    TForm1& form = Start();
    EXPECT_TRUE(form.miAbout->isEnabled());
    QStringList shown;
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        title = about->windowTitle();
        for (QLabel* label : about->findChildren<QLabel*>())
            if (label->objectName().endsWith(QLatin1String("Caption")))
                shown << label->text();
        about->findChild<QPushButton*>(QStringLiteral("OK"))->click();
    });
    form.miAbout->trigger();
    EXPECT_EQ(title, QStringLiteral("Über"));
    EXPECT_EQ(shown.join(QLatin1Char('|')),
              QStringLiteral("Product Name|Product Version|File Version|Erstellt|Legal Copyright"));
}
