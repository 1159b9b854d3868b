#include "AnswerSchedule.h"

#include <algorithm>

namespace tbload {

int LineTimeMs(int baud, size_t bytes) { return int((bytes * 10000 + size_t(baud) - 1) / size_t(baud)); }

void AnswerSchedule::Sent(size_t index, size_t bytes, int busyMs, Clock::time_point now)
{
    m_lineFree = std::max(now, m_lineFree) + Ms(LineTimeMs(m_baud, bytes));
    m_targetFree = std::max(m_lineFree, m_targetFree) + Ms(busyMs);
    m_lineEnd[index] = m_lineFree;
    m_busyMs[index] = busyMs;
    m_due[index] = m_targetFree + Ms(LineTimeMs(m_baud, kAnswerBytes) + kMarginMs);
}

void AnswerSchedule::Answered(size_t upTo, size_t inFlightEnd, Clock::time_point now)
{
    m_targetFree = now;
    for (size_t i = upTo; i < inFlightEnd; ++i) {
        m_targetFree = std::max(m_targetFree, m_lineEnd[i]) + Ms(m_busyMs[i]);
        m_due[i] = m_targetFree + Ms(LineTimeMs(m_baud, kAnswerBytes) + kMarginMs);
    }
}

} // namespace tbload
