#include "SimDeviceLine.h"

#include "DeviceLogic.h"
#include "LineRate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace tbsim {

namespace {

// Closer than this, the loop sleeps to the exact moment instead of polling.
constexpr Nanos kExactWindow = std::chrono::milliseconds(2);
// Pause after a hang-up seen on the master (not expected while we hold the slave).
constexpr Nanos kHangupBackoff = std::chrono::milliseconds(20);
// Before dropping the line: time for the bytes to reach the client's queue,
// and the longest wait for the client to read them.
constexpr Nanos kHangupSettle = std::chrono::milliseconds(10);
constexpr Nanos kHangupDrainLimit = std::chrono::seconds(1);
// Output the client does not take is dropped beyond this.
constexpr qsizetype kMaxQueued = 1 << 20;

Nanos byteTime(int baud) { return baud > 0 ? Nanos(10'000'000'000LL / baud) : Nanos(0); }

timespec toTimespec(Nanos n)
{
    timespec ts{};
    ts.tv_sec = time_t(n.count() / 1'000'000'000LL);
    ts.tv_nsec = long(n.count() % 1'000'000'000LL);
    return ts;
}

// steady_clock is CLOCK_MONOTONIC on Linux.
void sleepUntil(Clock::time_point t)
{
    const timespec ts = toTimespec(t.time_since_epoch());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

} // namespace

void SimDevice::Line::queue(Chunk chunk, Clock::time_point& tail)
{
    qsizetype queued = 0;
    for (const Chunk& c : m_chunks)
        queued += c.bytes.size() - c.sent;
    if (queued + chunk.bytes.size() > kMaxQueued) {
        log(QStringLiteral("OVERFLOW %1 bytes dropped").arg(chunk.bytes.size()));
        return;
    }
    chunk.start = std::max(chunk.start, tail);
    tail = chunk.start + chunk.byteTime * chunk.bytes.size();
    m_chunks.push_back(std::move(chunk));
}

// Writes every byte that is due (through the adapter, when there is one);
// false when the line was dropped.
bool SimDevice::Line::sendDue(Clock::time_point now)
{
    // The device sends into the adapter whether or not the program reads.
    while ((m_usb || !m_writeBlocked) && !m_chunks.empty()) {
        auto it = std::min_element(m_chunks.begin(), m_chunks.end(),
                                   [](const Chunk& a, const Chunk& b) { return a.nextDue() < b.nextDue(); });
        Chunk& c = *it;
        if (c.nextDue() > now)
            break;
        int count = c.limit() - c.sent;
        if (c.byteTime.count()) {
            // Bytes whose time has come, so a late wake-up catches up.
            const auto due = (now - c.start) / c.byteTime;
            count = int(std::min<qint64>(count, due - c.sent));
        }
        if (c.answer && !c.logged) {
            log(QStringLiteral("TX ") + DeviceLogic::hex(c.bytes.left(c.limit())));
            c.logged = true;
        }
        if (count > 0 && m_usb) {
            passOn(c, count);
        }
        else if (count > 0) {
            const ssize_t n = ::write(m_device.m_master, c.bytes.constData() + c.sent, size_t(count));
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    m_writeBlocked = true;
                    return true;
                }
                if (errno == EINTR)
                    continue;
                log(QStringLiteral("ERROR write: %1").arg(QString::fromLocal8Bit(strerror(errno))));
                m_chunks.erase(it);
                continue;
            }
            c.sent += int(n);
            if (n < count) {
                m_writeBlocked = true;
                return true;
            }
        }
        if (c.sent >= c.limit()) {
            if (c.hangup) {
                if (m_usb)
                    writeUsbOut(m_usb->releaseAll());
                hangUp(c);
                return false;
            }
            if (c.answer)
                ++m_device.m_answersSent;
            m_chunks.erase(it);
        }
    }
    if (m_usb)
        writeUsbOut(m_usb->release(now));
    return true;
}

// count bytes of the chunk leave the device into the adapter, each once its stop bit is through.
void SimDevice::Line::passOn(Chunk& c, int count)
{
    for (int i = 0; i < count; ++i, ++c.sent)
        m_usb->take(c.bytes[c.sent], c.byteTime.count() ? c.start + c.byteTime * (c.sent + 1) : c.start);
}

void SimDevice::Line::writeUsbOut(const QByteArray& bytes)
{
    m_usbOut += bytes;
    while (!m_writeBlocked && !m_usbOut.isEmpty()) {
        const ssize_t n = ::write(m_device.m_master, m_usbOut.constData(), size_t(m_usbOut.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            log(QStringLiteral("ERROR write: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            m_usbOut.clear();
            return;
        }
        if (n > 0)
            m_usbOut.remove(0, n);
        m_writeBlocked = !m_usbOut.isEmpty();
    }
}

void SimDevice::Line::hangUp(const Chunk& chunk)
{
    // Closing the master throws away what the client has not read yet, so let
    // it take the half answer first (bounded; no client may be reading).
    const Clock::time_point begin = Clock::now();
    bool seen = false;
    for (;;) {
        int pending = 0;
        ioctl(m_device.m_slave, FIONREAD, &pending);
        seen = seen || pending > 0;
        const Clock::time_point now = Clock::now();
        if ((pending == 0 && (seen || now - begin >= kHangupSettle)) || now - begin >= kHangupDrainLimit ||
            m_device.m_stop)
            break;
        sleepUntil(now + std::chrono::milliseconds(1));
    }
    log(QStringLiteral("HANGUP after %1 of %2 bytes").arg(chunk.sent).arg(chunk.bytes.size()));
    ::close(m_device.m_master);
    ::close(m_device.m_slave);
    m_device.m_master = -1;
    m_device.m_slave = -1;
    m_device.m_hungUp = true;
}

void SimDevice::Line::receive(const QByteArray& bytes, Clock::time_point now)
{
    const int lineBaud = lineBaudRate(m_device.m_master);
    m_device.m_lastLineBaud = lineBaud;
    // The client's bytes take their time on the line at the client's rate. In
    // two-wire mode always: no echo shows it, and the earliest moment of an
    // answer is what tells a fresh answer from a stale one.
    const Nanos bt =
        m_options.pace || m_options.twoWire ? byteTime(lineBaud > 0 ? lineBaud : m_device.m_baud) : Nanos(0);
    const Clock::time_point blockStart = std::max(now, m_rxTail);
    if (m_options.twoWire) {
        m_rxTail = blockStart + bt * bytes.size();
    }
    else {
        Chunk echo;
        echo.bytes = bytes;
        echo.start = blockStart;
        echo.byteTime = bt;
        queue(std::move(echo), m_rxTail);
    }
    std::vector<ParserEvent> events;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        m_parser.push(quint8(bytes[i]), events);
        dispatch(events, blockStart + bt * (i + 1));
    }
    m_parser.flushSkipped(events);
    dispatch(events, m_rxTail);
    m_lastRx = now;
}

void SimDevice::Line::dispatch(std::vector<ParserEvent>& events, Clock::time_point end)
{
    for (const ParserEvent& e : events) {
        if (e.kind == ParserEvent::Skipped)
            log(QStringLiteral("SKIP ") + DeviceLogic::hex(e.bytes));
        else
            handleFrame(e.frame, end);
    }
    events.clear();
}

void SimDevice::Line::handleFrame(const Frame& frame, Clock::time_point end)
{
    FrameResult result;
    {
        std::lock_guard lock(m_device.m_mutex);
        result = m_device.m_logic->handleFrame(frame, m_device.m_lastLineBaud);
    }
    m_device.addLog(result.log);
    if (!result.reply)
        return;
    Chunk answer;
    answer.bytes = result.reply->bytes;
    answer.answer = true;
    answer.hangup = result.reply->hangup;
    answer.byteTime = m_options.answerByteGapMs > 0 ? Nanos(std::chrono::milliseconds(m_options.answerByteGapMs))
                      : m_options.pace              ? byteTime(m_device.m_baud)
                                                    : Nanos(0);
    answer.start =
        end + std::chrono::microseconds(m_options.turnaroundUs) + std::chrono::milliseconds(result.reply->delayMs);
    // Unpaced, the answer leaves whole once all its bytes could have crossed the line.
    if (m_options.twoWire && answer.byteTime.count() == 0)
        answer.start += byteTime(m_device.m_baud) * answer.bytes.size();
    // One transmitter: an answer and a pending duplicate never overlap; the
    // one due first goes first and the other follows it.
    answer.start = std::max(answer.start, m_txTail);
    for (Chunk& c : m_chunks)
        if (c.duplicate && c.start <= answer.start)
            answer.start = std::max(answer.start, c.end());
    Chunk duplicate = answer;
    queue(std::move(answer), m_txTail);
    for (Chunk& c : m_chunks)
        if (c.duplicate && c.sent == 0 && c.start > duplicate.start && c.start < m_txTail)
            c.start = m_txTail;
    if (result.reply->duplicateMs >= 0 && !duplicate.hangup) {
        duplicate.duplicate = true;
        Clock::time_point tail = m_txTail + std::chrono::milliseconds(result.reply->duplicateMs);
        queue(std::move(duplicate), tail);
    }
}

std::optional<Clock::time_point> SimDevice::Line::nextWake() const
{
    std::optional<Clock::time_point> wake;
    auto earliest = [&wake](Clock::time_point t) { wake = wake ? std::min(*wake, t) : t; };
    if (!m_writeBlocked || m_usb)
        for (const Chunk& c : m_chunks)
            earliest(c.nextDue());
    if (m_usb)
        if (const auto release = m_usb->nextRelease())
            earliest(*release);
    if (m_parser.inFrame() && m_options.frameTimeoutMs > 0)
        earliest(m_lastRx + std::chrono::milliseconds(m_options.frameTimeoutMs));
    if (m_backoffUntil > Clock::now())
        earliest(m_backoffUntil);
    return wake;
}

void SimDevice::Line::run()
{
    const int master = m_device.m_master;
    while (!m_device.m_stop) {
        ++m_device.m_loops;
        Clock::time_point now = Clock::now();
        if (!sendDue(now))
            return;
        if (m_parser.inFrame() && m_options.frameTimeoutMs > 0 &&
            now - m_lastRx >= std::chrono::milliseconds(m_options.frameTimeoutMs))
            log(QStringLiteral("TIMEOUT ") + DeviceLogic::hex(m_parser.discardPartial()));

        timespec timeout{};
        timespec* timeoutPtr = &timeout;
        if (const auto wake = nextWake()) {
            const Nanos left = *wake - now;
            if (left <= kExactWindow) {
                if (left.count() > 0)
                    sleepUntil(*wake);
            }
            else {
                timeout = toTimespec(left - kExactWindow / 2);
            }
        }
        else {
            timeoutPtr = nullptr;
        }

        const bool backingOff = m_backoffUntil > now;
        pollfd fds[2] = {{m_device.m_wake, POLLIN, 0},
                         {backingOff ? -1 : master, short(POLLIN | (m_writeBlocked ? POLLOUT : 0)), 0}};
        const int ready = ppoll(fds, 2, timeoutPtr, nullptr);
        if (ready < 0 && errno != EINTR) {
            log(QStringLiteral("ERROR poll: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            return;
        }
        if (ready <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            quint64 value = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_device.m_wake, &value, sizeof value);
        }
        const short revents = fds[1].revents;
        if (revents & POLLOUT) {
            m_writeBlocked = false;
            if (m_usb)
                writeUsbOut({});
        }
        if (revents & POLLIN) {
            char buffer[4096];
            for (;;) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) {
                    receive(QByteArray(buffer, n), Clock::now());
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                    m_backoffUntil = Clock::now() + kHangupBackoff; // no client: EIO
                break;
            }
        }
        else if (revents & (POLLHUP | POLLERR)) {
            m_backoffUntil = Clock::now() + kHangupBackoff;
        }
    }
}

} // namespace tbsim
