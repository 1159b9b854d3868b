#include "MailFrame.h"

#include "NumberConverting.h"

#include <algorithm>

namespace {
const QString kUnit = QStringLiteral("SndMail");
const QString kCorrectMailFn = QStringLiteral("TMailControl.CorrectMail(s: string): string");
const QString kRcvArrayFn = QStringLiteral("TMailControl.RcvArray(var buf: array of byte): byte");
constexpr int kMaxMailBytes = 249;
using MailFrame::kBufSize;

bool IsBlank(QChar c) { return c == QLatin1Char(' '); }

QString TrimControl(const QString& s)
{
    int b = 0;
    int e = static_cast<int>(s.size());
    while (b < e && s[b].unicode() <= ' ')
        ++b;
    while (e > b && s[e - 1].unicode() <= ' ')
        --e;
    return s.mid(b, e - b);
}

// The mail's bytes from its corrected text.
int MailBytes(const QString& text, std::array<std::uint8_t, kBufSize>& bytes)
{
    int n = 0;
    QString rest = text;
    while (!rest.isEmpty()) {
        // A frame must fit the send buffer; longer mails would overrun it.
        if (n == kMaxMailBytes)
            throw EMailControlError(FormatErrorText(QStringLiteral("Mail longer than 249 bytes"), kUnit,
                                                    QStringLiteral("TMailControl.BuildFrame(mail: string)")));
        bytes[n++] = Hex2Dec(rest.left(2));
        rest.remove(0, 2);
        while (!rest.isEmpty() && IsBlank(rest[0]))
            rest.remove(0, 1);
    }
    return n;
}

// The answer's marker and "=" are where the echo ends.
bool AnswerHead(const TMail& mail)
{
    const int e = MailFrame::EchoLength(mail);
    return e + 3 < kBufSize && mail.RxBuf[e] == 0x4D && mail.RxBuf[e + 3] == 0x3D;
}
} // namespace

