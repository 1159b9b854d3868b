#include "PtyClient.h"

#include <QDeadlineTimer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tbtest {

bool PtyClient::open(const QString& path, int baud)
{
    close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    termios t{};
    tcgetattr(m_fd, &t);
    cfmakeraw(&t);
    tcsetattr(m_fd, TCSANOW, &t);
    tcflush(m_fd, TCIOFLUSH);
    return setBaud(baud);
}

bool PtyClient::setBaud(int baud) { return m_fd >= 0 && setLineRate(m_fd, baud); }

void PtyClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::send(const QByteArray& bytes)
{
    qsizetype done = 0;
    QDeadlineTimer deadline(5000);
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{m_fd, POLLOUT, 0};
        if (deadline.hasExpired() || ::poll(&p, 1, int(deadline.remainingTime())) < 0)
            return false;
    }
    return true;
}

QList<QByteArray> PtyClient::readBlocks(int count, int timeoutMs)
{
    QList<QByteArray> blocks;
    qsizetype total = 0;
    QDeadlineTimer deadline(timeoutMs);
    while (total < count && m_fd >= 0) {
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, size_t(std::min<qsizetype>(sizeof buffer, count - total)));
        if (n > 0) {
            blocks << QByteArray(buffer, n);
            total += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        if (deadline.hasExpired())
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
            break;
        if (!(p.revents & POLLIN))
            break;
    }
    return blocks;
}

QByteArray PtyClient::read(int count, int timeoutMs)
{
    QByteArray bytes;
    for (const QByteArray& block : readBlocks(count, timeoutMs))
        bytes += block;
    return bytes;
}

bool PtyClient::waitForHangup(int timeoutMs, QByteArray* rest)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            if (rest)
                rest->append(buffer, n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return true;
        if (p.revents & POLLHUP)
            return true;
    }
    return false;
}

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

QByteArray frameOf(const QByteArray& mail)
{
    QByteArray frame = bytesOf({0xFF, 0xFF, 0x4D});
    frame.append(mail.at(0));
    frame.append(char(mail.size() - 1));
    unsigned sum = 0;
    for (qsizetype i = 1; i < mail.size(); ++i) {
        frame.append(mail.at(i));
        sum += quint8(mail.at(i));
    }
    frame.append(char(sum & 0xFF));
    return frame;
}

QByteArray readMail(int address, int count)
{
    return bytesOf({0x02, 0x3C, 0x08, 0x00, count, address & 0xFF, (address >> 8) & 0xFF});
}

QByteArray writeMail(int address, const QByteArray& data, int kind)
{
    return bytesOf({0x02, 0x3B, kind, 0x00, int(data.size()), address & 0xFF, (address >> 8) & 0xFF}) + data;
}

QByteArray answerOf(const QByteArray& data, int second)
{
    QByteArray answer = bytesOf({0x4D, second, int(data.size()), 0x3D}) + data;
    unsigned sum = 0x3D;
    for (char c : data)
        sum += quint8(c);
    answer.append(char(sum & 0xFF));
    return answer;
}

} // namespace tbtest
