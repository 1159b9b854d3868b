#pragma once

#include <QString>
#include <cstdint>

// A note, beside the port and visible to every program of this user, that the
// line may still carry a late answer until a time: written when an exchange
// ends without its answer, removed once the line was quiet. A program that
// was killed or stopped before its line settled leaves it behind, and the
// next one to open the port waits the rest out before its first request, so
// that it does not take another program's answer for its own.
class TLineUnsettledNote {
public:
    // No device path (a scripted channel): no note.
    explicit TLineUnsettledNote(const QString& devicePath);

    // Milliseconds since the epoch (wall clock, the same for every program).
    void Write(std::int64_t lateAnswerByMs);
    void Remove();
    // The time the line may carry a late answer until; 0 when no note says so.
    [[nodiscard]] std::int64_t LateAnswerBy() const;

    [[nodiscard]] QString Path() const { return m_path; }

private:
    QString m_path;
    bool m_written = false;
};
