#include "DeviceSession.h"

#include "SndMail.h"

TDeviceOperationScope::TDeviceOperationScope(IDeviceSession& session)
    : m_session(session), m_refused(session.m_operationRunning || session.Link().Busy())
{
    if (m_refused) {
        session.OperationRefused();
        return;
    }
    // Marked before the session is told, so that events it lets run are refused too.
    session.m_operationRunning = true;
    session.OperationRunningChanged(true);
}

TDeviceOperationScope::~TDeviceOperationScope()
{
    if (m_refused)
        return;
    m_session.m_operationRunning = false;
    m_session.OperationRunningChanged(false);
}
