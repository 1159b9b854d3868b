#include "TraceMonitor.h"

#include <QIODevice>

TTraceMonitor::TTraceMonitor(FILE* out, QString lineEnd) : m_file(out), m_lineEnd(std::move(lineEnd)) {}

TTraceMonitor::TTraceMonitor(QIODevice* out, QString lineEnd) : m_device(out), m_lineEnd(std::move(lineEnd)) {}

void TTraceMonitor::AddTraffic(TrafficDirection direction, const QByteArray& bytes)
{
    Write(m_builder.FromTraffic(direction, bytes));
}

void TTraceMonitor::AddInfoLine(InfoKind kind, const QString& text, const QString& comment)
{
    Write(m_builder.FromInfo(kind, text, comment));
}

void TTraceMonitor::Write(const TTrafficEntry& entry)
{
    const QByteArray line = (LineText(entry, m_captions) + m_lineEnd).toUtf8();
    if (m_file) {
        // A trace is for watching a live exchange: no line may wait in a buffer.
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_file);
        std::fflush(m_file);
    }
    else if (m_device) {
        m_device->write(line);
    }
}
