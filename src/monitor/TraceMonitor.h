#pragma once

#include "TrafficEntry.h"
#include "TrafficMonitor.h"

#include <QString>
#include <cstdio>

class QIODevice;

// A monitor without a window: writes the line text of every entry as it
// arrives (tunebench-cli --trace writes to stderr). Lines end as in a saved
// monitor file, so a trace and a save of the same traffic are the same text.
class TTraceMonitor : public ITrafficMonitor {
public:
    // The device or stream is not owned and must outlive the monitor.
    explicit TTraceMonitor(FILE* out, QString lineEnd = QStringLiteral("\r\n"));
    explicit TTraceMonitor(QIODevice* out, QString lineEnd = QStringLiteral("\r\n"));

    void AddTraffic(TrafficDirection direction, const QByteArray& bytes) override;
    void AddInfoLine(InfoKind kind, const QString& text, const QString& comment) override;

    [[nodiscard]] TTrafficEntryBuilder& Builder() { return m_builder; }
    void SetCaptions(const TColumnCaptions& captions) { m_captions = captions; }

private:
    void Write(const TTrafficEntry& entry);

    FILE* m_file = nullptr;
    QIODevice* m_device = nullptr;
    QString m_lineEnd;
    TTrafficEntryBuilder m_builder;
    TColumnCaptions m_captions;
};
