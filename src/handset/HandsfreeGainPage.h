#pragma once

#include "DeviceSession.h"

#include <QWidget>
#include <cstdint>
#include <memory>

namespace Ui {
class THandsfreeGainPage;
}
class QLabel;
class QPushButton;
class QSlider;

// "Gain Control Handsfree": the handsfree loudspeaker and microphone gains
// (003Eh) of the models whose marker at 001Dh reads AAh. Every button first
// checks that a handset answers and is such a model. The port stays open.
// The read error text is the internal gain page's (given at construction).
// "Write Gain Value" sends the bars, which a read set: it stays disabled until
// the page has read the device now on the line. After a write the bars show
// what the handset holds.
class THandsfreeGainPage final : public QWidget {
    Q_OBJECT
public:
    THandsfreeGainPage(IHandsetSession& session, const QLabel& readErrorLabel, QWidget* parent = nullptr);
    ~THandsfreeGainPage() override;

    void btnReadGainClick();
    void btnWriteGainClick();
    void btnWriteDefaultGainClick();
    void tbrHandsfreeLrsGain82XXChange();
    void tbrHandsfreeMicGain82XXChange();

    // Another device may be on the line: what the page read is forgotten.
    void DeviceMayHaveChanged();

    QSlider* tbrHandsfreeLrsGain82XX;
    QSlider* tbrHandsfreeMicGain82XX;
    QLabel* lblHandsfreeValueLsr;
    QLabel* lblHandsfreeValueMic;
    QPushButton* btnReadGain;
    QPushButton* btnWriteGain;
    QPushButton* btnWriteDefaultGain;
    QLabel* lblHandset8240_8280_Info;
    QLabel* lblDefaultValuesWrittenToHandset;
    QLabel* lblGainValueWrittenToHandset;
    QLabel* lblCouldNotWriteToHandset;
    QLabel* lblHandsetMustBe8240;

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum class TAction { Read, Write, Reset };
    void Run(TAction action);
    void RunOnDevice(TAction action);
    // The byte the handset holds, on the bars.
    void ShowHeld(std::uint8_t value);
    void Forget();

    std::unique_ptr<Ui::THandsfreeGainPage> m_ui;
    IHandsetSession& m_session;
    const QLabel& m_readErrorLabel;
    TDeviceReadMark m_readMark; // the read the bars came from
    bool m_showsRead = false;   // the bars show a read, of this device or an earlier one
};
