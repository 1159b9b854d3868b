#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// Notes of the single-instance handshake ("tunebench.instance"; off unless
// QT_LOGGING_RULES turns its info on).
Q_DECLARE_LOGGING_CATEGORY(lcRunningCopy)

// How a second start reaches the running copy: the copy that holds the
// instance lock listens on a local socket that only its user may open; a
// second start asks it to come to the front and then ends.
class TRunningCopyChannel final : public QObject {
    Q_OBJECT
public:
    explicit TRunningCopyChannel(QString socketPath, QObject* parent = nullptr);

    // Only for the holder of the instance lock: a socket found there is a
    // crashed run's and is removed first.
    bool Listen();
    // A second start: asks the running copy to come to the front; true when it
    // confirmed before the deadline.
    [[nodiscard]] static bool AskToRaise(const QString& socketPath, int timeoutMs);

signals:
    void RaiseRequested();

private:
    void Serve(QLocalSocket* socket);

    QString m_path;
    QLocalServer* m_server;
};
