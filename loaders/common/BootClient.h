#pragma once

#include "AnswerSchedule.h"
#include "BootFrame.h"
#include "SerialDevice.h"
#include "StreamWindow.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace tbload {

struct TargetInfo {
    uint16_t maker = 0;
    uint16_t device = 0;
    uint32_t flashSize = 0;
    uint16_t largestBlock = 0;
};

// The loader's side of the boot protocol: single exchanges (stop-and-wait)
// and streams of frames with a window in flight, with bounded waits and
// resends.
class BootClient {
public:
    enum class Status { Ok, Refused, NoAnswer, Lost, Stopped };
    struct Result {
        Status status = Status::NoAnswer;
        boot::Frame answer;
        uint8_t nakReason = 0;
        size_t index = 0; // Stream: the command that failed
    };

    // Transmissions of a frame that got no answer or came back damaged.
    static constexpr int kTries = StreamWindow::kTries;
    static constexpr int kMarginMs = AnswerSchedule::kMarginMs;
    static constexpr int kHelloIntervalMs = 100;

    struct Command {
        uint8_t command = 0;
        std::vector<uint8_t> payload;
        int busyMs = 0; // the target's own time for it
    };

    BootClient(SerialDevice& port, int baud) : m_port(port), m_baud(baud) {}

    // Sends HELLO with the protocol tag until a HELLO answer comes or searchMs
    // passes; onTry is called before every HELLO.
    std::optional<TargetInfo> Search(const uint8_t (&tag)[4], int searchMs, const std::function<void(int)>& onTry = {});
    // One command; busyMs is the target's own time for it (erase, programming).
    Result Exchange(uint8_t command, const std::vector<uint8_t>& payload, int busyMs = 0);
    // Sends the commands in order, as StreamWindow says, each answer awaited
    // as AnswerSchedule dates it. Timeouts and damaged frames end as NoAnswer,
    // any other NAK as Refused. answered(i) comes in order for every command
    // the target took. At most 65535 commands: sequences are 16 bits.
    Result Stream(const std::vector<Command>& commands, const std::function<void(size_t index)>& answered);
    static Command Erase(uint32_t offset, uint32_t length, int busyMs);
    static Command Data(uint32_t address, const uint8_t* data, size_t count);

    [[nodiscard]] uint64_t BytesSent() const { return m_sent; }
    [[nodiscard]] uint64_t BytesReceived() const { return m_received; }
    [[nodiscard]] int Resends() const { return m_resends; }
    [[nodiscard]] int LineTimeMs(size_t bytes) const { return tbload::LineTimeMs(m_baud, bytes); }

    // How a wait that got nothing ends: stopped, the port lost, or no answer.
    [[nodiscard]] Status Silent() const;

private:
    // One stream's state: its first sequence, what goes next, when answers are due.
    struct Flow {
        const std::vector<Command>& commands;
        uint16_t first;
        StreamWindow window;
        AnswerSchedule schedule;
    };
    // Sends what the window has room for, up to a failing write.
    void Fill(Flow& flow);
    // What the answer (or its absence) means for the stream.
    StreamWindow::Verdict Take(Flow& flow, const std::optional<boot::Frame>& answer, Result& result);
    [[nodiscard]] bool Stopping() const { return m_port.Lost() || m_port.Interrupted(); }
    bool Send(const boot::Frame& frame);
    // Waits for a frame answering `sequence`, or a NAK for a damaged frame;
    // nullopt at the deadline.
    std::optional<boot::Frame> Await(uint16_t sequence, SerialDevice::Clock::time_point deadline);
    // The next frame of any kind; nullopt at the deadline.
    std::optional<boot::Frame> Receive(SerialDevice::Clock::time_point deadline);

    SerialDevice& m_port;
    int m_baud;
    boot::Decoder m_decoder;
    uint16_t m_sequence = 0;
    uint64_t m_sent = 0;
    uint64_t m_received = 0;
    int m_resends = 0;
};

} // namespace tbload
