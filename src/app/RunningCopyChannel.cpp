#include "RunningCopyChannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>

Q_LOGGING_CATEGORY(lcRunningCopy, "tunebench.instance", QtWarningMsg)

namespace {
const QByteArray kRaise = QByteArrayLiteral("raise\n");
const QByteArray kRaised = QByteArrayLiteral("raised\n");
} // namespace

TRunningCopyChannel::TRunningCopyChannel(QString socketPath, QObject* parent)
    : QObject(parent), m_path(std::move(socketPath)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            Serve(socket);
    });
}

bool TRunningCopyChannel::Listen()
{
    QLocalServer::removeServer(m_path);
    const bool listening = m_server->listen(m_path);
    if (listening)
        qCInfo(lcRunningCopy) << "listening for a second start";
    else
        qCWarning(lcRunningCopy) << "cannot listen on" << m_path << ":" << m_server->errorString();
    return listening;
}

void TRunningCopyChannel::Serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kRaise.size()) // not a request of ours
                socket->abort();
            return;
        }
        if (socket->readLine(kRaise.size() + 1) != kRaise) {
            socket->abort();
            return;
        }
        qCInfo(lcRunningCopy) << "a second start asks this copy to come to the front";
        emit RaiseRequested();
        socket->write(kRaised);
        socket->disconnectFromServer();
    });
}

bool TRunningCopyChannel::AskToRaise(const QString& socketPath, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;
    socket.write(kRaise);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine())
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    return socket.readLine() == kRaised;
}
