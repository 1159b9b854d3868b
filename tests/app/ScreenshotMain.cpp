// Makes the README's screenshots: the main window after "Set Comport" found
// the device on COM1, optionally on the repeater page after a read, or in
// German (the German.lng beside this program). "pages" saves every visible page
// as OUT-<sheet>.png, for a look at each layout; "windows" saves every other
// window as OUT-<name>.png: the flash load utility with its menus and default
// commands, the traffic monitor with traffic, the language editor, the Ports
// dialog, About, help, message boxes with the longest texts, and the main
// window at its smallest size; "hidden" adds the pages a switch or a gesture
// shows; "guide" saves the user guide's pictures of the Welcome page, About and
// the flash load utility with its COM list open. Modes combine: "german,windows".
// Usage: tunebench-screenshot OUT.png [repeater|german|pages|windows|guide|...]
// (under xvfb-run, with TUNEBENCH_COM1 pointing at tunebench-sim).
#include "CommunicationsPage.h"
#include "DefaultForm.h"
#include "DialogsTranslation.h"
#include "DownloadPage.h"
#include "Form3.h"
#include "HandsetIpeiPage.h"
#include "HandsfreeGainPage.h"
#include "HelpWindow.h"
#include "InternalGainPage.h"
#include "LanguageForm.h"
#include "MachineSettings.h"
#include "ProgramWindows.h"
#include "RadioGroup.h"
#include "RepeaterPage.h"
#include "Rov_Evev.h"
#include "SerialMonitorForm.h"
#include "SerialPortList.h"
#include "SndMail.h"
#include "TabSheet.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"
#include "TunebenchApplication.h"
#include "WelcomePage.h"
#include "support/WaitFor.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

QString g_stem;
bool g_failed = false;
bool g_readRepeater = false;
bool g_readHandset = false;

void Settle(int ms = 200)
{
    tbtest::waitFor([] { return false; }, ms);
}

// Saves the window as OUT-<name>.png and prints its size and place on the screen.
void Save(QWidget& window, const QString& name)
{
    const QString file = g_stem + QLatin1Char('-') + name + QStringLiteral(".png");
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        g_failed = true;
        return;
    }
    const QRect frame = window.frameGeometry();
    std::printf("%s %dx%d at %d,%d\n", qPrintable(file), frame.width(), frame.height(), frame.x(), frame.y());
}

void ShowAndSave(QWidget& window, const QString& name)
{
    window.show();
    window.raise();
    tbtest::waitFor([&] { return window.isVisible(); });
    Settle();
    Save(window, name);
}

// Saves the modal window that open() brings up, then closes it.
void SaveModal(const QString& name, const std::function<void()>& open)
{
    auto* poll = new QTimer;
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, [poll, name] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QTimer::singleShot(300, modal, [modal, name] {
            Save(*modal, name);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        });
    });
    poll->start();
    open();
}

void SavePages(TForm1& form, const QString& prefix)
{
    for (int i = 0; i < form.PageControl1->count(); ++i) {
        auto* sheet = qobject_cast<TTabSheet*>(form.PageControl1->widget(i));
        if (!sheet || !sheet->TabVisible())
            continue;
        form.PageControl1->SetActivePage(sheet);
        // Entering the page empties its fields: read again.
        if (sheet == form.TabSheet4 && g_readRepeater)
            form.RepeaterPage->Button5Click();
        // The handset pages after a read, to see the values in place.
        if (g_readHandset) {
            if (sheet == form.TabSheet7)
                form.InternalGainPage->Button11Click();
            if (sheet == form.TabSheet9)
                form.HandsfreeGainPage->btnReadGainClick();
            if (sheet == form.TabSheet8)
                form.HandsetIpeiPage->btnSerialNoClick();
        }
        Settle();
        Save(form, prefix + sheet->objectName());
    }
}

