#pragma once

#include <QString>

#include <cstdint>

// What the link's channel and the flash loaders' raw port do alike with a COM
// handle on Windows. The handle is passed as the HANDLE it is, without
// <windows.h> in this header.
namespace wincom {

// "COM3" -> "\\.\COM3" (needed from COM10 on); a name that already is a
// device path stays.
QString DeviceName(const QString& path);

// Raw 8N1 at the rate: no flow control, no error character, no abort on
// error; DTR and RTS stay the program's own (never the driver's).
bool SetRawLine(void* handle, std::int32_t baud);

} // namespace wincom
