#pragma once

#include "FlashLog.h"

class QPlainTextEdit;

// The download log's lines kept in a read-only memo: lines are added and
// replaced in place, so a long log costs nothing per progress step. An empty
// memo holds no line (a memo always shows one empty block).
class TMemoLogLines final : public TFlashLogLines {
public:
    explicit TMemoLogLines(QPlainTextEdit& memo) : m_memo(memo) {}

    [[nodiscard]] int LineCount() const override { return m_count; }
    [[nodiscard]] QString Line(int index) const override;
    void SetLine(int index, const QString& text) override;
    void AddLine(const QString& text) override;
    void Clear();

private:
    QPlainTextEdit& m_memo;
    int m_count = 0;
};
