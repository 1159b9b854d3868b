#pragma once

#include "DefaultCommand.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class TBitBtn;
class TDefaultCommand;
class TSendmail;

// What the default commands take from the flash load utility: its target and
// its COM port.
class IFlashTargetChoice {
public:
    virtual ~IFlashTargetChoice() = default;
    [[nodiscard]] virtual int TargetIndex() const = 0; // -1: none
    [[nodiscard]] virtual int ComIndex() const = 0;    // 0 = COM1
};

// "Default Commands": one button per device kind, each sending that kind's
// default command on a link of its own at the flash target's rate.
class TDefaultForm final : public QDialog {
    Q_OBJECT
public:
    explicit TDefaultForm(QWidget* parent = nullptr);
    ~TDefaultForm() override;

    // The flash load utility, read at every press. Not owned.
    void SetTargetChoice(const IFlashTargetChoice* choice) { m_choice = choice; }

    void bbtnDefaultPpClick();
    void bbtnDefaultWrfpClick();
    void bbtnDefaultRfpClick();
    void SetBusy(bool busy);
    void FormClose();
    [[nodiscard]] bool CommandRunning() const { return Link != nullptr; }

    TBitBtn* bbtnDefaultPp;
    TBitBtn* bbtnDefaultWrfp;
    TBitBtn* bbtnDefaultRfp;
    // Closes the window; it has the focus, so that a stray Enter sends nothing.
    QPushButton* btnClose;
    QLabel* lblCouldNotConnect;
    QLabel* lblDeviceMustBeOn;
    QLabel* lblCommandSent;
    QLabel* lblConfirmDefault;
    QLabel* lblWrongDevice;
    QLabel* lblKindUnknown;
    QLabel* lblKindHandset;
    QLabel* lblKindRepeater;
    QLabel* lblKindBase;

    // The link of the command in progress; none outside a command.
    std::unique_ptr<TSendmail> Link;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void SendDefault(TDefaultDevice device);
    bool Connect();
    // The device on the link is of the command's kind; otherwise says why not.
    bool Guard(TDefaultDevice device);
    [[nodiscard]] QString KindText(DeviceKind kind) const;
    [[nodiscard]] QString ComText() const;
    void Disconnect();
    QLabel* AddHiddenLabel(const char* name, const QString& caption);

    const IFlashTargetChoice* m_choice = nullptr;
    TDefaultCommand* m_command = nullptr;
};
