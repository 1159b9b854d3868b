#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>

// A minimal device for link tests: finds FF FF 4D frames in a byte stream,
// answers EEPROM reads from its memory and stores writes. Faults are set per test.
class FrameDevice {
public:
    std::array<std::uint8_t, 65536> memory{};
    int failWrites = 0;  // the next N writes are not stored
    bool silent = false; // answers nothing
    bool badChecksum = false;
    int extraBytes = 0;         // appended to every answer
    int answerFromRead = 1;     // the first answerFromRead-1 reads get no answer
    int truncateAnswerData = 0; // answer this many data bytes fewer than asked
    QByteArray beforeEcho;      // sent once in front of the next echo (bytes of an earlier exchange)
    // Changes the data of a read's answer (the reads counted from 1): a copy
    // of another answer, a cell that will not hold still.
    std::function<void(int read, QByteArray& data)> alterData;
    int reads = 0;
    int writes = 0;
    QByteArray pending;

    // Feeds received bytes; returns the answer bytes to send back (without echo).
    QByteArray Feed(const QByteArray& bytes)
    {
        pending += bytes;
        QByteArray out;
        for (;;) {
            const int start = static_cast<int>(pending.indexOf(QByteArray("\xFF\xFF\x4D", 3)));
            if (start < 0) {
                if (pending.size() > 2)
                    pending = pending.right(2);
                return out;
            }
            if (pending.size() < start + 5)
                return out;
            const int body = static_cast<std::uint8_t>(pending[start + 4]);
            const int total = 5 + body + 1;
            if (pending.size() < start + total)
                return out;
            const QByteArray frame = pending.mid(start, total);
            pending.remove(0, start + total);
            out += Handle(frame);
        }
    }

private:
    QByteArray Handle(const QByteArray& f)
    {
        const auto b = [&f](int i) { return static_cast<std::uint8_t>(f[i]); };
        const int body = b(4);
        std::uint8_t sum = 0;
        for (int i = 0; i < body; ++i)
            sum = static_cast<std::uint8_t>(sum + b(5 + i));
        if (sum != b(5 + body) || body < 6 || b(3) != 0x02)
            return {};
        const int count = b(7 + 1);
        const int address = b(9) | (b(10) << 8);
        if (b(5) == 0x3B) {
            ++writes;
            if (failWrites > 0) {
                --failWrites;
                return {};
            }
            for (int i = 0; i < count && 11 + i < 5 + body; ++i)
                memory[(address + i) & 0xFFFF] = b(11 + i);
            return {};
        }
        if (b(5) != 0x3C)
            return {};
        ++reads;
        if (silent || reads < answerFromRead)
            return {};
        const int n = std::max(count - truncateAnswerData, 0);
        QByteArray answer;
        answer += '\x4D';
        answer += '\x02';
        answer += static_cast<char>(n);
        answer += '\x3D';
        QByteArray data;
        for (int i = 0; i < n; ++i)
            data += static_cast<char>(memory[(address + i) & 0xFFFF]);
        if (alterData)
            alterData(reads, data);
        std::uint8_t cs = 0x3D;
        for (const char v : data)
            cs = static_cast<std::uint8_t>(cs + static_cast<std::uint8_t>(v));
        answer += data;
        answer += static_cast<char>(badChecksum ? cs + 1 : cs);
        answer += QByteArray(extraBytes, '\x55');
        return answer;
    }
};
