#include "WinComLine.h"

#include <windows.h>

namespace wincom {

QString DeviceName(const QString& path)
{
    if (path.startsWith(QLatin1String("\\\\")))
        return path;
    return QStringLiteral("\\\\.\\") + path;
}

bool SetRawLine(void* handle, std::int32_t baud)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(static_cast<HANDLE>(handle), &dcb))
        return false;
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    return ::SetCommState(static_cast<HANDLE>(handle), &dcb) != 0;
}

} // namespace wincom
