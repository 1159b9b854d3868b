#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP close the program's windows as the user would,
// so that a logout or a kill still saves the settings and releases the port.
// The signal handler only writes a byte into a socket pair; the windows are
// closed on the UI thread when that byte arrives.
class TQuitSignals : public QObject {
    Q_OBJECT
public:
    explicit TQuitSignals(QObject* parent = nullptr);
    ~TQuitSignals() override;

signals:
    void QuitRequested();

private:
    void Arrived();

    QSocketNotifier* m_notifier = nullptr;
};
