#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TInternalGainPage;
}
class IHandsetSession;
class QLabel;
class QPushButton;
class QSlider;

// "Gain Control Internal LS/Mic": a handset's loudspeaker volume and
// microphone gain (the two fields of 0029h). Remembers the byte first read,
// until "New handset connected", so that it can be written back. The read
// leaves the port open; the writes close it.
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

private:
    void ReadGain();
    // Writes the gain byte as one device operation and shows how it went; shown
    // runs after the message, once the byte got to the device.
    void WriteGainByte(std::uint8_t value, const std::function<void(bool written)>& shown);
    // The fields' digits as last written, beside the track bars.
    void ShowFields(const QString& loudspeaker, const QString& microphone);
    void SetBars(std::uint8_t value);
    void SetFirstRead(std::optional<std::uint8_t> value);

    std::unique_ptr<Ui::TInternalGainPage> m_ui;
    IHandsetSession& m_session;
    // Held apart from the value 00h: nothing read yet.
    std::optional<std::uint8_t> m_firstRead;
};
