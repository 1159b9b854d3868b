#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252 ("Western European", the single-byte code page of the language
// files and of handset text cells). Qt 6 has no such codec without ICU.
//
// Every one of the 256 bytes decodes to one character; the five bytes that
// Windows-1252 leaves undefined (81h, 8Dh, 8Fh, 90h, 9Dh) decode to the C1
// control characters of the same value, as Windows itself does, so any byte
// sequence survives FromWindows1252 followed by ToWindows1252 unchanged.

[[nodiscard]] QChar Windows1252ToChar(unsigned char byte);
// The byte for a character, or -1 when Windows-1252 has no byte for it.
[[nodiscard]] int CharToWindows1252(QChar c);

[[nodiscard]] QString FromWindows1252(const QByteArray& bytes);
// A character without a byte becomes `replacement`; a surrogate pair (one
// character outside the Basic Multilingual Plane) becomes one replacement.
[[nodiscard]] QByteArray ToWindows1252(const QString& text, char replacement = '?');
