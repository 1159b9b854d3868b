#pragma once

#include "TrafficMonitor.h"

#include <QByteArray>
#include <QString>
#include <functional>

// One line of the serial traffic monitor. Kept free of widgets so that the
// window, the command-line trace and the tests build the same texts.
enum class EntryKind { Sent, Received, PortState, Comment };

struct TTrafficEntry {
    EntryKind kind = EntryKind::Comment;
    QString info;
    QString time;
    QString count;
    QString hexComment;
    QString ascii;

    friend bool operator==(const TTrafficEntry&, const TTrafficEntry&) = default;
};

// Column captions as the list shows them; the window passes its translated ones.
struct TColumnCaptions {
    QString info = QStringLiteral("Info");
    QString time = QStringLiteral("Time");
    QString count = QStringLiteral("Count");
    QString hexComment = QStringLiteral("Hex / Comment");
    QString ascii = QStringLiteral("Ascii");
};

// Info texts of the built-in entry kinds (translatable in the window).
struct TEntryLabels {
    QString portState = QStringLiteral("CT");
    QString sent = QStringLiteral("TX");
    QString received = QStringLiteral("RX");
};

// "4D 02 01 " - every byte as two upper-case digits and a blank.
[[nodiscard]] QString HexBlockText(const QByteArray& bytes);
// " M.." - a leading blank, bytes below 20h as ".", the rest as Windows-1252.
[[nodiscard]] QString AsciiBlockText(const QByteArray& bytes);

// The one line text used by Save, Copy, Show and the command-line trace.
[[nodiscard]] QString LineText(const TTrafficEntry& entry, const TColumnCaptions& captions);
// Tool tip of an entry: one "* caption: value" line per column, CR separated,
// long values cut into pieces of 96 characters.
[[nodiscard]] QString HintText(const TTrafficEntry& entry, const TColumnCaptions& captions);

// Builds entries with the current labels and a time stamp from the clock.
class TTrafficEntryBuilder {
public:
    using Clock = std::function<QString()>;

    TTrafficEntryBuilder();

    void SetLabels(const TEntryLabels& labels) { m_labels = labels; }
    [[nodiscard]] const TEntryLabels& Labels() const { return m_labels; }
    // Tests replace the time of day with fixed stamps.
    void SetClock(Clock clock) { m_clock = std::move(clock); }

    [[nodiscard]] TTrafficEntry FromTraffic(TrafficDirection direction, const QByteArray& bytes) const;
    [[nodiscard]] TTrafficEntry FromInfo(InfoKind kind, const QString& text, const QString& comment) const;

private:
    TEntryLabels m_labels;
    Clock m_clock;
};
