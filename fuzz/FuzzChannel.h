#pragma once

#include "SndMail.h"
#include "VirtualCom.h"

// An open line that needs no port: what is written goes nowhere unless a
// harness delivers answers through Deliver.
class TFuzzChannelBase : public TVirtualCom {
public:
    [[nodiscard]] bool IsOpen() const override { return true; }
    [[nodiscard]] std::uint8_t ComNumber() const override { return 1; }
    [[nodiscard]] std::int32_t Baud() const override { return m_baud; }
    [[nodiscard]] bool Dcd() const override { return false; }
    [[nodiscard]] bool Cts() const override { return false; }
    [[nodiscard]] bool Dsr() const override { return false; }
    bool Open(std::uint8_t, std::int32_t) override { return true; }
    bool Close() override { return true; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void FlushIn() override {}
    void FlushOut() override {}
    void SetHardwareFlow(bool) override {}
    int Write(const QByteArray& block) override { return static_cast<int>(block.size()); }

protected:
    explicit TFuzzChannelBase(std::int32_t baud) : m_baud(baud) {}
    void Deliver(const QByteArray& bytes)
    {
        if (OnData)
            OnData(this, bytes);
    }

private:
    std::int32_t m_baud;
};

// No dialogs, no waiting: an answer counts only if it is there when the link looks.
inline void MakeImpatient(TMailControl& link)
{
    link.ShowDialogs = false;
    link.AnswerTimeout = 0;
    link.GapTimeout = 0;
    link.ReadbackDelay = 0;
    link.MaxWriteAttempts = 1;
}
