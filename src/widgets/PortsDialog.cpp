#include "PortsDialog.h"

#include "ComPortMap.h"
#include "DialogsTranslation.h"
#include "MachineSettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

TPortsDialogTexts TPortsDialogTexts::FromLabels(const QWidget& holder)
{
    TPortsDialogTexts texts;
    QString* fields[] = {&texts.title,           &texts.found,      &texts.device,       &texts.description,
                         &texts.manufacturer,    &texts.usbId,      &texts.serialNumber, &texts.assignment,
                         &texts.notAssigned,     &texts.notPresent, &texts.noneFound,    &texts.storeFailed,
                         &texts.fromEnvironment, &texts.driver,     &texts.latencyTimer, &texts.latencyValue,
                         &texts.latencyHint};
    static_assert(std::size(fields) == std::size(kLabelNames));
    for (std::size_t i = 0; i < std::size(fields); ++i)
        if (const auto* label = holder.findChild<QLabel*>(QLatin1String(kLabelNames[i])))
            *fields[i] = label->text();
    return texts;
}

TPortsDialog::TPortsDialog(QString settingsPath, QList<TSerialPortEntry> ports, TPortsDialogTexts texts,
                           QWidget* parent)
    : QDialog(parent), m_settingsPath(std::move(settingsPath)), m_ports(std::move(ports)), m_texts(std::move(texts))
{
    setObjectName(QStringLiteral("TPortsDialog"));
    setWindowTitle(m_texts.title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(m_texts.found, this));
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("tblPorts"));
    layout->addWidget(m_table);
    FillPortTable();
    if (std::any_of(m_ports.begin(), m_ports.end(), [](const auto& port) { return port.SlowLatencyTimer(); })) {
        auto* hint = new QLabel(
            QString(m_texts.latencyHint).replace(QStringLiteral("%s"), SerialPortList::LatencyRuleFile()), this);
        hint->setObjectName(QStringLiteral("lblLatencyNote"));
        hint->setWordWrap(true);
        layout->addWidget(hint);
    }

    layout->addWidget(new QLabel(m_texts.assignment, this));
    auto* form = new QFormLayout;
    for (int com = TComPortMap::kFirstCom; com <= TComPortMap::kLastCom; ++com) {
        auto* choice = new QComboBox(this);
        choice->setObjectName(QStringLiteral("cbCOM%1").arg(com));
        m_choices[static_cast<std::size_t>(com - 1)] = choice;
        FillChoice(com);
        form->addRow(QStringLiteral("COM%1").arg(com), choice);
    }
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("PortsButtons"));
    // Qt's own texts stay English: the buttons speak the language of the message boxes.
    buttons->button(QDialogButtonBox::Ok)->setText(DialogTexts()[dtOK]);
    buttons->button(QDialogButtonBox::Cancel)->setText(DialogTexts()[dtCancel]);
    connect(buttons, &QDialogButtonBox::accepted, this, &TPortsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TPortsDialog::reject);
    layout->addWidget(buttons);
    // Wide enough for every column of the table: a stable name is long and
    // pushed the serial number out of sight. A 1024-pixel screen is the limit.
    int tableWidth = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_table->columnCount(); ++column)
        tableWidth += m_table->isColumnHidden(column) ? 0 : m_table->columnWidth(column);
    const QMargins margins = layout->contentsMargins();
    resize(std::clamp(tableWidth + margins.left() + margins.right(), 720, 1000), 480);
}

void TPortsDialog::FillPortTable()
{
    const QStringList headers{m_texts.device,       m_texts.description,
                              m_texts.manufacturer, m_texts.usbId,
                              m_texts.serialNumber, m_texts.driver + QLatin1Char('\n') + m_texts.latencyTimer};
    m_table->setColumnCount(static_cast<int>(headers.size()));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    if (m_ports.isEmpty()) {
        m_table->setRowCount(1);
        m_table->setItem(0, 0, new QTableWidgetItem(m_texts.noneFound));
        return;
    }
    m_table->setRowCount(static_cast<int>(m_ports.size()));
    for (int row = 0; row < m_ports.size(); ++row) {
        const TSerialPortEntry& port = m_ports[row];
        const QString device =
            port.stableName.isEmpty() ? port.devicePath : port.devicePath + QStringLiteral("\n") + port.stableName;
        // "ftdi_sio" over "16 ms", as the header has them
        QString driver = port.driver;
        if (port.latencyTimerMs)
            driver +=
                QLatin1Char('\n') +
                QString(m_texts.latencyValue).replace(QStringLiteral("%d"), QString::number(*port.latencyTimerMs));
        const QString cells[] = {device, port.description, port.manufacturer, port.UsbId(), port.serialNumber, driver};
        for (int column = 0; column < static_cast<int>(std::size(cells)); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    // The driver's column only where the system tells of a driver.
    const bool drivers = std::any_of(m_ports.begin(), m_ports.end(), [](const TSerialPortEntry& port) {
        return !port.driver.isEmpty() || port.latencyTimerMs;
    });
    m_table->setColumnHidden(5, !drivers);
    m_table->resizeColumnsToContents();
    m_table->resizeRowsToContents();
}

void TPortsDialog::FillChoice(int com)
{
    QComboBox* choice = m_choices[static_cast<std::size_t>(com - 1)];
    choice->addItem(m_texts.notAssigned, QString());
    for (const TSerialPortEntry& port : m_ports) {
        const QString text = port.description.isEmpty()
                                 ? port.PreferredName()
                                 : QStringLiteral("%1 (%2)").arg(port.PreferredName(), port.description);
        choice->addItem(text, port.PreferredName());
    }
    const QString stored = TComPortMap::StoredPath(TMachineSettings(m_settingsPath), com);
    // The environment decides before any choice here: shown, and kept as stored.
    const QString variable = QStringLiteral("TUNEBENCH_COM%1").arg(com);
    if (const QString forced = qEnvironmentVariable(variable.toLatin1().constData()); !forced.isEmpty()) {
        choice->addItem(QString(m_texts.fromEnvironment)
                            .replace(m_texts.fromEnvironment.indexOf(QStringLiteral("%s")), 2, forced)
                            .replace(QStringLiteral("%s"), variable),
                        stored);
        choice->setCurrentIndex(choice->count() - 1);
        choice->setEnabled(false);
        return;
    }
    if (stored.isEmpty())
        return;
    if (const auto present = SerialPortList::FindByPath(m_ports, stored)) {
        choice->setCurrentIndex(choice->findData(present->PreferredName()));
        return;
    }
    // Ports that the scan does not list (a pseudo-terminal, a port of a
    // driver without a description) are there all the same.
    const bool exists = QFileInfo::exists(stored);
    choice->addItem(exists ? stored : QString(m_texts.notPresent).replace(QStringLiteral("%s"), stored), stored);
    choice->setCurrentIndex(choice->count() - 1);
}

QString TPortsDialog::Choice(int com) const
{
    return m_choices[static_cast<std::size_t>(com - 1)]->currentData().toString();
}

void TPortsDialog::accept()
{
    TMachineSettings settings(m_settingsPath);
    for (int com = TComPortMap::kFirstCom; com <= TComPortMap::kLastCom; ++com) {
        const QString chosen = Choice(com);
        if (chosen == TComPortMap::StoredPath(settings, com))
            continue;
        if (!TComPortMap::Store(settings, com, chosen)) {
            MessageDlg(m_texts.storeFailed + QLatin1Char('\r') + settings.ErrorString(), mtError, mbOK);
            return;
        }
    }
    QDialog::accept();
}
