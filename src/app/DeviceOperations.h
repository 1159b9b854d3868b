#pragma once

#include "DeviceSession.h"
#include "LinkPresenter.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class TSendmail;

// What the Communications page offers the shared operations: the chosen port,
// rate and line mode, and the locking of its port controls.
class IPortChoice {
public:
    virtual ~IPortChoice() = default;
    [[nodiscard]] virtual int ComIndex() const = 0;    // 0 = COM1
    [[nodiscard]] virtual QString ComText() const = 0; // "COM1"
    [[nodiscard]] virtual int BaudIndex() const = 0;
    [[nodiscard]] virtual bool TwoWire() const = 0;
    [[nodiscard]] virtual QString NotAccessibleText() const = 0;
    [[nodiscard]] virtual QString CouldNotConnectText() const = 0;
    // Why the device guard refused an action that needs this kind.
    [[nodiscard]] virtual QString RefusalText(const TDeviceGuardResult& result, DeviceKind needed) const = 0;
    virtual void LockPortControls(bool locked) = 0;
};

// The main window's one device link and the operations every page shares:
// the connection check, opening and closing the port. The link's questions go
// to the translated dialogs.
class TDeviceOperations final : public IHandsetSession, private ILinkPresenter {
public:
    TDeviceOperations();
    ~TDeviceOperations() override;
    TDeviceOperations(const TDeviceOperations&) = delete;
    TDeviceOperations& operator=(const TDeviceOperations&) = delete;

    void SetPortChoice(IPortChoice* choice) { m_choice = choice; }

    [[nodiscard]] TMailControl& Link() override;
    [[nodiscard]] TSendmail& Sendmail();
    [[nodiscard]] bool HasLink() const { return !m_released; }
    bool ConnectionCheck() override;
    bool CloseDevicePort() override;
    // The probe up to 6 times, 1000 ms apart; on silence the error box.
    bool DeviceAnswerCheck() override;
    // The guard's refusal in an error box.
    bool GuardDevice(const TDeviceDemand& demand) override;
    // Opens with the chosen port and rate; on failure shows "COMn: <not
    // accessible>" and, on a second line, why (missing device, permission, busy).
    bool OpenDevicePort();
    // Sets the stop flag, closes the port and frees the monitor: the link is
    // done and no operation opens the port again. The object itself lives on
    // until this one goes, because the window may be closed from inside a
    // wait of a handler that still holds the link.
    void ReleaseLink();

    [[nodiscard]] QString DevicePath(int com);
    // 0 -> 8600, 2 and 3 -> 115200, anything else 9600.
    [[nodiscard]] static std::int32_t BaudRateOfIndex(int index);
    // The line mode of "2 Wire Serial": no echo, echo back, slower polling, longer gaps.
    static void ApplyTwoWireMode(TMailControl& link);

    // The main window's note: a press was refused while an operation runs;
    // the running operation has ended.
    std::function<void()> OnOperationRefused;
    std::function<void()> OnOperationEnded;

private:
    // While an operation runs, the port controls are locked.
    void OperationRunningChanged(bool running) override;
    void OperationRefused() override;
    bool ConfirmWarning(const QString& text) override;
    void ShowWarning(const QString& text) override;
    [[nodiscard]] IPortChoice& Choice() const;

    std::unique_ptr<TSendmail> m_link;
    IPortChoice* m_choice = nullptr;
    bool m_released = false;
};