namespace MailFrame {

QString CorrectMail(const QString& s)
{
    QString t = TrimControl(s.toUpper());
    if (t.isEmpty())
        throw EMailControlError(FormatErrorText(QStringLiteral("Length of s = 0"), kUnit, kCorrectMailFn));
    if (!IsHexText(s, true))
        throw EMailControlError(
            FormatErrorText(QStringLiteral("Invalid Hex Value (") + s + QStringLiteral(")"), kUnit, kCorrectMailFn));
    // Positions below are 1-based as in the rules; p(i) is t[i - 1].
    auto p = [&t](int i) { return t[i - 1]; };
    if (t.size() == 1 || IsBlank(p(2)))
        t.prepend(QLatin1Char('0'));
    if (t.size() >= 2 && IsBlank(p(static_cast<int>(t.size()) - 1)))
        t.insert(t.size() - 1, QLatin1Char('0'));
    if (t.size() > 5) {
        const int count = static_cast<int>(t.size());
        for (int i = count; i >= 3; --i)
            if (i <= t.size() && IsBlank(p(i)) && IsBlank(p(i - 1)))
                t.remove(i - 1, 1);
    }
    for (int i = static_cast<int>(t.size()); i >= 3; --i)
        if (IsBlank(p(i)) && (IsBlank(p(i - 1)) || IsBlank(p(i - 2))))
            t.insert(i - 2, QLatin1Char('0'));
    return t;
}

void Build(TMail& mail, const QString& text)
{
    mail.TxFrame.fill(0);
    mail.RxBuf.fill(0);
    mail.RxChecksumOk = false;
    mail.MailText = CorrectMail(text);
    std::array<std::uint8_t, kBufSize> bytes{};
    const int n = MailBytes(mail.MailText, bytes);
    auto& f = mail.TxFrame;
    f[0] = 0xFF;
    f[1] = 0xFF;
    f[2] = 0x4D;
    f[3] = bytes[0];
    f[4] = static_cast<std::uint8_t>(n - 1);
    std::uint8_t sum = 0;
    for (int i = 1; i < n; ++i) {
        f[4 + i] = bytes[i];
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    f[n + 4] = sum;
    mail.TxLen = static_cast<std::uint8_t>(n + 5);
    const auto e = static_cast<std::uint8_t>(EchoLength(mail));
    mail.RxExpected = IsWrite(mail) ? e : static_cast<std::uint8_t>(e + 4);
}

int EchoLength(const TMail& mail) { return mail.EchoOn ? mail.TxLen : 0; }

bool IsWrite(const TMail& mail)
{
    const auto& f = mail.TxFrame;
    return mail.TxLen >= 7 && f[3] == 0x02 && f[5] == 0x3B;
}

bool IsRead(const TMail& mail)
{
    const auto& f = mail.TxFrame;
    return mail.TxLen >= 9 && f[3] == 0x02 && f[5] == 0x3C && f[6] == 0x08 && f[7] == 0x00;
}

int BytesAwaited(const TMail& mail)
{
    const int e = EchoLength(mail);
    if (mail.RxCount < mail.RxExpected || mail.RxExpected == e)
        return mail.RxExpected;
    if (AnswerHead(mail))
        return e + mail.RxBuf[e + 2] + 5;
    // Not an answer: take whatever follows until the timers end, so that its
    // rest does not spill into the next exchange.
    return kBufSize + 1;
}

bool AnswerWellFormed(const TMail& mail)
{
    const int e = EchoLength(mail);
    const auto& r = mail.RxBuf;
    if (!AnswerHead(mail) || mail.RxCount != e + r[e + 2] + 5)
        return false;
    std::uint8_t sum = 0;
    for (int i = e + 3; i < mail.RxCount - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + r[i]);
    return sum == r[mail.RxCount - 1];
}

std::uint8_t AnswerLength(const TMail& mail)
{
    const int e = EchoLength(mail);
    if (!AnswerHead(mail))
        return 0;
    const int l = mail.RxBuf[e + 2];
    return mail.RxCount == e + l + 5 ? static_cast<std::uint8_t>(l) : 0;
}

bool ChecksumOk(const TMail& mail) { return AnswerLength(mail) > 0 && AnswerWellFormed(mail); }

QString AnswerText(const TMail& mail)
{
    const int l = AnswerLength(mail);
    const int e = EchoLength(mail);
    QString text;
    text.reserve(l * 3);
    for (int k = 0; k < l; ++k) {
        if (k > 0)
            text += QLatin1Char(' ');
        text += ByteToHex(mail.RxBuf[e + 4 + k]);
    }
    return text;
}

std::uint8_t CopyAnswer(const TMail& mail, std::span<std::uint8_t> buf)
{
    const int n = std::min<int>(AnswerLength(mail), static_cast<int>(buf.size()));
    if (n > 200)
        throw EMailControlError(FormatErrorText(QStringLiteral("AnswerLength > 200"), kUnit, kRcvArrayFn));
    std::copy_n(mail.RxBuf.begin() + EchoLength(mail) + 4, n, buf.begin());
    return static_cast<std::uint8_t>(n);
}

std::uint8_t MailByte(const TMail& mail, int i) { return i >= 3 && i < mail.TxLen - 1 ? mail.TxFrame[i] : 0; }

QString ReadBackMail(const TMail& write)
{
    // The count and address follow 02 3B xx 00 in the frame.
    return QStringLiteral("02 3C 08 00 ") + ByteToHex(MailByte(write, 8)) + QLatin1Char(' ') +
           ByteToHex(MailByte(write, 9)) + QLatin1Char(' ') + ByteToHex(MailByte(write, 10));
}

bool AnswersCount(const TMail& mail, int count) { return mail.RxChecksumOk && AnswerLength(mail) == count; }

bool ReadBackConfirms(const TMail& write, const TMail& readBack)
{
    const std::uint8_t count = MailByte(write, 8);
    if (!AnswersCount(readBack, count))
        return false;
    // Only bytes that were sent can be compared; a hand-typed mail may announce more.
    const int sent = std::max(0, write.TxLen - 5 - 7);
    const int e = EchoLength(readBack);
    for (int k = 0; k < std::min<int>(count, sent); ++k)
        if (readBack.RxBuf[e + 4 + k] != write.TxFrame[11 + k])
            return false;
    return true;
}

} // namespace MailFrame
