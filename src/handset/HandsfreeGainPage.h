#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class THandsfreeGainPage;
}
class IHandsetSession;
class QLabel;
class QPushButton;
class QSlider;

// "Gain Control Handsfree": the handsfree loudspeaker and microphone gains
// (003Eh) of the models whose marker at 001Dh reads AAh. Every button first
// checks that a handset answers and is such a model. The port stays open.
// The read error text is the internal gain page's (given at construction).
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

    QSlider* tbrHandsfreeLrsGain82XX;
    QSlider* tbrHandsfreeMicGain82XX;
    QLabel* lblHandsfreeValueLsr;
    QLabel* lblHandsfreeValueMic;
    QPushButton* btnReadGain;
    QPushButton* btnWriteGain;
    QPushButton* btnWriteDefaultGain;
    QLabel* lblHandset8240_8280_Info;
    QLabel* lblDefaultValuesWrittenToHandset;
    QLabel* lblCouldNotWriteToHandset;
    QLabel* lblHandsetMustBe8240;

private:
    enum class TAction { Read, Write, Reset };
    void Run(TAction action);

    std::unique_ptr<Ui::THandsfreeGainPage> m_ui;
    IHandsetSession& m_session;
    const QLabel& m_readErrorLabel;
};
