#pragma once

#include "DeviceSession.h"
#include "SndMail.h"

namespace tbtest {

// A session whose port cannot be opened: the page is looked at, never on a device.
class TClosedSession final : public IDeviceSession {
public:
    TMailControl& Link() override { return m_link; }
    bool ConnectionCheck() override { return false; }
    bool CloseDevicePort() override { return true; }

private:
    TSendmail m_link;
};

} // namespace tbtest
