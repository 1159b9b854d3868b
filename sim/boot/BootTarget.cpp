#include "BootTarget.h"

#include "Crc32.h"

#include <algorithm>

namespace tbsim {

namespace boot = tbload::boot;
using std::chrono::microseconds;

namespace {
constexpr uint32_t kSector = 64 * 1024;
QString Hex8(uint32_t v) { return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper(); }
} // namespace

bool BootTarget::IsBootProfile(const QString& profile)
{
    return profile == QLatin1String("boot-sc14428") || profile == QLatin1String("boot-rfl");
}

BootTarget::BootTarget(const BootTargetOptions& options) : m_options(options)
{
    const bool sc = options.profile == QLatin1String("boot-sc14428");
    m_tag = sc ? boot::kTagSc14428 : boot::kTagRfl;
    m_maker = sc ? 0x00BF : 0x0001;
    m_device = sc ? 0x2780 : 0x22DA;
    m_flash.assign(options.flashSize ? options.flashSize : (sc ? 512u << 10 : 2u << 20), 0xFF);
    if (options.power != BootTargetOptions::Power::Off)
        PowerOn(options.power == BootTargetOptions::Power::OnHook, Clock::now());
}

bool BootTarget::LoadFlash(const std::vector<uint8_t>& image)
{
    if (image.size() != m_flash.size())
        return false;
    m_flash = image;
    return true;
}

void BootTarget::PowerOff()
{
    m_powered = false;
    m_session = false;
    m_running = false;
    m_gone = false;
}

void BootTarget::PowerOn(bool, Clock::time_point now)
{
    m_powered = true;
    m_session = false;
    m_running = false;
    m_gone = false;
    m_windowEnd = now + std::chrono::milliseconds(m_options.bootWindowMs);
}

bool BootTarget::Listening(Clock::time_point now) const
{
    return m_powered && !m_running && !m_gone && !m_options.faults.silent && (m_session || now < m_windowEnd);
}

QString BootTarget::State(Clock::time_point now) const
{
    if (!m_powered)
        return QStringLiteral("off");
    if (m_running)
        return QStringLiteral("running its software");
    if (m_session)
        return QStringLiteral("loading");
    return now < m_windowEnd ? QStringLiteral("boot window open") : QStringLiteral("boot window closed");
}

BootTarget::Reply BootTarget::Answer(const boot::Frame& request, uint8_t command, std::vector<uint8_t> payload,
                                     microseconds busy)
{
    Reply reply;
    reply.frame = boot::Frame{command, request.sequence, std::move(payload)};
    reply.busy = busy;
    m_busyTotal += reply.busy;
    return reply;
}

BootTarget::Reply BootTarget::Refuse(const boot::Frame& request, uint8_t reason, const QString& log)
{
    Reply reply = Answer(request, boot::kNak, {reason});
    reply.log = log;
    return reply;
}

microseconds BootTarget::EraseTime(uint32_t sectors) const
{
    if (m_options.eraseMs > 0)
        return std::chrono::milliseconds(m_options.eraseMs) * sectors;
    return m_options.pace ? kEraseTimePerSector * sectors : microseconds(0);
}

BootTarget::Reply BootTarget::Damaged(Clock::time_point now)
{
    if (!Listening(now) || !m_session)
        return {};
    // The NAK names the frame it awaits, so the loader knows what came through.
    return Refuse(boot::Frame{0, m_expected, {}}, boot::kNakChecksum, QStringLiteral("BADFRAME"));
}

BootTarget::Reply BootTarget::Handle(const boot::Frame& frame, Clock::time_point now)
{
    if (!Listening(now))
        return {};
    if (m_session && frame.command != boot::kHello && frame.sequence != m_expected) {
        if (uint16_t(m_expected - frame.sequence) < 0x8000) {
            // Sent again after its answer was lost: done already, answered again.
            if (frame.command != boot::kVerify) {
                Reply r = Answer(frame, boot::kAck);
                r.log = QStringLiteral("REPEATED %1").arg(frame.sequence);
                return r;
            }
        }
        else {
            // A frame before it went missing: said once, the rest waits for the resend.
            if (m_gapReported)
                return {};
            m_gapReported = true;
            return Refuse(boot::Frame{0, m_expected, {}}, boot::kNakOrder,
                          QStringLiteral("GAP awaits %1, got %2").arg(m_expected).arg(frame.sequence));
        }
    }
    else if (frame.command != boot::kHello) {
        Reply r = Take(frame, now);
        // Only a frame it took moves it on; a refusal ends the loader's stream.
        if (r.frame && r.frame->command != boot::kNak) {
            ++m_expected;
            m_gapReported = false;
        }
        return r;
    }
    return Take(frame, now);
}

BootTarget::Reply BootTarget::Take(const boot::Frame& frame, Clock::time_point)
{
    if (frame.command == boot::kHello)
        return Hello(frame);
    if (!m_session)
        return {};
    switch (frame.command) {
    case boot::kErase:
        return Erase(frame);
    case boot::kData:
        return Program(frame);
    case boot::kVerify:
        return Verify(frame);
    case boot::kReset: {
        Reply r = Answer(frame, boot::kAck);
        m_session = false;
        m_running = true;
        r.log = QStringLiteral("RESET");
        return r;
    }
    default:
        return Refuse(frame, boot::kNakCommand, QStringLiteral("REFUSED command %1").arg(frame.command));
    }
}

BootTarget::Reply BootTarget::Hello(const boot::Frame& frame)
{
    const uint8_t* p = frame.payload.data();
    const size_t size = frame.payload.size();
    if (size != 4 || !std::equal(p, p + 4, m_tag))
        return {}; // another protocol's loader
    m_session = true;
    m_expected = uint16_t(frame.sequence + 1);
    m_gapReported = false;
    std::vector<uint8_t> info;
    boot::PutU16(info, m_maker);
    boot::PutU16(info, m_device);
    boot::PutU32(info, uint32_t(m_flash.size()));
    boot::PutU16(info, uint16_t(boot::kMaxBlock));
    Reply r = Answer(frame, boot::kHelloAck, info);
    r.log = QStringLiteral("HELLO");
    return r;
}

BootTarget::Reply BootTarget::Erase(const boot::Frame& frame)
{
    const uint8_t* p = frame.payload.data();
    const size_t size = frame.payload.size();
    if (size != 8)
        return Refuse(frame, boot::kNakCommand, QStringLiteral("REFUSED erase"));
    const uint32_t offset = boot::GetU32(p), length = boot::GetU32(p + 4);
    if (offset % kSector || length % kSector || uint64_t(offset) + length > m_flash.size())
        return Refuse(frame, boot::kNakRange, QStringLiteral("REFUSED erase %1 %2").arg(Hex8(offset), Hex8(length)));
    std::fill(m_flash.begin() + offset, m_flash.begin() + offset + length, 0xFF);
    Reply r = Answer(frame, boot::kAck, {}, EraseTime(length / kSector));
    r.log = QStringLiteral("ERASE %1 %2").arg(Hex8(offset), Hex8(length));
    return r;
}

BootTarget::Reply BootTarget::Program(const boot::Frame& frame)
{
    const uint8_t* p = frame.payload.data();
    const size_t size = frame.payload.size();
    if (size < 5)
        return Refuse(frame, boot::kNakCommand, QStringLiteral("REFUSED block"));
    const uint32_t offset = boot::GetU32(p);
    const size_t count = size - 4;
    ++m_dataFrames;
    if (m_options.faults.corruptBlock == m_dataFrames && !m_corrupted) {
        m_corrupted = true;
        return Refuse(frame, boot::kNakChecksum, QStringLiteral("FAULT corrupt block %1").arg(m_dataFrames));
    }
    if (m_options.faults.refuseBlock == m_dataFrames)
        return Refuse(frame, boot::kNakNotErased, QStringLiteral("FAULT refuse block %1").arg(m_dataFrames));
    if (uint64_t(offset) + count > m_flash.size())
        return Refuse(frame, boot::kNakRange, QStringLiteral("REFUSED block %1").arg(Hex8(offset)));
    for (size_t i = 0; i < count; ++i)
        if ((m_flash[offset + i] & p[4 + i]) != p[4 + i])
            return Refuse(frame, boot::kNakNotErased, QStringLiteral("REFUSED block %1 not erased").arg(Hex8(offset)));
    for (size_t i = 0; i < count; ++i)
        m_flash[offset + i] &= p[4 + i];
    ++m_blocks;
    const microseconds programming(m_options.pace ? kProgramTimePerKiB.count() * int64_t(count) / 1024 : 0);
    Reply r = Answer(frame, boot::kAck, {}, programming);
    r.log = QStringLiteral("BLOCK %1 %2").arg(Hex8(offset)).arg(count);
    if (m_options.faults.stopAfterBlocks && m_blocks >= m_options.faults.stopAfterBlocks) {
        m_gone = true;
        r.log += QStringLiteral("\nFAULT stopped answering after %1 blocks").arg(m_blocks);
    }
    return r;
}

BootTarget::Reply BootTarget::Verify(const boot::Frame& frame)
{
    const uint8_t* p = frame.payload.data();
    const size_t size = frame.payload.size();
    if (size != 8)
        return Refuse(frame, boot::kNakCommand, QStringLiteral("REFUSED verify"));
    const uint32_t offset = boot::GetU32(p), length = boot::GetU32(p + 4);
    if (uint64_t(offset) + length > m_flash.size())
        return Refuse(frame, boot::kNakRange, QStringLiteral("REFUSED verify"));
    uint32_t crc = tbload::Crc32(m_flash.data() + offset, length);
    QString log = QStringLiteral("VERIFY %1 %2 CRC %3").arg(Hex8(offset), Hex8(length), Hex8(crc));
    if (m_options.faults.badCrc) {
        crc ^= 0x00010000;
        log += QStringLiteral("\nFAULT bad CRC %1").arg(Hex8(crc));
    }
    std::vector<uint8_t> payload;
    boot::PutU32(payload, crc);
    Reply r = Answer(frame, boot::kCrc, payload);
    r.log = log;
    return r;
}

} // namespace tbsim
