#include "EepromPage.h"

#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "NumberConverting.h"
#include "SndMail.h"
#include "UiGuards.h"
#include "ui_EepromPage.h"

#include <array>

namespace {

// Letters appear in upper case, typed or set, as with an upper-case edit.
void MakeUpperCase(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    });
}

} // namespace

TEepromPage::TEepromPage(IDeviceSession& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TEepromPage>()), m_session(session)
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("EepromPage"));
    edtAddress = m_ui->edtAddress;
    edtValue = m_ui->edtValue;
    btnReadEeprom = m_ui->btnReadEeprom;
    btnWriteEeprom = m_ui->btnWriteEeprom;
    MakeUpperCase(edtAddress);
    MakeUpperCase(edtValue);
    connect(btnReadEeprom, &QPushButton::clicked, this, [this] { btnReadEepromClick(); });
    connect(btnWriteEeprom, &QPushButton::clicked, this, [this] { btnWriteEepromClick(); });
}

TEepromPage::~TEepromPage() = default;

QString TEepromPage::NormaliseField(const QString& text, int width)
{
    return PadLeft(text.trimmed(), QLatin1Char('0'), width);
}

QString TEepromPage::WriteQuestion(std::uint8_t value, std::uint16_t address)
{
    return QString::asprintf("Write %.2X to address %.4X?", static_cast<unsigned>(value),
                             static_cast<unsigned>(address));
}

QString TEepromPage::Normalise(QLineEdit* edit, int width)
{
    const QString text = NormaliseField(edit->text(), width);
    edit->setText(text);
    return text;
}

std::uint16_t TEepromPage::ParseAddress()
{
    return static_cast<std::uint16_t>(Hex2Int64(Normalise(edtAddress, 4)) & 0xFFFF);
}

void TEepromPage::btnReadEepromClick()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TWaitCursorGuard hourglass;
    edtValue->clear();
    TEnableGuard enable({btnReadEeprom, btnWriteEeprom});
    const std::uint16_t address = ParseAddress();
    if (!m_session.ConnectionCheck())
        return;
    std::array<std::uint8_t, 100> buffer{};
    const std::uint8_t count = m_session.Link().ReadEepromBytes(address & 0xFF, address >> 8, 1, buffer);
    if (count > 0)
        edtValue->setText(ByteToHex(buffer[0]));
    else
        NoteFailure(*m_ui->lblReadNoAnswer);
}

void TEepromPage::NoteFailure(const QLabel& why)
{
    emit OperationNote(m_session.Link().IsPortOpen() ? why.text() : m_ui->lblPortWasLost->text());
}

void TEepromPage::btnWriteEepromClick()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TWaitCursorGuard hourglass;
    TEnableGuard enable({btnReadEeprom, btnWriteEeprom});
    const std::uint16_t address = ParseAddress();
    const std::uint8_t value = Hex2Dec(Normalise(edtValue, 2));
    if (MessageDlg(WriteQuestion(value, address), mtWarning, mbOKCancel) != mrOk)
        return;
    if (!m_session.ConnectionCheck())
        return;
    const std::array<std::uint8_t, 1> data{value};
    if (m_session.Link().WriteEepromBytes(address & 0xFF, address >> 8, 1, data))
        MessageDlg(QStringLiteral("Write Success"), mtInformation, mbOK);
    else
        NoteFailure(*m_ui->lblEepromWriteFailed);
}
