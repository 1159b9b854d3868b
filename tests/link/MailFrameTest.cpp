// Frames and answers of one exchange, without a port.
#include "MailFrame.h"

#include <gtest/gtest.h>

namespace {

// The record after sending `mail` and receiving `received` (the echo included in one-wire mode).
TMail Exchanged(const QString& mail, const QByteArray& received, bool echo = false)
{
    TMail m;
    m.EchoOn = echo;
    MailFrame::Build(m, mail);
    const QByteArray all =
        (echo ? QByteArray(reinterpret_cast<const char*>(m.TxFrame.data()), m.TxLen) : QByteArray()) + received;
    for (const char c : all)
        m.RxBuf[m.RxCount++] = static_cast<std::uint8_t>(c);
    m.RxChecksumOk = MailFrame::ChecksumOk(m);
    return m;
}

QByteArray Answer(const QByteArray& data, int checksumError = 0, const QByteArray& behind = {})
{
    std::uint8_t sum = 0x3D;
    for (const char c : data)
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    return QByteArray("\x4D\x02", 2) + char(data.size()) + '\x3D' + data + char(sum + checksumError) + behind;
}

TEST(MailFrame, WhichMailsAreWritesAndReads)
{
    const struct {
        const char* mail;
        bool write;
        bool read;
    } cases[] = {
        {"02 3B 08 00 01 10 00 41", true, false},
        {"02 3B 02 00 01 10 00 41", true, false},
        {"02 3B 05 00 01 10 00 41", true, false}, // any memory space: no answer awaited, so read back
        {"02 3B", true, false},
        {"02 3C 08 00 01 10 00", false, true},
        {"02 3C 05 00 01 10 00", false, false},
        {"03 3B 08 00 01 10 00 41", false, false},
    };
    for (const auto& c : cases) {
        const TMail m = Exchanged(QString::fromLatin1(c.mail), {});
        EXPECT_EQ(MailFrame::IsWrite(m), c.write) << c.mail;
        EXPECT_EQ(MailFrame::IsRead(m), c.read) << c.mail;
        EXPECT_EQ(m.RxExpected, c.write ? 0 : 4) << c.mail; // what the wait waits for in two-wire mode
    }
}

TEST(MailFrame, OneCheckOfTheAnswerForTextsChecksumsAndCounts)
{
    const struct {
        const char* what;
        QByteArray received;
        bool echo;
        bool wellFormed;
        int length;
        bool checksumOk;
        const char* text;
    } cases[] = {
        {"answer", Answer(QByteArray("\x00\x04\xD5", 3)), false, true, 3, true, "00 04 D5"},
        {"behind the echo", Answer(QByteArray("\x00\x04\xD5", 3)), true, true, 3, true, "00 04 D5"},
        {"wrong checksum", Answer(QByteArray("\x00\x04\xD5", 3), 1), false, false, 3, false, "00 04 D5"},
        {"a byte behind it", Answer(QByteArray("\x00\x04\xD5", 3), 0, "\x55"), false, false, 0, false, ""},
        {"cut", Answer(QByteArray("\x00\x04\xD5", 3)).chopped(1), false, false, 0, false, ""},
        {"no data", Answer({}), false, true, 0, false, ""},
        {"no marker", Answer(QByteArray(1, 0)).mid(1), false, false, 0, false, ""},
    };
    for (const auto& c : cases) {
        const TMail m = Exchanged(QStringLiteral("02 3C 08 00 03 40 00"), c.received, c.echo);
        EXPECT_EQ(MailFrame::AnswerWellFormed(m), c.wellFormed) << c.what;
        EXPECT_EQ(MailFrame::AnswerLength(m), c.length) << c.what;
        EXPECT_EQ(MailFrame::ChecksumOk(m), c.checksumOk) << c.what;
        EXPECT_EQ(MailFrame::AnswerText(m), QString::fromLatin1(c.text)) << c.what;
    }
}

TEST(MailFrame, AReadBackConfirmsOnlyTheBytesWrittenWithTheirCount)
{
    const struct {
        const char* write;
        const char* readBack; // the mail the write's read-back must be
        QByteArray answer;
        bool confirms;
    } cases[] = {
        {"02 3B 08 00 02 10 00 41 42", "02 3C 08 00 02 10 00", Answer("\x41\x42"), true},
        {"02 3B 05 00 02 10 00 41 42", "02 3C 08 00 02 10 00", Answer("\x41\x42"), true},
        {"02 3B 08 00 02 10 00 41 42", "02 3C 08 00 02 10 00", Answer("\x41\x43"), false},
        {"02 3B 08 00 02 10 00 41 42", "02 3C 08 00 02 10 00", Answer("\x41\x42", 1), false},
        {"02 3B 08 00 02 10 00 41 42", "02 3C 08 00 02 10 00", Answer(QByteArray("\x41\x42\x00", 3)), false},
        {"02 3B 08 00 03 10 00 41", "02 3C 08 00 03 10 00", Answer(QByteArray("\x41\x07\x08", 3)), true},
        {"02 3B 08", "02 3C 08 00 00 00 00", Answer({}), false}, // no count, no address: nothing confirms
    };
    for (const auto& c : cases) {
        const TMail write = Exchanged(QString::fromLatin1(c.write), {});
        EXPECT_EQ(MailFrame::ReadBackMail(write), QString::fromLatin1(c.readBack)) << c.write;
        const TMail readBack = Exchanged(MailFrame::ReadBackMail(write), c.answer);
        EXPECT_EQ(MailFrame::ReadBackConfirms(write, readBack), c.confirms) << c.write;
    }
}

} // namespace
