#include "FrameParser.h"

namespace tbsim {

namespace {
constexpr char kPreamble[3] = {'\xFF', '\xFF', '\x4D'};
constexpr int kHeaderSize = 5; // preamble, B1, length

bool isPreamblePrefix(const QByteArray& bytes)
{
    for (int i = 0; i < bytes.size(); ++i)
        if (bytes[i] != kPreamble[i])
            return false;
    return true;
}
} // namespace

void FrameParser::push(quint8 byte, std::vector<ParserEvent>& out)
{
    m_pending.append(char(byte));
    if (m_pending.size() <= 3) {
        // Shift bytes out until what is left may still start a preamble
        // (FF FF FF 4D: the first FF is garbage).
        while (!isPreamblePrefix(m_pending)) {
            m_skipped.append(m_pending[0]);
            m_pending.remove(0, 1);
        }
        if (m_pending.size() == 3)
            flushSkipped(out);
        return;
    }
    if (m_pending.size() < kHeaderSize)
        return;
    const int bodyLength = quint8(m_pending[4]);
    if (m_pending.size() < kHeaderSize + bodyLength + 1)
        return;

    Frame frame;
    frame.raw = m_pending;
    frame.mail = m_pending.mid(3, 1) + m_pending.mid(kHeaderSize, bodyLength);
    frame.checksum = quint8(m_pending.back());
    frame.expectedChecksum = checksum(m_pending.mid(kHeaderSize, bodyLength));
    m_pending.clear();
    ParserEvent event;
    event.kind = ParserEvent::FrameDone;
    event.frame = std::move(frame);
    out.push_back(std::move(event));
}

std::vector<ParserEvent> FrameParser::feed(const QByteArray& bytes)
{
    std::vector<ParserEvent> out;
    for (char c : bytes)
        push(quint8(c), out);
    flushSkipped(out);
    return out;
}

void FrameParser::flushSkipped(std::vector<ParserEvent>& out)
{
    if (m_skipped.isEmpty())
        return;
    ParserEvent event;
    event.kind = ParserEvent::Skipped;
    event.bytes = m_skipped;
    m_skipped.clear();
    out.push_back(std::move(event));
}

QByteArray FrameParser::discardPartial()
{
    QByteArray bytes = m_pending;
    m_pending.clear();
    return bytes;
}

quint8 FrameParser::checksum(const QByteArray& bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += quint8(c);
    return quint8(sum);
}

QByteArray FrameParser::buildFrame(const QByteArray& mail)
{
    QByteArray frame(kPreamble, 3);
    frame.append(mail.left(1));
    frame.append(char(mail.size() - 1));
    const QByteArray body = mail.mid(1);
    frame.append(body);
    frame.append(char(checksum(body)));
    return frame;
}

} // namespace tbsim
