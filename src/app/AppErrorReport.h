#pragma once

#include <QString>
#include <exception>

// The application's error report: an exception that leaves an event handler
// is shown in an error box and the event loop goes on.

// The message of an exception: Message() of the program's exception classes,
// what() (as UTF-8) of any other standard exception - the program's classes
// pass their message to std::exception as UTF-8, so classes added later are
// shown right without being named here.
[[nodiscard]] QString ExceptionMessage(const std::exception_ptr& error);

// Shows the message in the translated message dialog, type error, button OK.
// Reports nest (a handler may throw while a report is open) up to a depth of
// 8; deeper ones only go to the log.
void ShowErrorReport(const QString& message);

// For a catch block: reports std::current_exception(). Never throws.
void ReportCurrentException() noexcept;
