#pragma once

#include <QPointer>
#include <QValidator>

class QLineEdit;

// A maximum length for typing that leaves a longer text alone: lowering the
// limit does not shorten what is already there (QLineEdit's own maxLength
// would cut it), but no typing makes a text grow past the limit.
class TTypingLimit final : public QValidator {
    Q_OBJECT
public:
    TTypingLimit(QLineEdit* edit, int limit);

    void SetLimit(int limit) { m_limit = limit; }
    [[nodiscard]] int Limit() const { return m_limit; }

    State validate(QString& input, int& position) const override;

private:
    QPointer<QLineEdit> m_edit;
    int m_limit;
};
