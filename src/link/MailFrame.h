#pragma once

#include "ProgramError.h"

#include <QString>
#include <array>
#include <cstdint>
#include <span>

class EMailControlError : public EProgramError {
public:
    using EProgramError::EProgramError;
};

// The state of one exchange; copied as a unit by the read-back of a write.
struct TMail {
    QString MailText;
    std::array<std::uint8_t, 254> TxFrame{};
    std::uint8_t TxLen = 0;
    std::uint8_t RxExpected = 0;
    QString AnswerText;
    std::array<std::uint8_t, 254> RxBuf{};
    std::uint8_t RxCount = 0;
    std::int64_t Elapsed = 0;
    bool RxChecksumOk = false;
    bool EchoOn = true;
    bool EchoBack = false;
};

// Mail texts, the frame sent and the answer received: rules over one
// exchange's record, without a port. Errors are EMailControlError.
namespace MailFrame {

inline constexpr int kBufSize = 254;

// Upper case, one-digit values padded, runs of blanks collapsed.
[[nodiscard]] QString CorrectMail(const QString& s);
// The frame of the mail text; the received bytes cleared.
void Build(TMail& mail, const QString& text);
[[nodiscard]] int EchoLength(const TMail& mail);
// 02 3B: an EEPROM write. The device sends no answer; the link reads the
// cells back and journals it.
[[nodiscard]] bool IsWrite(const TMail& mail);
// 02 3C 08 00: an EEPROM read.
[[nodiscard]] bool IsRead(const TMail& mail);
// How many received bytes end the wait: the echo and the answer's head,
// then its announced length; past the buffer when no answer begins there.
[[nodiscard]] int BytesAwaited(const TMail& mail);

// The received bytes are one complete answer whose checksum holds; an answer
// without data included.
[[nodiscard]] bool AnswerWellFormed(const TMail& mail);
// Its data bytes; 0 when the answer is not complete (or has none).
[[nodiscard]] std::uint8_t AnswerLength(const TMail& mail);
// The checksum of an answer with data holds.
[[nodiscard]] bool ChecksumOk(const TMail& mail);
// "00 04 D5"; empty without a complete answer.
[[nodiscard]] QString AnswerText(const TMail& mail);
// The answer's data into buf, as many as fit; more than 200 raise.
[[nodiscard]] std::uint8_t CopyAnswer(const TMail& mail, std::span<std::uint8_t> buf);

// The frame's byte at index i when it is one of the mail's, else 0 (a short
// mail has no count or address; its checksum is not one).
[[nodiscard]] std::uint8_t MailByte(const TMail& mail, int i);
// The read of the cells a write mail wrote (always with 08 as third byte).
[[nodiscard]] QString ReadBackMail(const TMail& write);
// A checksummed answer of exactly count data bytes: another count answers
// another request, however its values look.
[[nodiscard]] bool AnswersCount(const TMail& mail, int count);
// The read-back's answer holds the bytes the write sent.
[[nodiscard]] bool ReadBackConfirms(const TMail& write, const TMail& readBack);

} // namespace MailFrame
