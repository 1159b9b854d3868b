#include "TrafficMonitor.h"

namespace {
ITrafficMonitor* g_monitor = nullptr;
TrafficMonitorRegistry::Factory& factory()
{
    static TrafficMonitorRegistry::Factory f;
    return f;
}
} // namespace

ITrafficMonitor* TrafficMonitorRegistry::Current() { return g_monitor; }

void TrafficMonitorRegistry::Install(ITrafficMonitor* monitor)
{
    if (g_monitor == monitor)
        return;
    Free();
    g_monitor = monitor;
}

void TrafficMonitorRegistry::SetFactory(Factory f) { factory() = std::move(f); }

ITrafficMonitor* TrafficMonitorRegistry::Create()
{
    if (!g_monitor && factory())
        g_monitor = factory()();
    return g_monitor;
}

void TrafficMonitorRegistry::Free()
{
    ITrafficMonitor* old = g_monitor;
    g_monitor = nullptr;
    if (old)
        old->Dispose();
}

void TrafficMonitorRegistry::Forget(ITrafficMonitor* monitor)
{
    if (g_monitor == monitor)
        g_monitor = nullptr;
}
