// The flash load utility's design-time controls: menu and tool bar, target
// choice, port choice, buttons, log, timers and the hidden text labels.
#include "ComChoiceDelegate.h"
#include "ComponentClasses.h"
#include "FlashTargets.h"
#include "Form3.h"

#include "FlashRun.h"
#include "MemoLogLines.h"
#include "PortsDialog.h"
#include "RadioGroup.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

void TForm3::CreateControls()
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Flash Load Utility"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    CreateMenus();

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form3Client"));
    setCentralWidget(client);
    RadioGroup1 = new TRadioGroup(client);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setTitle(QStringLiteral(" Select Target "));
    QStringList items;
    for (const TFlashTarget& target : FlashTargets())
        items << QLatin1String(target.Name);
    RadioGroup1->SetItems(items);
    RadioGroup1->SetColumns(2);
    ComboBox1 = new QComboBox(client);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (int com = 1; com <= 9; ++com)
        ComboBox1->addItem(QStringLiteral("COM%1").arg(com));
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setItemDelegate(new TComChoiceDelegate(ComboBox1));
    btnPorts = new QPushButton(QStringLiteral("Ports..."), client);
    btnPorts->setObjectName(QStringLiteral("btnPorts"));
    btnPorts->setToolTip(QStringLiteral("Assign the serial ports found to COM1 to COM9"));
    Button3 = new QPushButton(QStringLiteral("Program Flash"), client);
    Button3->setObjectName(QStringLiteral("Button3"));
    btnStop = new QPushButton(QStringLiteral("Stop"), client);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setToolTip(QStringLiteral("Stops the running download; the device stays in its boot loader"));
    btnStop->setEnabled(false);
    bbtnDefaultCommands = new TBitBtn(QStringLiteral("Default Commands"), client);
    bbtnDefaultCommands->setObjectName(QStringLiteral("bbtnDefaultCommands"));
    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setBold(true);
    font.setPixelSize(12);
    Memo1->setFont(font);
    m_log = std::make_unique<TMemoLogLines>(*Memo1);
    FlashGauge = new QProgressBar(client);
    FlashGauge->setObjectName(QStringLiteral("FlashGauge"));
    FlashGauge->setRange(0, 100);
    FlashGauge->setFormat(QStringLiteral("%p %"));
    FlashGauge->hide();

    // The targets take the whole width: beside the buttons their longer names were cut.
    auto* layout = new QVBoxLayout(client);
    layout->addWidget(RadioGroup1);
    auto* commands = new QHBoxLayout;
    commands->addWidget(ComboBox1);
    commands->addWidget(btnPorts);
    commands->addStretch(1);
    commands->addWidget(Button3);
    commands->addWidget(btnStop);
    commands->addWidget(bbtnDefaultCommands);
    layout->addLayout(commands);
    layout->addWidget(Memo1, 1);
    layout->addWidget(FlashGauge);

    KeyTimer = new QTimer(this);
    KeyTimer->setObjectName(QStringLiteral("KeyTimer"));
    KeyTimer->setInterval(10000);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    lblChooseTarget = AddHiddenLabel(QStringLiteral("lblChooseTarget"),
                                     QStringLiteral("Please choose a target to download software in!"));
    lblPowerOff = AddHiddenLabel(QStringLiteral("lblPowerOff"),
                                 QStringLiteral("Turn power off the PP / FP / WRFP! - and then click OK."));
    lblPressHookKey = AddHiddenLabel(QStringLiteral("lblPressHookKey"),
                                     QStringLiteral("While pressing the hook key click the OK button!"));
    lblTurnOnPower = AddHiddenLabel(QStringLiteral("lblTurnOnPower"),
                                    QStringLiteral("Turn on power to the target - and then click OK."));
    lblComError1 = AddHiddenLabel(QStringLiteral("lblComError1"), QStringLiteral("Could not open the serial device."));
    lblNoAnswer = AddHiddenLabel(QStringLiteral("lblNoAnswer"), TFlashRun::kNoAnswer);
    lblRefused = AddHiddenLabel(QStringLiteral("lblRefused"), TFlashRun::kRefused);
    lblStopped = AddHiddenLabel(QStringLiteral("lblStopped"), TFlashRun::kStopped);
    lblCloseWhileDownloading = AddHiddenLabel(
        QStringLiteral("lblCloseWhileDownloading"),
        QStringLiteral("A download is running. Stop it and close the window? The device stays in its boot loader "
                       "until it is programmed."));
    const TFlashRun::InputTexts input;
    lblSoftwareUnreadable = AddHiddenLabel(QStringLiteral("lblSoftwareUnreadable"), input.SoftwareUnreadable);
    lblSoftwareInvalid = AddHiddenLabel(QStringLiteral("lblSoftwareInvalid"), input.SoftwareInvalid);
    lblConfigUnreadable = AddHiddenLabel(QStringLiteral("lblConfigUnreadable"), input.ConfigUnreadable);
    lblSelectTarget = AddHiddenLabel(QStringLiteral("lblSelectTarget"), QStringLiteral("Select Target"));
    for (const TFlashTarget& target : FlashTargets())
        lblTargets << AddHiddenLabel(QStringLiteral("lbl%1").arg(target.Index), QLatin1String(target.Name));
    lblFile = AddHiddenLabel(QStringLiteral("lblFile"), QStringLiteral("File"));
    lblHelp = AddHiddenLabel(QStringLiteral("lblHelp"), QStringLiteral("Help"));
    lblFileExit = AddHiddenLabel(QStringLiteral("lblFileExit"), QStringLiteral("Exit"));
    lblHelpHelp = AddHiddenLabel(QStringLiteral("lblHelpHelp"), QStringLiteral("Help"));
    // The Ports dialog takes its texts from these, as it does on the Communications page.
    TPortsDialogTexts ports;
    const QString* portTexts[] = {&ports.title,           &ports.found,      &ports.device,       &ports.description,
                                  &ports.manufacturer,    &ports.usbId,      &ports.serialNumber, &ports.assignment,
                                  &ports.notAssigned,     &ports.notPresent, &ports.noneFound,    &ports.storeFailed,
                                  &ports.fromEnvironment, &ports.driver,     &ports.latencyTimer, &ports.latencyValue,
                                  &ports.latencyHint};
    static_assert(std::size(portTexts) == std::size(TPortsDialogTexts::kLabelNames));
    for (std::size_t i = 0; i < std::size(portTexts); ++i)
        AddHiddenLabel(QLatin1String(TPortsDialogTexts::kLabelNames[i]), *portTexts[i]);
    lblPortsSingleUsb =
        AddHiddenLabel(QStringLiteral("lblPortsSingleUsb"),
                       QStringLiteral("COM1 is the only USB serial adapter while no port is assigned."));

    setFixedSize(671, 601);
}

void TForm3::CreateMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    File1 = MainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Exit1 = File1->addAction(QStringLiteral("Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    Help1 = MainMenu1->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Help2 = Help1->addAction(QStringLiteral("Help"));
    Help2->setObjectName(QStringLiteral("Help2"));
    // The menu is shown as the tool bar's buttons.
    MainMenu1->hide();
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QMenu* menu : {File1, Help1}) {
        auto* button = new QToolButton(ToolBar1);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setText(menu->title());
        button->setAutoRaise(true);
        ToolBar1->addWidget(button);
        (menu == File1 ? m_fileButton : m_helpButton) = button;
    }
}

QLabel* TForm3::AddHiddenLabel(const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, centralWidget());
    label->setObjectName(name);
    label->hide();
    return label;
}
