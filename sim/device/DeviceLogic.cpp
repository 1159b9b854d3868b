#include "DeviceLogic.h"

#include "SimProfiles.h"

#include <algorithm>
#include <cstdlib>

namespace tbsim {

namespace {
constexpr quint8 kExtraByte = 0x55;

QString address4(int address) { return QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper(); }

// Deterministic noise, so that a failing test can be repeated.
QByteArray noise(int count, int seed)
{
    QByteArray bytes;
    unsigned state = 0x9E3779B9u * unsigned(seed + 1);
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        bytes.append(char(state >> 16));
    }
    return bytes;
}
} // namespace

DeviceLogic::DeviceLogic(QByteArray image, int baud, const SimFaults& faults) : m_image(std::move(image)), m_baud(baud)
{
    m_image.resize(kEepromSize, char(0xFF));
    setFaults(faults);
}

void DeviceLogic::setFaults(const SimFaults& faults)
{
    m_faults = faults;
    m_failWritesLeft = faults.failWrites;
    m_faultReads = 0;
    m_answerable = 0;
    m_replies = 0;
}

bool DeviceLogic::baudMatches(int lineBaud, int deviceBaud)
{
    if (lineBaud <= 0)
        return true;
    return std::abs(lineBaud - deviceBaud) * 100 <= deviceBaud * 2;
}

QString DeviceLogic::hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

QByteArray DeviceLogic::answerFrame(quint8 second, const QByteArray& data)
{
    QByteArray frame;
    frame.append(char(0x4D));
    frame.append(char(second));
    frame.append(char(data.size()));
    frame.append(char(0x3D));
    frame.append(data);
    frame.append(char(FrameParser::checksum(QByteArray(1, char(0x3D)) + data)));
    return frame;
}

QByteArray DeviceLogic::read(int address, int count) const
{
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data.append(m_image[(address + i) & 0xFFFF]);
    return data;
}

void DeviceLogic::write(int address, const QByteArray& data)
{
    for (int i = 0; i < data.size(); ++i)
        m_image[(address + i) & 0xFFFF] = data[i];
}

FrameResult DeviceLogic::handleFrame(const Frame& frame, int lineBaud)
{
    FrameResult result;
    ++m_frames;
    result.log << QStringLiteral("RX ") + hex(frame.raw);
    if (!frame.checksumOk()) {
        result.log << QStringLiteral("BADSUM got %1, expected %2")
                          .arg(hex(QByteArray(1, char(frame.checksum))),
                               hex(QByteArray(1, char(frame.expectedChecksum))));
        return result;
    }
    if (!baudMatches(lineBaud, m_baud)) {
        result.log << QStringLiteral("MISMATCH line %1 baud, device %2 baud").arg(lineBaud).arg(m_baud);
        return result;
    }
    const QByteArray& mail = frame.mail;
    const bool command = mail.size() >= 2 && quint8(mail[0]) == 0x02;
    const quint8 op = command ? quint8(mail[1]) : 0;
    if (command && op == 0x3C) {
        handleRead(mail, result);
    }
    else if (command && op == 0x3B) {
        handleWrite(mail, result);
    }
    else if (command && op == 0x3A && (mail.size() == 2 || (mail.size() == 3 && mail[2] == 0))) {
        ++m_defaults;
        result.log << QStringLiteral("DEFAULT ") + hex(mail);
        // The default-command window waits for an answer it does not use.
        answer(0x3A, {}, result);
    }
    else {
        result.log << QStringLiteral("IGNORED ") + hex(mail);
    }
    return result;
}

void DeviceLogic::handleRead(const QByteArray& mail, FrameResult& result)
{
    if (mail.size() != 7 || quint8(mail[2]) != 0x08 || mail[3] != 0) {
        result.log << QStringLiteral("IGNORED ") + hex(mail);
        return;
    }
    const int count = quint8(mail[4]);
    const int address = quint8(mail[5]) | (quint8(mail[6]) << 8);
    ++m_reads;
    ++m_faultReads;
    result.log << QStringLiteral("READ %1 %2").arg(address4(address)).arg(count);
    if (m_faultReads < m_faults.answerFrom) {
        result.log << QStringLiteral("FAULT answer-from %1 of %2").arg(m_faultReads).arg(m_faults.answerFrom);
        return;
    }
    for (const SimRange& range : m_faults.silent)
        if (range.overlaps(address, count)) {
            result.log << QStringLiteral("FAULT silent %1").arg(address4(address));
            return;
        }
    answer(0x3C, read(address, count), result);
}

