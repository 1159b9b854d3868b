#pragma once

#include <QString>
#include <stdexcept>

// Base of the program's own exceptions: each carries the message the error
// box shows, kept as text (what() holds the same in UTF-8).
class EProgramError : public std::runtime_error {
public:
    explicit EProgramError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    [[nodiscard]] const QString& Message() const { return m_message; }

private:
    QString m_message;
};
