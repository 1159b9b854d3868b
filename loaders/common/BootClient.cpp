#include "BootClient.h"

#include <cstring>

namespace tbload {

using Clock = SerialDevice::Clock;
using std::chrono::milliseconds;

namespace {
bool IsDamagedNak(const boot::Frame& f)
{
    return f.command == boot::kNak && !f.payload.empty() && f.payload[0] == boot::kNakChecksum;
}
} // namespace

bool BootClient::Send(const boot::Frame& frame)
{
    const std::vector<uint8_t> bytes = boot::Encode(frame);
    m_sent += bytes.size();
    return m_port.WriteAll(bytes.data(), bytes.size(), Clock::now() + milliseconds(LineTimeMs(bytes.size()) + 1000));
}

std::optional<boot::Frame> BootClient::Receive(Clock::time_point deadline)
{
    uint8_t buffer[4096];
    for (;;) {
        if (auto frame = m_decoder.Next())
            return frame;
        const int n = m_port.ReadSome(buffer, sizeof buffer, deadline);
        if (n <= 0) {
            // A start mark whose frame never completes: search on behind it.
            if (m_decoder.Buffered() == 0)
                return std::nullopt;
            m_decoder.Resync();
            return m_decoder.Next();
        }
        m_received += size_t(n);
        m_decoder.Feed(buffer, size_t(n));
    }
}

std::optional<boot::Frame> BootClient::Await(uint16_t sequence, Clock::time_point deadline)
{
    while (auto frame = Receive(deadline)) {
        if (frame->sequence == sequence || IsDamagedNak(*frame))
            return frame;
    }
    return std::nullopt;
}

std::optional<TargetInfo> BootClient::Search(const uint8_t (&tag)[4], int searchMs,
                                             const std::function<void(int)>& onTry)
{
    const auto end = Clock::now() + milliseconds(searchMs);
    boot::Frame hello{boot::kHello, 0, std::vector<uint8_t>(tag, tag + 4)};
    for (int attempt = 1; Clock::now() < end; ++attempt) {
        if (onTry)
            onTry(attempt);
        hello.sequence = ++m_sequence;
        if (!Send(hello))
            return std::nullopt;
        const auto next = std::min(end, Clock::now() + milliseconds(kHelloIntervalMs + LineTimeMs(32)));
        for (;;) {
            auto answer = Await(hello.sequence, next);
            if (!answer)
                break;
            if (answer->command == boot::kHelloAck && answer->payload.size() >= 10) {
                const uint8_t* p = answer->payload.data();
                return TargetInfo{boot::GetU16(p), boot::GetU16(p + 2), boot::GetU32(p + 4), boot::GetU16(p + 8)};
            }
        }
        if (m_port.Lost() || m_port.Interrupted())
            return std::nullopt;
    }
    return std::nullopt;
}

BootClient::Command BootClient::Erase(uint32_t offset, uint32_t length, int busyMs)
{
    Command c{boot::kErase, {}, busyMs};
    boot::PutU32(c.payload, offset);
    boot::PutU32(c.payload, length);
    return c;
}

BootClient::Command BootClient::Data(uint32_t address, const uint8_t* data, size_t count)
{
    Command c{boot::kData, {}, boot::kProgramBusyMs};
    c.payload.reserve(4 + count);
    boot::PutU32(c.payload, address);
    c.payload.insert(c.payload.end(), data, data + count);
    return c;
}

BootClient::Result BootClient::Stream(const std::vector<Command>& commands, const std::function<void(size_t)>& answered)
{
    Result result;
    const size_t count = commands.size();
    const uint16_t first = uint16_t(m_sequence + 1);
    m_sequence = uint16_t(m_sequence + count);
    auto indexOf = [&](uint16_t sequence) { return size_t(uint16_t(sequence - first)); };

    size_t base = 0, next = 0, sentEnd = 0;
    int tries = 0; // transmissions of the frame at base
    // After a loss the frame at base goes alone until the target takes it: a
    // target that fell silent is given up within the tries of one frame.
    size_t window = kWindow;
    AnswerSchedule schedule(m_baud, count);
    auto accept = [&](size_t upTo) {
        if (upTo <= base)
            return;
        for (; base < upTo; ++base)
            if (answered)
                answered(base);
        next = std::max(next, base);
        tries = next > base ? 1 : 0;
        window = kWindow;
        schedule.Answered(base, next, Clock::now());
    };
    auto goBack = [&] {
        next = base;
        window = 1;
        return tries < kTries;
    };
    while (base < count) {
        while (next < count && next - base < window) {
            const Command& c = commands[next];
            const boot::Frame frame{c.command, uint16_t(first + next), c.payload};
            if (next < sentEnd)
                ++m_resends;
            if (next == base)
                ++tries;
            if (!Send(frame))
                break;
            schedule.Sent(next, boot::kHeaderSize + c.payload.size() + boot::kTrailerSize, c.busyMs, Clock::now());
            sentEnd = std::max(sentEnd, ++next);
        }
        if (m_port.Lost() || m_port.Interrupted())
            break;
        const auto answer = Receive(schedule.Due(base));
        if (!answer) {
            if (m_port.Lost() || m_port.Interrupted() || !goBack())
                break;
            continue; // no answer in time: from the first unanswered frame again
        }
        const size_t index = indexOf(answer->sequence);
        if (index < base || index >= sentEnd)
            continue; // an answer to a frame of an earlier exchange
        if (answer->command != boot::kNak) {
            accept(index + 1);
            continue;
        }
        const uint8_t reason = answer->payload.empty() ? 0 : answer->payload[0];
        if (reason != boot::kNakChecksum && reason != boot::kNakOrder) {
            result.nakReason = reason;
            result.status = Status::Refused;
            result.index = index;
            return result;
        }
        // The target awaits the frame it names; all before it are in.
        accept(index);
        // A damaged frame with frames behind it makes the target report the
        // gap at the next of them; only a lone frame is sent again at once.
        if ((reason == boot::kNakOrder || next - base == 1) && !goBack())
            break;
    }
    if (base == count) {
        result.status = Status::Ok;
        return result;
    }
    result.status = m_port.Interrupted() ? Status::Stopped : m_port.Lost() ? Status::Lost : Status::NoAnswer;
    result.index = base;
    return result;
}

BootClient::Result BootClient::Exchange(uint8_t command, const std::vector<uint8_t>& payload, int busyMs)
{
    Result result;
    const boot::Frame frame{command, ++m_sequence, payload};
    const size_t frameBytes = boot::kHeaderSize + payload.size() + boot::kTrailerSize;
    const int waitMs = LineTimeMs(frameBytes + 16) + busyMs + kMarginMs;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0)
            ++m_resends;
        m_decoder.Clear();
        if (!Send(frame))
            break;
        const auto answer = Await(frame.sequence, Clock::now() + milliseconds(waitMs));
        if (!answer) {
            if (m_port.Lost() || m_port.Interrupted())
                break;
            continue; // no answer in time: send again
        }
        if (IsDamagedNak(*answer))
            continue; // damaged on the way: send again
        if (answer->command == boot::kNak) {
            result.nakReason = answer->payload.empty() ? 0 : answer->payload[0];
            result.status = Status::Refused;
            return result;
        }
        result.status = Status::Ok;
        result.answer = *answer;
        return result;
    }
    // Timeouts and damaged frames alike: the line or the target, not a refusal.
    result.status = m_port.Interrupted() ? Status::Stopped : m_port.Lost() ? Status::Lost : Status::NoAnswer;
    return result;
}

} // namespace tbload
