#pragma once

#include <QByteArray>
#include <QString>
#include <initializer_list>

namespace tbtest {

// A plain POSIX client on the simulator's slave, as a serial program would be:
// raw mode, any baud rate (also non-standard ones such as 8600).
class PtyClient {
public:
    PtyClient() = default;
    ~PtyClient() { close(); }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool open(const QString& path, int baud = 9600);
    bool setBaud(int baud);
    void close();
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] int fd() const { return m_fd; }

    bool send(const QByteArray& bytes);
    // Reads until count bytes came or the deadline passed; returns what came.
    QByteArray read(int count, int timeoutMs = 3000);
    // Like read(), but keeps the blocks of the single read() calls apart.
    QList<QByteArray> readBlocks(int count, int timeoutMs = 3000);
    // Waits until the line is gone (POLLHUP or a read error); bytes that still
    // came are appended to *rest.
    bool waitForHangup(int timeoutMs = 3000, QByteArray* rest = nullptr);

private:
    int m_fd = -1;
};

// Sets the rate with termios2 (BOTHER); kept apart from <termios.h>.
bool setLineRate(int fd, int baud);

// Frame of a mail: FF FF 4D B1 (n-1) B2..Bn, low 8 bits of the sum of B2..Bn.
QByteArray frameOf(const QByteArray& mail);
QByteArray bytesOf(std::initializer_list<int> values);
QByteArray readMail(int address, int count);
QByteArray writeMail(int address, const QByteArray& data, int kind = 0x08);
// The device's answer to a read: 4D, 3C, L, 3D, data, sum of 3D and data.
QByteArray answerOf(const QByteArray& data, int second = 0x3C);

} // namespace tbtest
