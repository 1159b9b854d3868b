#include "CommunicationsPage.h"

#include "ComChoiceDelegate.h"
#include "MachineSettings.h"
#include "PortsDialog.h"
#include "SndMail.h"
#include "TpaProComImpl.h"
#include "WriteJournal.h"
#include "ui_CommunicationsPage.h"

#include <QApplication>
#include <algorithm>
#include <initializer_list>

namespace {
constexpr int kProbePauseMs = 1000;

// Fills the "%s" and "%d" of a label's caption in order.
QString FillIn(QString format, std::initializer_list<QString> values)
{
    qsizetype from = 0;
    for (const QString& value : values) {
        const qsizetype s = format.indexOf(QLatin1String("%s"), from);
        const qsizetype d = format.indexOf(QLatin1String("%d"), from);
        const qsizetype at = s < 0 ? d : (d < 0 ? s : std::min(s, d));
        if (at < 0)
            break;
        format.replace(at, 2, value);
        from = at + value.size();
    }
    return format;
}
} // namespace

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

QString TCommunicationsPage::RefusalText(const TDeviceGuardResult& result, DeviceKind needed) const
{
    if (result.outcome == DeviceGuardOutcome::UnknownKind)
        return FillIn(m_ui->lblKindUnreadNothingWritten->text(), {ComText()});
    const QString found = result.found == DeviceKind::Base ? m_ui->lblNeitherKind->text() : StatusText(result.found);
    const QString noun =
        needed == DeviceKind::Repeater ? m_ui->lblNeedsRepeater->text() : m_ui->lblNeedsHandset->text();
    return FillIn(m_ui->lblWrongDeviceNothingWritten->text(), {ComText(), found, noun});
}

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
    // Whatever answers now, the pages' values read before are another device's.
    m_operations.DeviceMayHaveChanged();

    // Not being able to remember the port is no reason to stop.
    TMachineSettings registry(m_machineSettingsPath);
    (void)registry.WriteInteger(QStringLiteral("COMPORT"), ComIndex() + 1);

    if (!m_operations.OpenDevicePort())
        return;
    QString hint;
    const DeviceKind kind = FindDevice(hint);
    emit DeviceKindFound(kind, ComText(), StatusText(kind), hint);
    if (kind != DeviceKind::Handset && kind != DeviceKind::Repeater)
        m_operations.CloseDevicePort();
}

DeviceKind TCommunicationsPage::FindDevice(QString& hint)
{
    TMailControl& link = m_operations.Link();
    if (!link.IsPortOpen())
        return DeviceKind::Unknown;
    const int sentBefore = link.MailsSent();
    const int attempt = link.ProbeDevice(kProbePauseMs);
    const QString device = m_operations.Sendmail().Port().DevicePath();
    const QString baud = QString::number(TDeviceOperations::BaudRateOfIndex(BaudIndex()));
    if (attempt < 1 || attempt > TMailControl::kProbeAttempts) {
        hint = FillIn(
            m_ui->lblNothingAnswered->text(),
            {ComText(), device, baud, QString::number(link.MailsSent() - sentBefore), QString::number(kProbePauseMs)});
        return DeviceKind::Unknown;
    }
    const DeviceKind kind = TDeviceDetector(link).DetectDevice();
    TWriteJournal::SetDevice(kind, {});
    if (kind == DeviceKind::Repeater)
        emit RepeaterDetected();
    if (kind == DeviceKind::Base)
        hint = FillIn(m_ui->lblNotRecognised->text(), {ComText(), device, baud});
    if (kind == DeviceKind::Unknown)
        hint = FillIn(m_ui->lblIdentityUnread->text(), {ComText(), device, baud});
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
    TComChoiceDelegate::FitList(*ComChoice);
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

QString TCommunicationsPage::ProbingText(int attempt, int attempts) const
{
    return FillIn(m_ui->lblProbingAttempt->text(), {ComText(), QString::number(attempt), QString::number(attempts)});
}

QString TCommunicationsPage::StatusText(DeviceKind kind) const
{
    switch (kind) {
    case DeviceKind::Handset:
        return Label38->text();
    case DeviceKind::Repeater:
        return Label39->text();
    case DeviceKind::Base:
    case DeviceKind::Unknown:
        break;
    }
    return Label40->text();
}
