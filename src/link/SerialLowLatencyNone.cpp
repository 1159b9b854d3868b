// Platforms without the serial ioctls: every port is used as it is.
#include "SerialLowLatency.h"

const int TSerialLowLatency::kLowLatencyFlag = 0;

TSerialLowLatency::TFlags TSerialLowLatency::OfDescriptor(int) { return {}; }
