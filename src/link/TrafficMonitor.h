#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// What the device link writes into the serial traffic monitor. The link only
// builds texts when a monitor exists (TrafficMonitorRegistry::Current()).
enum class TrafficDirection { Sent, Received };
enum class InfoKind { PortState, Comment };

class ITrafficMonitor {
public:
    virtual ~ITrafficMonitor() = default;
    virtual void AddTraffic(TrafficDirection direction, const QByteArray& bytes) = 0;
    virtual void AddInfoLine(InfoKind kind, const QString& text, const QString& comment) = 0;
    // Makes the monitor visible (a window shows itself; a trace sink does nothing).
    virtual void ShowMonitor() {}
    // Ends the monitor. A window may be inside one of its own modal dialogs,
    // so it defers its destruction to the event loop.
    virtual void Dispose() { delete this; }
};

// The one monitor of the program. The window layer installs a factory; the
// link's ShowMonitor creates through it, FreeMonitor destroys.
class TrafficMonitorRegistry {
public:
    using Factory = std::function<ITrafficMonitor*()>;

    [[nodiscard]] static ITrafficMonitor* Current();
    // Installs an existing monitor (a CLI trace sink, a test recorder); the
    // registry takes ownership. Replaces and destroys any previous one.
    static void Install(ITrafficMonitor* monitor);
    static void SetFactory(Factory factory);
    // Creates the monitor through the factory when none exists; returns it.
    static ITrafficMonitor* Create();
    static void Free();
    // A monitor that is destroyed by someone else (the user closes the window) says so.
    static void Forget(ITrafficMonitor* monitor);
};
