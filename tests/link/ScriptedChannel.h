#pragma once

#include "FrameDevice.h"
#include "VirtualCom.h"

#include <QObject>
#include <QTimer>
#include <vector>

// A channel without a port: what is written reaches a FrameDevice, and its
// echo and answer come back as deliveries through the event loop, as on a line.
class ScriptedChannel : public TVirtualCom {
public:
    FrameDevice device;
    std::vector<QByteArray> written;
    bool open = true;
    bool echo = true;
    std::uint8_t com = 1;
    std::int32_t baud = 9600;
    int dtrCalls = 0;

    [[nodiscard]] bool IsOpen() const override { return open; }
    [[nodiscard]] std::uint8_t ComNumber() const override { return com; }
    [[nodiscard]] std::int32_t Baud() const override { return baud; }
    [[nodiscard]] bool Dcd() const override { return false; }
    [[nodiscard]] bool Cts() const override { return false; }
    [[nodiscard]] bool Dsr() const override { return false; }
    bool Open(std::uint8_t c, std::int32_t b) override
    {
        com = c;
        baud = b;
        open = true;
        return true;
    }
    bool Close() override
    {
        open = false;
        return true;
    }
    void SetDtr(bool) override { ++dtrCalls; }
    void SetRts(bool) override {}
    void FlushIn() override {}
    void FlushOut() override {}
    void SetHardwareFlow(bool) override {}
    int Write(const QByteArray& block) override
    {
        if (!open)
            return 0;
        written.push_back(block);
        const QByteArray answer = device.Feed(block);
        const QByteArray back = (echo ? block : QByteArray()) + answer;
        // All comes once the frame, a byte time of thought and the answer have crossed the line.
        if (!back.isEmpty())
            Deliver(back, static_cast<int>((block.size() + answer.size() + 1) * 10000 / baud + 1));
        return static_cast<int>(block.size());
    }
    void Deliver(const QByteArray& bytes, int afterMs = 0)
    {
        QTimer::singleShot(afterMs, Qt::PreciseTimer, &m_context, [this, bytes] {
            if (OnData)
                OnData(this, bytes);
        });
    }
    [[nodiscard]] int FramesWritten() const { return static_cast<int>(written.size()); }

private:
    QObject m_context;
};
