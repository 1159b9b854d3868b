#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The download log as lines, without widgets: the window puts its memo behind
// it, the command line a list. Line indexes count from 0.
class TFlashLogLines {
public:
    virtual ~TFlashLogLines() = default;
    [[nodiscard]] virtual int LineCount() const = 0;
    [[nodiscard]] virtual QString Line(int index) const = 0;
    virtual void SetLine(int index, const QString& text) = 0;
    virtual void AddLine(const QString& text) = 0;

    // The last line; empty when there is none.
    [[nodiscard]] QString LastLine() const { return LineCount() ? Line(LineCount() - 1) : QString(); }
    // Replaces the last line, or adds the first.
    void SetLastLine(const QString& text);
};

// The loader log rule: a progress line replaces the progress line before it.
void AddLoaderLogLine(TFlashLogLines& log, const QString& text);

// How a download that had found its target failed: it fell silent (timeouts,
// frames damaged on the line: worth another try) or it refused a command.
enum class TFlashFailure { None, NoAnswer, Refused };
// From an SC14428 indication line.
[[nodiscard]] TFlashFailure FlashFailureOfIndication(const QString& line);
// From the result of an RFL run.
[[nodiscard]] TFlashFailure FlashFailureOfRflResult(int result);

// How far a download has come, in percent, read from its log lines: the
// SC14428 loader's program offset, size and the address of each block taken,
// or the RFL console's programming line.
class TFlashProgress {
public:
    void Reset() { *this = {}; }
    // A log line as it was added or rewritten; true when the percentage changed.
    bool Take(const QString& line);
    // 0 to 100; -1 before the first block.
    [[nodiscard]] int Percent() const { return m_percent; }

private:
    bool Set(int percent);

    qint64 m_offset = 0;
    qint64 m_size = 0;
    int m_percent = -1;
};

// Lines in memory, with a listener for every change (the command line prints
// from it).
class TFlashLogList : public TFlashLogLines {
public:
    [[nodiscard]] int LineCount() const override { return int(m_lines.size()); }
    [[nodiscard]] QString Line(int index) const override { return m_lines.value(index); }
    void SetLine(int index, const QString& text) override;
    void AddLine(const QString& text) override;
    [[nodiscard]] const QStringList& Lines() const { return m_lines; }
    void Clear() { m_lines.clear(); }

    // Called with the index of the line that was added (added = true) or replaced.
    std::function<void(int index, bool added)> OnChange;

private:
    QStringList m_lines;
};
