#pragma once

#include <QByteArray>
#include <vector>

namespace tbsim {

// One request frame: FF FF 4D B1 (n-1) B2..Bn checksum.
struct Frame {
    QByteArray raw;  // the whole frame as received
    QByteArray mail; // B1..Bn
    quint8 checksum = 0;
    quint8 expectedChecksum = 0; // low 8 bits of the sum of B2..Bn
    [[nodiscard]] bool checksumOk() const { return checksum == expectedChecksum; }
};

struct ParserEvent {
    enum Kind { FrameDone, Skipped };
    Kind kind = FrameDone;
    Frame frame;      // FrameDone
    QByteArray bytes; // Skipped: bytes that belong to no frame
};

// Finds frames in a byte stream by their preamble FF FF 4D. Bytes in front of a
// preamble are reported as skipped, so the device resynchronises after garbage.
class FrameParser {
public:
    // Takes one byte; appends what it completes to out, in stream order.
    void push(quint8 byte, std::vector<ParserEvent>& out);
    [[nodiscard]] std::vector<ParserEvent> feed(const QByteArray& bytes);
    // Reports skipped bytes still held back (a preamble is only known to be
    // garbage when the next byte does not fit it).
    void flushSkipped(std::vector<ParserEvent>& out);
    // True while a preamble or a frame is partly received.
    [[nodiscard]] bool inFrame() const { return !m_pending.isEmpty(); }
    // Drops a partly received frame and returns its bytes.
    QByteArray discardPartial();

    [[nodiscard]] static quint8 checksum(const QByteArray& bytes);
    [[nodiscard]] static QByteArray buildFrame(const QByteArray& mail);

private:
    QByteArray m_pending; // preamble prefix or frame under way
    QByteArray m_skipped;
};

} // namespace tbsim
