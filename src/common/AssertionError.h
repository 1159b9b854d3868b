#pragma once

#include "ProgramError.h"

// Raised by internal consistency checks; the application's error report shows
// its message ("SetRepeaterTypeGui: Value out of range!") and the event loop goes on.
class EAssertionFailed : public EProgramError {
public:
    using EProgramError::EProgramError;
};
