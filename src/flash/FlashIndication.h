#pragma once

#include "floader.h"

#include <QString>
#include <optional>

// What one indication record of the flash loader means for its listeners: the
// log line and which hooks follow it.
struct TIndicationLine {
    quint16 LoaderId = 0;
    QString Text;
    std::optional<bool> Busy; // the busy hook, called before the log hook
    bool Error = false;       // the error hook, after the log hook
    bool Success = false;     // the success hook, after the log hook
};

// The record as it came, copied; its text at most to the record's end.
struct TIndicationRecord {
    quint16 Type = 0;
    quint16 LoaderId = 0;
    quint32 Value = 0;
    quint16 Word1 = 0;
    quint16 Word2 = 0;
    quint32 Value2 = 0;
    QByteArray Text;

    static TIndicationRecord Copy(const FLoaderIndication& record);
};

[[nodiscard]] TIndicationLine DescribeIndication(const TIndicationRecord& record);
// "[%.2X]" of a loader identifier.
[[nodiscard]] QString LoaderHead(quint16 loaderId);
// The text after the head for a FlashLoader result code 0..6 (with its leading
// blank); empty for any other code.
[[nodiscard]] QString FlashLoaderResultText(quint16 code);
