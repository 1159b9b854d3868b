#pragma once

#include <QString>
#include <stdexcept>

// Raised by internal consistency checks; the application's error report shows
// its message ("SetRepeaterTypeGui: Value out of range!") and the event loop goes on.
class EAssertionFailed : public std::logic_error {
public:
    explicit EAssertionFailed(const QString& message)
        : std::logic_error(message.toStdString()), m_message(message) {}
    [[nodiscard]] const QString& Message() const { return m_message; }

private:
    QString m_message;
};
