#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace tbsim {

// EEPROM cells from..to, both included.
struct SimRange {
    int from = 0;
    int to = 0;
    bool operator==(const SimRange&) const = default;
    [[nodiscard]] bool overlaps(int address, int count) const
    {
        return count > 0 && address <= to && address + count - 1 >= from;
    }
};

// Faults the device injects. "Every Nth" counts the frames the device would
// answer (read and default mails), one counter for all faults; 0 switches a
// fault off, 1 makes it hit every answer.
struct SimFaults {
    int noAnswerEvery = 0;
    int badChecksumEvery = 0;
    int badMarkerEvery = 0; // the answer's first byte is not its marker 4Dh
    int truncateEvery = 0;  // the answer without its last byte
    int shortEvery = 0;     // a well-formed answer with one data byte fewer than asked
    int extraByteEvery = 0; // one byte more behind the answer, in the same write
    int noiseEvery = 0;     // noiseBytes bytes in front of the answer
    int noiseBytes = 3;
    int lateMs = 0;            // answer this much later ...
    int lateEvery = 1;         // ... every Nth time
    int duplicateMs = -1;      // the answer is sent again this long after it; -1 = never
    int duplicateEvery = 1;    // ... every Nth time
    int failWrites = 0;        // the next N write mails are not stored
    int dropWriteEvery = 0;    // every Nth write mail is not stored (own counter)
    int answerFrom = 0;        // the first K-1 read mails get no answer
    int hangupAfter = 0;       // the Nth answer stops half way and the line drops
    QList<SimRange> protect{}; // writes that touch these cells are refused (not stored)
    QList<SimRange> silent{};  // reads that touch these cells get no answer
};

struct SimOptions {
    QString profile = QStringLiteral("handset");
    bool twoWire = false;
    int baud = 0;                          // the device's rate; 0 = the profile's rate
    bool pace = false;                     // send at the line's real speed, 10 bits per byte
    int turnaroundUs = 0;                  // think time before an answer
    int answerByteGapMs = 0;               // a sender slower than the line: answer bytes this far apart
    int frameTimeoutMs = 200;              // a frame that stalls this long is dropped; 0 = never
    int usbLatencyMs = 0;                  // a USB adapter's latency timer in front of the program; 0 = none
    int usbPacketBytes = 62;               // ... and the bytes of its USB packet
    std::optional<int> type;               // cell 0780h
    std::optional<bool> busyHint;          // bit 04h of cell 0460h
    std::optional<bool> altSync;           // bit 01h of cell 0461h
    QString imagePath;                     // EEPROM image to load instead of the profile's
    QList<QPair<int, QByteArray>> presets; // cells set over the profile or image (--set)
    bool keepLog = true;                   // keep log lines for log()
    SimFaults faults;
};

} // namespace tbsim
