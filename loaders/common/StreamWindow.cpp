#include "StreamWindow.h"

#include "BootFrame.h"

#include <algorithm>

namespace tbload {

std::optional<size_t> StreamWindow::NextToSend() const
{
    if (m_next < m_count && m_next - m_base < m_window)
        return m_next;
    return std::nullopt;
}

bool StreamWindow::Sent()
{
    const bool again = m_next < m_sentEnd;
    if (m_next == m_base)
        ++m_tries;
    m_sentEnd = std::max(m_sentEnd, ++m_next);
    return again;
}

void StreamWindow::Accept(size_t upTo)
{
    if (upTo <= m_base)
        return;
    m_base = upTo;
    m_next = std::max(m_next, m_base);
    m_tries = m_next > m_base ? 1 : 0;
    m_window = kWindow;
}

StreamWindow::Verdict StreamWindow::Refusal(size_t index, uint8_t reason, bool early)
{
    if (reason != boot::kNakChecksum && reason != boot::kNakOrder)
        return Verdict::Refused;
    if (early && index == m_base && m_tries > 1)
        return Verdict::Go;
    Accept(index);
    // A damaged frame with frames behind it makes the target report the gap
    // at the next of them; only a lone frame is sent again at once.
    if (reason == boot::kNakOrder || m_next - m_base == 1)
        return Silence();
    return Verdict::Go;
}

StreamWindow::Verdict StreamWindow::Silence()
{
    m_next = m_base;
    m_window = 1;
    return m_tries < kTries ? Verdict::Go : Verdict::GiveUp;
}

} // namespace tbload
