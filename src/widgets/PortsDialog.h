#pragma once

#include "SerialPortList.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <array>

class QComboBox;
class QTableWidget;

// The Ports dialog's texts. Its openers fill them from the hidden labels of
// their window (FromLabels), so that the language files translate them.
struct TPortsDialogTexts {
    QString title = QStringLiteral("Ports");
    QString found = QStringLiteral("Serial ports found:");
    QString device = QStringLiteral("Device");
    QString description = QStringLiteral("Description");
    QString manufacturer = QStringLiteral("Manufacturer");
    QString usbId = QStringLiteral("USB ID");
    QString serialNumber = QStringLiteral("Serial number");
    QString assignment = QStringLiteral("Assignment of COM1 to COM9:");
    QString notAssigned = QStringLiteral("not assigned");
    QString notPresent = QStringLiteral("%s (not present)");
    QString noneFound = QStringLiteral("No serial port was found.");
    QString storeFailed = QStringLiteral("The assignment could not be stored:");
    QString fromEnvironment = QStringLiteral("%s (set by %s, which comes before this choice)");
    QString driver = QStringLiteral("Driver");
    QString latencyTimer = QStringLiteral("Latency timer");
    QString latencyValue = QStringLiteral("%d ms");
    QString latencyHint = QStringLiteral(
        "A latency timer above 1 ms holds every answer back that long. The program asks the driver for 1 ms while it "
        "holds the port; where the timer stays higher, the udev rule %s sets 1 ms whenever the adapter is plugged in.");

    // Each text from the hidden label of that name below the holder, when it has one.
    [[nodiscard]] static TPortsDialogTexts FromLabels(const QWidget& holder);
    // The hidden labels' names, in the order of the texts above.
    static constexpr const char* kLabelNames[] = {
        "lblPortsTitle",           "lblPortsFound",      "lblPortsDevice",       "lblPortsDescription",
        "lblPortsManufacturer",    "lblPortsUsbId",      "lblPortsSerialNumber", "lblPortsAssignment",
        "lblPortsNotAssigned",     "lblPortsNotPresent", "lblPortsNoneFound",    "lblPortsStoreFailed",
        "lblPortsFromEnvironment", "lblPortsDriver",     "lblPortsLatencyTimer", "lblPortsLatencyValue",
        "lblPortsLatencyHint"};
};

// Lists the serial ports found and assigns one to each COM n, stored as
// Ports/COM<n> in the machine settings store under its stable name when it
// has one. Unchanged assignments are not rewritten.
class TPortsDialog final : public QDialog {
    Q_OBJECT
public:
    TPortsDialog(QString settingsPath, QList<TSerialPortEntry> ports, TPortsDialogTexts texts = {},
                 QWidget* parent = nullptr);

    // The path chosen for COM n; empty: not assigned.
    [[nodiscard]] QString Choice(int com) const;
    // Stores what changed; on failure says so and keeps the dialog open.
    void accept() override;

private:
    void FillPortTable();
    void FillChoice(int com);

    QString m_settingsPath;
    QList<TSerialPortEntry> m_ports;
    TPortsDialogTexts m_texts;
    QTableWidget* m_table = nullptr;
    std::array<QComboBox*, 9> m_choices{};
};
