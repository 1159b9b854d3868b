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
        if (Stopping())
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

BootClient::Status BootClient::Silent() const
{
    return m_port.Interrupted() ? Status::Stopped : m_port.Lost() ? Status::Lost : Status::NoAnswer;
}

void BootClient::Fill(Flow& flow)
{
    while (const auto index = flow.window.NextToSend()) {
        const Command& c = flow.commands[*index];
        if (!Send(boot::Frame{c.command, uint16_t(flow.first + *index), c.payload}))
            return;
        if (flow.window.Sent())
            ++m_resends;
        flow.schedule.Sent(*index, boot::kHeaderSize + c.payload.size() + boot::kTrailerSize, c.busyMs, Clock::now());
    }
}

StreamWindow::Verdict BootClient::Take(Flow& flow, const std::optional<boot::Frame>& answer, Result& result)
{
    using Verdict = StreamWindow::Verdict;
    if (!answer) // no answer in time: from the first unanswered frame again
        return Stopping() ? Verdict::GiveUp : flow.window.Silence();
    const size_t index = uint16_t(answer->sequence - flow.first);
    if (!flow.window.Expects(index))
        return Verdict::Go; // an answer to a frame of an earlier exchange
    if (answer->command != boot::kNak) {
        flow.window.Acknowledged(index);
        return Verdict::Go;
    }
    const uint8_t reason = answer->payload.empty() ? 0 : answer->payload[0];
    const auto verdict = flow.window.Refusal(index, reason, Clock::now() < flow.schedule.LineEnd(index));
    if (verdict == Verdict::Refused) {
        result.nakReason = reason;
        result.index = index;
    }
    return verdict;
}

BootClient::Result BootClient::Stream(const std::vector<Command>& commands, const std::function<void(size_t)>& answered)
{
    Flow flow{commands, uint16_t(m_sequence + 1), StreamWindow(commands.size()),
              AnswerSchedule(m_baud, commands.size())};
    m_sequence = uint16_t(m_sequence + commands.size());
    Result result;
    auto verdict = StreamWindow::Verdict::Go;
    while (verdict == StreamWindow::Verdict::Go && !flow.window.Done()) {
        Fill(flow);
        if (Stopping())
            break;
        const size_t base = flow.window.Base(), inFlightEnd = flow.window.InFlightEnd();
        verdict = Take(flow, Receive(flow.schedule.Due(base)), result);
        if (flow.window.Base() == base)
            continue;
        flow.schedule.Answered(flow.window.Base(), inFlightEnd, Clock::now());
        for (size_t i = base; answered && i < flow.window.Base(); ++i)
            answered(i);
    }
    if (flow.window.Done())
        result.status = Status::Ok;
    else if (verdict == StreamWindow::Verdict::Refused)
        result.status = Status::Refused;
    else {
        result.status = Silent();
        result.index = flow.window.Base();
    }
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
            if (Stopping())
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
    result.status = Silent();
    return result;
}

} // namespace tbload