void DeviceLogic::handleWrite(const QByteArray& mail, FrameResult& result)
{
    const quint8 kind = mail.size() > 2 ? quint8(mail[2]) : 0;
    if (mail.size() < 7 || (kind != 0x08 && kind != 0x02) || mail[3] != 0 || mail.size() != 7 + quint8(mail[4])) {
        result.log << QStringLiteral("IGNORED ") + hex(mail);
        return;
    }
    const int address = quint8(mail[5]) | (quint8(mail[6]) << 8);
    const QByteArray data = mail.mid(7);
    QString line = QStringLiteral("WRITE ") + address4(address);
    if (!data.isEmpty())
        line += QLatin1Char(' ') + hex(data);
    for (const SimRange& range : m_faults.protect)
        if (range.overlaps(address, data.size())) {
            ++m_writesDropped;
            result.log << QStringLiteral("REFUSED ") + line;
            return;
        }
    ++m_writeMails;
    if (m_failWritesLeft > 0 || hits(m_faults.dropWriteEvery, m_writeMails)) {
        m_failWritesLeft = std::max(m_failWritesLeft - 1, 0);
        ++m_writesDropped;
        result.log << QStringLiteral("DROPPED ") + line;
        return;
    }
    write(address, data);
    ++m_writesStored;
    result.log << line;
}

void DeviceLogic::answer(quint8 second, const QByteArray& data, FrameResult& result)
{
    const int n = ++m_answerable;
    if (hits(m_faults.noAnswerEvery, n)) {
        result.log << QStringLiteral("FAULT no-answer");
        return;
    }
    Reply reply;
    QByteArray bytes = answerFrame(second, data);
    if (hits(m_faults.shortEvery, n) && !data.isEmpty()) {
        bytes = answerFrame(second, data.chopped(1));
        result.log << QStringLiteral("FAULT short");
    }
    if (hits(m_faults.badChecksumEvery, n)) {
        bytes.back() = char(quint8(bytes.back()) + 1);
        result.log << QStringLiteral("FAULT bad-checksum");
    }
    if (hits(m_faults.badMarkerEvery, n)) {
        bytes[0] = char(0x4E);
        result.log << QStringLiteral("FAULT bad-marker");
    }
    if (hits(m_faults.truncateEvery, n)) {
        bytes.chop(1);
        result.log << QStringLiteral("FAULT truncated");
    }
    if (hits(m_faults.noiseEvery, n) && m_faults.noiseBytes > 0) {
        bytes.prepend(noise(m_faults.noiseBytes, n));
        result.log << QStringLiteral("FAULT noise %1").arg(m_faults.noiseBytes);
    }
    if (hits(m_faults.extraByteEvery, n)) {
        bytes.append(char(kExtraByte));
        result.log << QStringLiteral("FAULT extra-byte");
    }
    if (m_faults.lateMs > 0 && hits(m_faults.lateEvery, n)) {
        reply.delayMs = m_faults.lateMs;
        result.log << QStringLiteral("FAULT late %1 ms").arg(m_faults.lateMs);
    }
    if (m_faults.duplicateMs >= 0 && hits(m_faults.duplicateEvery, n)) {
        reply.duplicateMs = m_faults.duplicateMs;
        result.log << QStringLiteral("FAULT duplicate %1 ms").arg(m_faults.duplicateMs);
    }
    const int replyNumber = ++m_replies;
    if (m_faults.hangupAfter > 0 && replyNumber == m_faults.hangupAfter)
        reply.hangup = true;
    reply.bytes = bytes;
    result.reply = reply;
}

} // namespace tbsim
