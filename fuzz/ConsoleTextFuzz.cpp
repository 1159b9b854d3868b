// The RFL library's console output, piece by piece as the library prints it,
// into the download log; now and then the log is cleared under it.
#include "FlashLog.h"
#include "FuzzInput.h"
#include "RflConsoleText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    TFlashLogList log;
    TRflConsoleText console(log);
    int pauses = 0;
    console.PauseAfterErased = [&pauses] { ++pauses; };
    // 64 pieces reach every state of the console; more only make an input slower.
    for (int pieces = 0; pieces < 64 && !in.Empty(); ++pieces) {
        const std::uint8_t head = in.Byte();
        if (head & 0x80)
            log.Clear();
        // The library hands over C strings: a piece ends at its first zero byte.
        const QByteArray piece = in.Bytes(head & 0x7F);
        console.TextOut(QByteArray(piece.constData(), qstrnlen(piece.constData(), std::size_t(piece.size()))));
    }
    return 0;
}
