// A loader library that lacks RflGetVersion, for the binding's refusal.
#include "RflLib.h"

extern "C" {
RFL_API void RflInit(RflTextOutFunc, RflWaitKeyFunc, RflGetKeyFunc, RflKeyAvailableFunc) {}
RFL_API int RflRun(int, const char* const*, RflFinishedFunc) { return RFL_RESULT_FAILED; }
RFL_API void RflTerminate(void) {}
}