void SaveMenu(QMenu& menu, QWidget& owner, const QString& name)
{
    menu.popup(owner.mapToGlobal(QPoint(10, 30)));
    tbtest::waitFor([&] { return menu.isVisible(); });
    Settle(100);
    Save(menu, name);
    menu.hide();
}

void SaveWindows(TProgramWindows& windows)
{
    TForm1& form = *windows.Form1;

    // The traffic monitor, with the traffic of a second "Set Comport".
    form.PageControl1->SetActivePage(form.TabSheet5);
    form.Operations().Link().ShowMonitor();
    form.Communications->Button2Click();
    if (auto* monitor = dynamic_cast<TSerialMonitorForm*>(TrafficMonitorRegistry::Current())) {
        monitor->FlushPending();
        ShowAndSave(*monitor, QStringLiteral("SerialMonitor"));
        monitor->close();
    }

    // The Ports dialog as a bench with a USB adapter sees it.
    form.Operations().Sendmail().Port().PortMap().SetScanner([] {
        TSerialPortEntry builtIn;
        builtIn.devicePath = QStringLiteral("/dev/ttyS0");
        TSerialPortEntry adapter;
        adapter.devicePath = QStringLiteral("/dev/ttyUSB0");
        adapter.stableName = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        adapter.description = QStringLiteral("FT232R USB UART");
        adapter.manufacturer = QStringLiteral("FTDI");
        adapter.serialNumber = QStringLiteral("A50285BI");
        adapter.vendorId = 0x0403;
        adapter.productId = 0x6001;
        return QList<TSerialPortEntry>{builtIn, adapter};
    });
    SaveModal(QStringLiteral("Ports"), [&] { form.Communications->btnPortsClick(); });
    SaveModal(QStringLiteral("About"), [&] { form.miAboutClick(); });
    THelpWindow& help = ShowUserGuide(form.Welcome->Label54->text());
    ShowAndSave(help, QStringLiteral("Help"));
    help.close();
    SaveMenu(*form.About1, form, QStringLiteral("Form1-HelpMenu"));

    form.miLanguageClick();
    ShowAndSave(*windows.LanguageForm, QStringLiteral("LanguageForm"));
    windows.LanguageForm->close();

    // The flash load utility, as "Load Flash" opens it.
    form.PageControl1->SetActivePage(form.TabSheet6);
    form.DownloadPage->Button10Click();
    TForm3& flash = *windows.Form3;
    ShowAndSave(flash, QStringLiteral("Form3"));
    SaveMenu(*flash.File1, flash, QStringLiteral("Form3-FileMenu"));
    SaveMenu(*flash.Help1, flash, QStringLiteral("Form3-HelpMenu"));
    flash.RadioGroup1->SetItemIndex(4);
    SaveModal(QStringLiteral("DefaultForm"), [&] { flash.bbtnDefaultCommandsClick(); });
    flash.hide();

    // Message boxes with the longest texts of any window's labels.
    QStringList texts;
    for (QWidget* window : windows.Windows())
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->text().size() > 60 && !texts.contains(label->text()))
                texts << label->text();
    texts << UsageText(QStringLiteral("Tunebench"));
    std::sort(texts.begin(), texts.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (int i = 0; i < std::min<qsizetype>(4, texts.size()); ++i)
        SaveModal(QStringLiteral("Message%1").arg(i + 1),
                  [&] { MessageDlg(texts[i], i == 0 ? mtConfirmation : mtWarning, i == 0 ? mbOKCancel : mbOK); });

    // The main window at the smallest size it lets itself be made.
    form.resize(form.minimumSizeHint().expandedTo(form.minimumSize()));
    SavePages(form, QStringLiteral("smallest-"));
}

