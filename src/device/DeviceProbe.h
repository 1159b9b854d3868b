#pragma once

class TMailControl;

// The answer check before a device is worked on: the probe (a read of 0000h)
// up to 6 times, 1000 ms apart. True when one of them was answered.
[[nodiscard]] bool DeviceAnswers(TMailControl& link);
