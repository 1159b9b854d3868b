#pragma once

#include "DeviceDetection.h"
#include "DeviceOperations.h"

#include <QWidget>
#include <memory>

namespace Ui {
class TCommunicationsPage;
}
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TRadioGroup;
class TMachineSettings;

// The Communications page: COM port and baud rate, "Set Comport" that stores
// the port, opens it and finds out what answers. The shell enables the pages
// that fit the result.
class TCommunicationsPage final : public QWidget, public IPortChoice {
    Q_OBJECT
public:
    TCommunicationsPage(TDeviceOperations& operations, QString machineSettingsPath, QWidget* parent = nullptr);
    ~TCommunicationsPage() override;

    // IPortChoice
    [[nodiscard]] int ComIndex() const override;
    [[nodiscard]] QString ComText() const override;
    [[nodiscard]] int BaudIndex() const override;
    [[nodiscard]] bool TwoWire() const override;
    [[nodiscard]] QString NotAccessibleText() const override;
    [[nodiscard]] QString CouldNotConnectText() const override;
    [[nodiscard]] QString RefusalText(const TDeviceGuardResult& result, DeviceKind needed) const override;
    void LockPortControls(bool locked) override;

    void Button2Click();
    void rgBaudrateClick();
    // Opens the Ports dialog; an accepted assignment shows at once in the COM choice.
    void btnPortsClick();

    // Each COM item shows the device it is mapped to, beside its name and in its
    // tool tip; the current one also beside the choice.
    void RefreshPortHints();
    // Items 0-3 of rgBaudrate from the four hidden labels.
    void CopyBaudrateTexts();
    // Status text of a device kind, from the hidden labels.
    [[nodiscard]] QString StatusText(DeviceKind kind) const;
    // "Probing COM1, attempt 3 of 6" for the status bar while a probe runs.
    [[nodiscard]] QString ProbingText(int attempt, int attempts) const;

    QComboBox* ComChoice;
    QPushButton* btnPorts;
    QLabel* lblComDevice;
    QPushButton* Button2;
    TRadioGroup* rgBaudrate;
    QCheckBox* chk2WireSerial;
    QLabel* Label38;
    QLabel* Label39;
    QLabel* Label40;
    QLabel* Label41;
    QLabel* lblCouldNotConnectToDevice;

signals:
    // "Set Comport" has a result: the shell sets pages and status bar; the
    // hint says what was tried when nothing was found. With Nothing the page
    // closes the port afterwards.
    void DeviceKindFound(DeviceKind kind, const QString& portText, const QString& statusText,
                         const QString& statusHint);
    // A repeater answered and the port is still open: prepare the repeater page.
    void RepeaterDetected();

private:
    // The kind that answers; hint: what was tried when nothing was found.
    [[nodiscard]] DeviceKind FindDevice(QString& hint);
    void ShowCurrentDevice();

    std::unique_ptr<Ui::TCommunicationsPage> m_ui;
    TDeviceOperations& m_operations;
    QString m_machineSettingsPath;
    bool m_locked = false;
};
