#include "BootClient.h"

#include <cstring>

namespace tbload {

using Clock = SerialDevice::Clock;
using std::chrono::milliseconds;

bool BootClient::Send(const boot::Frame& frame)
{
    const std::vector<uint8_t> bytes = boot::Encode(frame);
    m_sent += bytes.size();
    return m_port.WriteAll(bytes.data(), bytes.size(), Clock::now() + milliseconds(LineTimeMs(bytes.size()) + 1000));
}

std::optional<boot::Frame> BootClient::Await(uint16_t sequence, Clock::time_point deadline)
{
    uint8_t buffer[4096];
    for (;;) {
        while (auto frame = m_decoder.Next()) {
            if (frame->sequence == sequence || frame->command == boot::kNak)
                return frame;
        }
        const int n = m_port.ReadSome(buffer, sizeof buffer, deadline);
        if (n <= 0)
            return std::nullopt;
        m_received += size_t(n);
        m_decoder.Feed(buffer, size_t(n));
    }
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

BootClient::Result BootClient::ProgramBlock(uint32_t address, const uint8_t* data, size_t count)
{
    std::vector<uint8_t> payload;
    payload.reserve(4 + count);
    boot::PutU32(payload, address);
    payload.insert(payload.end(), data, data + count);
    return Exchange(boot::kData, payload, boot::kProgramBusyMs);
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
        if (answer->command == boot::kNak) {
            result.nakReason = answer->payload.empty() ? 0 : answer->payload[0];
            if (result.nakReason == boot::kNakChecksum)
                continue; // damaged on the way: send again
            result.status = Status::Refused;
            return result;
        }
        result.status = Status::Ok;
        result.answer = *answer;
        return result;
    }
    result.status = m_port.Interrupted() ? Status::Stopped
                    : m_port.Lost()      ? Status::Lost
                    : result.nakReason   ? Status::Refused
                                         : Status::NoAnswer;
    return result;
}

} // namespace tbload
