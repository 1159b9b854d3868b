#include "DeviceProbe.h"

#include "SndMail.h"

namespace {
constexpr int kAnswerCheckPauseMs = 1000;
}

bool DeviceAnswers(TMailControl& link)
{
    const std::int8_t attempt = link.ProbeDevice(kAnswerCheckPauseMs);
    return attempt >= 1 && attempt <= 6;
}
