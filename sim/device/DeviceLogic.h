#pragma once

#include "FrameParser.h"
#include "SimOptions.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace tbsim {

// What the device puts on the line for one frame.
struct Reply {
    QByteArray bytes;     // sent in one write (or paced byte by byte)
    int delayMs = 0;      // on top of the turnaround (late answer)
    bool hangup = false;  // send half of it, then drop the line
    int duplicateMs = -1; // sent again this long after its end; -1 = once only
};

struct FrameResult {
    QStringList log;
    std::optional<Reply> reply;
};

// The device without its line: EEPROM, mail handling and fault decisions.
// Not thread-safe; SimDevice guards it.
class DeviceLogic {
public:
    DeviceLogic(QByteArray image, int baud, const SimFaults& faults);

    // lineBaud is the rate the client set; <= 0 when it cannot be read.
    [[nodiscard]] FrameResult handleFrame(const Frame& frame, int lineBaud);

    [[nodiscard]] QByteArray read(int address, int count) const;
    void write(int address, const QByteArray& data);
    [[nodiscard]] const QByteArray& image() const { return m_image; }
    [[nodiscard]] int baud() const { return m_baud; }

    // Replaces the faults; their counts start again.
    void setFaults(const SimFaults& faults);
    [[nodiscard]] const SimFaults& faults() const { return m_faults; }

    [[nodiscard]] int framesReceived() const { return m_frames; }
    [[nodiscard]] int readMails() const { return m_reads; }
    [[nodiscard]] int writesStored() const { return m_writesStored; }
    [[nodiscard]] int writesDropped() const { return m_writesDropped; }
    [[nodiscard]] int defaultMails() const { return m_defaults; }
    [[nodiscard]] int repliesPlanned() const { return m_replies; }

    // A UART copes with a small rate error; 8600 against 9600 is far off.
    [[nodiscard]] static bool baudMatches(int lineBaud, int deviceBaud);
    // Read answer: 4D, second byte, count, 3D, data, checksum of 3D and data.
    [[nodiscard]] static QByteArray answerFrame(quint8 second, const QByteArray& data);
    // "FF FF 4D" style: two upper-case digits per byte, single blanks.
    [[nodiscard]] static QString hex(const QByteArray& bytes);

private:
    void handleRead(const QByteArray& mail, FrameResult& result);
    void handleWrite(const QByteArray& mail, FrameResult& result);
    void answer(quint8 second, const QByteArray& data, FrameResult& result);
    [[nodiscard]] static bool hits(int every, int count) { return every > 0 && count % every == 0; }

    QByteArray m_image;
    int m_baud;
    SimFaults m_faults;
    int m_failWritesLeft = 0;
    int m_writeMails = 0;
    int m_frames = 0;
    int m_reads = 0;
    // Counted since the last setFaults:
    int m_faultReads = 0; // read mails, for answer-from
    int m_answerable = 0; // frames the device would answer, for every-Nth faults
    int m_replies = 0;    // answers planned, for the hang-up
    int m_writesStored = 0;
    int m_writesDropped = 0;
    int m_defaults = 0;
};

} // namespace tbsim
