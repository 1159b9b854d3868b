#include "UsbAdapter.h"

#include <algorithm>

namespace tbsim {

UsbAdapter::UsbAdapter(std::chrono::milliseconds latency, int packetBytes)
    : m_latency(latency), m_packet(std::size_t(std::max(1, packetBytes)))
{}

void UsbAdapter::take(char byte, Clock::time_point at) { m_held.push_back({byte, at}); }

QByteArray UsbAdapter::take(std::size_t count)
{
    QByteArray bytes;
    for (std::size_t i = 0; i < count; ++i) {
        bytes.append(m_held.front().byte);
        m_held.pop_front();
    }
    return bytes;
}

QByteArray UsbAdapter::release(Clock::time_point now)
{
    QByteArray out;
    while (m_held.size() >= m_packet)
        out += take(m_packet);
    if (!m_held.empty() && now >= m_held.front().at + m_latency)
        out += take(m_held.size());
    return out;
}

QByteArray UsbAdapter::releaseAll() { return take(m_held.size()); }

std::optional<UsbAdapter::Clock::time_point> UsbAdapter::nextRelease() const
{
    if (m_held.empty())
        return std::nullopt;
    return m_held.size() >= m_packet ? m_held.front().at : m_held.front().at + m_latency;
}

} // namespace tbsim
