#include "CommunicationsPage.h"

#include "ComChoiceDelegate.h"
#include "MachineSettings.h"
#include "PortsDialog.h"
#include "SndMail.h"
#include "TpaProComImpl.h"
#include "ui_CommunicationsPage.h"

#include <QApplication>

TCommunicationsPage::TCommunicationsPage(TDeviceOperations& operations, QString machineSettingsPath, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TCommunicationsPage>()), m_operations(operations),
      m_machineSettingsPath(std::move(machineSettingsPath))
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("CommunicationsPage"));
    ComChoice = m_ui->ComChoice;
    btnPorts = m_ui->btnPorts;
    lblComDevice = m_ui->lblComDevice;
    Button2 = m_ui->Button2;
    rgBaudrate = m_ui->rgBaudrate;
    chk2WireSerial = m_ui->chk2WireSerial;
    Label38 = m_ui->Label38;
    Label39 = m_ui->Label39;
    Label40 = m_ui->Label40;
    Label41 = m_ui->Label41;
    lblCouldNotConnectToDevice = m_ui->lblCouldNotConnectToDevice;

    rgBaudrate->SetItems({m_ui->lblBaud8600->text(), m_ui->lblBaud9600->text(), m_ui->lblBaud115200_a->text(),
                          m_ui->lblBaud115200_b->text()});
    rgBaudrate->SetItemIndex(1);
    ComChoice->setCurrentIndex(0);

    ComChoice->setItemDelegate(new TComChoiceDelegate(ComChoice));
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(btnPorts, &QPushButton::clicked, this, [this] { btnPortsClick(); });
    connect(rgBaudrate, &TRadioGroup::Click, this, [this] { rgBaudrateClick(); });
    connect(ComChoice, &QComboBox::currentIndexChanged, this, [this] { ShowCurrentDevice(); });
    m_operations.SetPortChoice(this);
    RefreshPortHints();
}

TCommunicationsPage::~TCommunicationsPage()
{
    if (m_locked)
        QApplication::restoreOverrideCursor();
    m_operations.SetPortChoice(nullptr);
}

int TCommunicationsPage::ComIndex() const { return ComChoice->currentIndex(); }

QString TCommunicationsPage::ComText() const { return ComChoice->currentText(); }

int TCommunicationsPage::BaudIndex() const { return rgBaudrate->ItemIndex(); }

bool TCommunicationsPage::TwoWire() const { return chk2WireSerial->isChecked(); }

QString TCommunicationsPage::NotAccessibleText() const { return Label41->text(); }

QString TCommunicationsPage::CouldNotConnectText() const { return lblCouldNotConnectToDevice->text(); }

void TCommunicationsPage::LockPortControls(bool locked)
{
    // Closing the port inside an operation must not unlock them before it ends.
    locked = locked || m_operations.OperationRunning();
    Button2->setEnabled(!locked);
    btnPorts->setEnabled(!locked);
    rgBaudrate->setEnabled(!locked);
    ComChoice->setEnabled(!locked);
    if (locked != m_locked) {
        if (locked)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
        m_locked = locked;
    }
    QCoreApplication::processEvents();
}

void TCommunicationsPage::Button2Click()
{
    // Locks the port controls until detection has ended.
    const TDeviceOperationScope operation(m_operations);
    if (operation.Refused())
        return;
    RefreshPortHints(); // an adapter may have come or gone since the last look

    // Not being able to remember the port is no reason to stop.
    TMachineSettings registry(m_machineSettingsPath);
    (void)registry.WriteInteger(QStringLiteral("COMPORT"), ComIndex() + 1);

    if (!m_operations.OpenDevicePort())
        return;
    const DeviceKind kind = FindDevice();
    emit DeviceKindFound(kind, ComText(), StatusText(kind));
    if (kind == DeviceKind::Nothing)
        m_operations.CloseDevicePort();
}

DeviceKind TCommunicationsPage::FindDevice()
{
    TMailControl& link = m_operations.Link();
    if (!link.IsPortOpen())
        return DeviceKind::Nothing;
    const int attempt = link.ProbeDevice(1000);
    if (attempt < 1 || attempt > 6)
        return DeviceKind::Nothing;
    const DeviceKind kind = TDeviceDetector(link).DetectDevice();
    if (kind == DeviceKind::Repeater)
        emit RepeaterDetected();
    return kind;
}

void TCommunicationsPage::rgBaudrateClick()
{
    const TDeviceOperationScope operation(m_operations);
    if (operation.Refused())
        return;
    if (m_operations.Link().IsPortOpen())
        m_operations.CloseDevicePort();
}

void TCommunicationsPage::btnPortsClick()
{
    TComPortMap& map = m_operations.Sendmail().Port().PortMap();
    TPortsDialog dialog(m_machineSettingsPath, map.Scan(), TPortsDialogTexts::FromLabels(*this), window());
    dialog.exec();
    RefreshPortHints();
}

void TCommunicationsPage::RefreshPortHints()
{
    const TComPortMap& map = m_operations.Sendmail().Port().PortMap();
    for (int i = 0; i < ComChoice->count(); ++i) {
        const TComPortMap::Resolution port = map.Resolve(i + 1);
        QString hint = port.path;
        if (port.source == TComPortMap::Source::SingleUsbAdapter)
            hint += QLatin1Char('\n') + m_ui->lblPortsSingleUsb->text();
        ComChoice->setItemData(i, hint, Qt::ToolTipRole);
        ComChoice->setItemData(i, port.path, TComChoiceDelegate::DeviceRole);
    }
    ShowCurrentDevice();
}

void TCommunicationsPage::ShowCurrentDevice()
{
    const int index = ComChoice->currentIndex();
    ComChoice->setToolTip(ComChoice->itemData(index, Qt::ToolTipRole).toString());
    lblComDevice->setText(ComChoice->itemData(index, TComChoiceDelegate::DeviceRole).toString());
    lblComDevice->setToolTip(ComChoice->toolTip());
}

void TCommunicationsPage::CopyBaudrateTexts()
{
    rgBaudrate->SetItemText(0, m_ui->lblBaud8600->text());
    rgBaudrate->SetItemText(1, m_ui->lblBaud9600->text());
    rgBaudrate->SetItemText(2, m_ui->lblBaud115200_a->text());
    rgBaudrate->SetItemText(3, m_ui->lblBaud115200_b->text());
}

QString TCommunicationsPage::StatusText(DeviceKind kind) const
{
    switch (kind) {
    case DeviceKind::Handset:
        return Label38->text();
    case DeviceKind::Repeater:
        return Label39->text();
    case DeviceKind::Nothing:
        break;
    }
    return Label40->text();
}
