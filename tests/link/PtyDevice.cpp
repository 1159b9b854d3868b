#include "PtyDevice.h"

// termios2 from the kernel header; glibc's termios.h would clash with it.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>
#include <utility>

extern "C" int ioctl(int fd, unsigned long request, ...);

PtyDevice::PtyDevice(bool echo) : m_echo(echo)
{
    char name[256] = {};
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0)
        return;
    m_slavePath = QString::fromLocal8Bit(name);
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    // Our own slave descriptor keeps the master from reporting hang-ups while the client reopens.
    m_slaveKeeper = slave;
    struct termios2 tio {};
    ioctl(m_master, TCGETS2, &tio);
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    ioctl(m_master, TCSETS2, &tio);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_thread = std::thread([this] { Run(); });
}

PtyDevice::~PtyDevice()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_stopped.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    HangUp();
    if (m_slaveKeeper >= 0)
        ::close(m_slaveKeeper);
}

int PtyDevice::ClientBaud() const
{
    struct termios2 tio {};
    if (m_master < 0 || ioctl(m_master, TCGETS2, &tio) != 0)
        return -1;
    return static_cast<int>(tio.c_ospeed);
}

void PtyDevice::HangUp()
{
    std::lock_guard lock(m_mutex);
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void PtyDevice::Run()
{
    char buf[512];
    while (!m_stop) {
        int fd;
        {
            std::lock_guard lock(m_mutex);
            fd = m_master;
        }
        if (fd < 0)
            return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
            continue;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            continue;
        QByteArray out = m_echo ? QByteArray(buf, static_cast<int>(n)) : QByteArray();
        bool hangUp = false;
        {
            std::lock_guard lock(m_mutex);
            out.prepend(std::exchange(m_device.beforeEcho, {}));
            const QByteArray answer = m_device.Feed(QByteArray(buf, static_cast<int>(n)));
            if (hangUpOnNextFrame && m_device.reads + m_device.writes > 0)
                hangUp = true;
            else
                out += answer;
        }
        // Without an echo, an answer comes once the frame and the answer have crossed the line.
        if (!m_echo && !out.isEmpty() && ClientBaud() > 0) {
            const auto crossed = std::chrono::steady_clock::now() +
                                 std::chrono::microseconds((n + out.size()) * 10'000'000LL / ClientBaud() + 1);
            std::unique_lock lock(m_mutex);
            if (m_stopped.wait_until(lock, crossed, [this] { return m_stop.load(); }))
                return;
        }
        if (!out.isEmpty() && ::write(fd, out.constData(), static_cast<size_t>(out.size())) < 0)
            continue;
        if (hangUp) {
            HangUp();
            return;
        }
    }
}