// The pictures the user guide shows besides the main window's.
void SaveGuidePictures(TProgramWindows& windows)
{
    TForm1& form = *windows.Form1;
    form.PageControl1->SetActivePage(form.TabSheet1);
    Settle();
    Save(form, QStringLiteral("welcome"));
    SaveModal(QStringLiteral("about"), [&] { form.miAboutClick(); });

    form.PageControl1->SetActivePage(form.TabSheet6);
    form.DownloadPage->Button10Click();
    TForm3& flash = *windows.Form3;
    flash.show();
    tbtest::waitFor([&] { return flash.isVisible(); });
    flash.RadioGroup1->SetItemIndex(6);
    flash.ComboBox1->showPopup();
    QWidget* list = flash.ComboBox1->view()->window();
    tbtest::waitFor([&] { return list->isVisible(); });
    Settle();
    // The open list is a window of its own: drawn over the utility where it stands.
    QPixmap picture = flash.grab();
    {
        QPainter painter(&picture);
        painter.drawPixmap(flash.mapFromGlobal(list->mapToGlobal(QPoint(0, 0))), list->grab());
    }
    const QString file = g_stem + QStringLiteral("-flash.png");
    if (!picture.save(file))
        g_failed = true;
    std::printf("%s\n", qPrintable(file));
    flash.ComboBox1->hidePopup();
    flash.hide();
}

} // namespace

int main(int argc, char** argv)
{
    TTunebenchApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tunebench-screenshot OUT.png\n");
        return 2;
    }
    InstallSerialMonitorFactory();
    QTemporaryDir folder;
    TProgramEnvironment env = TProgramEnvironment::FromApplication();
    env.programFile = folder.filePath(QStringLiteral("Tunebench"));
    env.arguments.clear();
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const bool hidden = mode.contains(QLatin1String("hidden"));
    if (hidden)
        env.arguments = {QStringLiteral("/va")};
    env.machineSettings = folder.filePath(QStringLiteral("VUREZIVO.ini"));
    env.instanceLockPath.clear();
    // The Welcome page's picture, as it ships beside the program.
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/logo.bmp"),
                folder.filePath(QStringLiteral("logo.bmp")));
    if (mode.contains(QLatin1String("german"))) {
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/German.lng"),
                    folder.filePath(QStringLiteral("German.lng")));
        TMachineSettings(env.machineSettings).WriteString(QStringLiteral("Language"), QStringLiteral("German"));
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    g_stem = out.endsWith(QLatin1String(".png")) ? out.chopped(4) : out;
    TProgramWindows windows(env);
    TForm1& form = *windows.Form1;
    form.show();
    tbtest::waitFor([&] { return form.isVisible(); });
    if (hidden)
        form.FormKeyDown(Qt::Key_F12, Qt::ShiftModifier | Qt::ControlModifier);
    form.PageControl1->SetActivePage(form.TabSheet5);
    form.Communications->Button2Click();
    g_readHandset = mode.contains(QLatin1String("read"));
    if (g_readHandset) {
        // The reads ask and report in message boxes: each is saved and answered.
        auto* answer = new QTimer(&app);
        QObject::connect(answer, &QTimer::timeout, [answer] {
            static int count = 0;
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            answer->stop();
            QTimer::singleShot(200, box, [box, answer] {
                Save(*box, QStringLiteral("modal%1").arg(++count));
                if (auto* message = qobject_cast<QMessageBox*>(box); message && message->defaultButton())
                    message->defaultButton()->click();
                else
                    box->reject();
                answer->start();
            });
        });
        answer->start(100);
    }
    if (mode.contains(QLatin1String("repeater"))) {
        g_readRepeater = true;
        form.PageControl1->SetActivePage(form.TabSheet4);
        form.RepeaterPage->Button5Click();
    }
    Settle(300); // let the window paint
    if (mode.contains(QLatin1String("pages"))) {
        SavePages(form, QString());
        return g_failed ? 1 : 0;
    }
    if (mode.contains(QLatin1String("guide"))) {
        SaveGuidePictures(windows);
        return g_failed ? 1 : 0;
    }
    if (mode.contains(QLatin1String("windows"))) {
        SaveWindows(windows);
        return g_failed ? 1 : 0;
    }
    if (!form.grab().save(out)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %s\n", argv[1], qPrintable(form.PanelText(1)));
    return 0;
}
