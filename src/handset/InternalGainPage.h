#pragma once

#include "DeviceSession.h"

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class TInternalGainPage;
}
class QLabel;
class QPushButton;
class QSlider;

// "Gain Control Internal LS/Mic": a handset's loudspeaker volume and
// microphone gain (the two fields of 0029h). Remembers the byte first read,
// until "New handset connected", so that it can be written back. The read
// leaves the port open; the writes close it.
//
// The writes send values read from the handset (the bars are set by a read,
// then moved): they stay disabled until the page has read the device now on
// the line, and after a write the page shows what the handset holds.
class TInternalGainPage final : public QWidget {
    Q_OBJECT
public:
    explicit TInternalGainPage(IHandsetSession& session, QWidget* parent = nullptr);
    ~TInternalGainPage() override;

    void Button11Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void TrackBar1Change();
    void TrackBar2Change();

    [[nodiscard]] std::optional<std::uint8_t> FirstRead() const { return m_firstRead; }

    // Another device may be on the line: what the page read is forgotten.
    void DeviceMayHaveChanged();

    QSlider* TrackBar1; // microphone
    QSlider* TrackBar2; // loudspeaker
    QLabel* Label47;
    QLabel* Label48;
    QLabel* Label19;
    QLabel* Label15;
    QLabel* Label20;
    QPushButton* Button11;
    QPushButton* Button12;
    QPushButton* Button13;
    QPushButton* Button14;
    QLabel* Label45;
    QLabel* Label36;
    QLabel* Label37;

signals:
    // "New handset connected": the other pages forget the last handset too.
    void HandsetReplaced();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ReadGain();
    // Writes the gain byte as one device operation, reads back what the
    // handset holds, shows it and then how the write went. twoDigits: the
    // fields beside the bars as two digits each ("Write Initial values").
    void WriteGainByte(std::uint8_t value, bool twoDigits);
    // A byte read from the handset: its fields beside the bars, the bars set.
    void ShowHeld(std::uint8_t value, bool twoDigits);
    void SetBars(std::uint8_t value);
    // Nothing of the last handset stays: bars, digits, the first value read.
    void Forget();
    // The writes need a read of this device; Write Initial values also a first value.
    void UpdateWriteButtons();

    std::unique_ptr<Ui::TInternalGainPage> m_ui;
    IHandsetSession& m_session;
    // Held apart from the value 00h: nothing read yet.
    std::optional<std::uint8_t> m_firstRead;
    TDeviceReadMark m_readMark; // the read the bars and the first value came from
    bool m_showsRead = false;   // the page shows a read, of this device or an earlier one
};
