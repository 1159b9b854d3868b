#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TEepromPage;
}
class IDeviceSession;
class QLabel;
class QLineEdit;
class QPushButton;

// "Read Write EEPROM": one byte at any 16-bit address, typed in hexadecimal.
// Works for any device that answers the EEPROM mails. A field that is not
// hexadecimal raises the conversion error, which the application's error
// report shows; the buttons are enabled again in every case.
class TEepromPage final : public QWidget {
    Q_OBJECT
public:
    explicit TEepromPage(IDeviceSession& session, QWidget* parent = nullptr);
    ~TEepromPage() override;

    void btnReadEepromClick();
    void btnWriteEepromClick();

    // Blanks at both ends removed, padded with "0" to the width.
    [[nodiscard]] static QString NormaliseField(const QString& text, int width);
    // "Write %.2X to address %.4X?"
    [[nodiscard]] static QString WriteQuestion(std::uint8_t value, std::uint16_t address);

    QLineEdit* edtAddress;
    QLineEdit* edtValue;
    QPushButton* btnReadEeprom;
    QPushButton* btnWriteEeprom;

signals:
    // Why the last read or write failed, for the status bar once the operation has ended.
    void OperationNote(const QString& note);

private:
    void NoteFailure(const QLabel& why);

    // Normalises the edit's text in place and returns it.
    static QString Normalise(QLineEdit* edit, int width);
    [[nodiscard]] std::uint16_t ParseAddress();

    std::unique_ptr<Ui::TEepromPage> m_ui;
    IDeviceSession& m_session;
};
