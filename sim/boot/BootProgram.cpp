#include "BootProgram.h"

#include "BootCommandLine.h"
#include "BootTarget.h"
#include "BoundedFile.h"
#include "LineRate.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tbsim {

namespace {

using Clock = BootTarget::Clock;
using Nanos = std::chrono::nanoseconds;
namespace boot = tbload::boot;

constexpr auto kFrameTimeout = std::chrono::milliseconds(200);

void Print(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    fflush(stream);
}

void Log(const QString& lines)
{
    if (!lines.isEmpty())
        Print(stderr, lines);
}

struct Outgoing {
    Clock::time_point due; // when its last byte is through the line
    std::vector<uint8_t> bytes;
    size_t sent = 0;
};

class BootLine {
public:
    explicit BootLine(const BootProgramOptions& options) : m_options(options), m_target(options.target) {}
    int Run();

private:
    bool OpenPty();
    void Receive(Clock::time_point now);
    // Takes the frames the decoder holds. The bytes from stream position
    // `from` on came through the line from `since` on, one byte time each, so
    // every frame is taken when its own last byte is through.
    void Decode(Clock::time_point now, Clock::time_point since, uint64_t from);
    // The noise fault: a burst that looks like the start of a frame.
    [[nodiscard]] bool NoiseDue(bool intoReceived, Clock::time_point now);
    [[nodiscard]] std::vector<uint8_t> NoiseBurst(bool intoReceived);
    void Queue(const BootTarget::Reply& reply, Clock::time_point ready);
    bool SendDue(Clock::time_point now);
    void Command(const QByteArray& line);
    bool Save();
    [[nodiscard]] bool RateMatches();

    const BootProgramOptions& m_options;
    BootTarget m_target;
    boot::Decoder m_decoder;
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    Nanos m_byteTime{0};
    Clock::time_point m_rxTail;
    Clock::time_point m_txTail;
    // Since when the decoder waits for the rest of the frame at its front.
    Clock::time_point m_pendingSince;
    uint64_t m_pendingAt = 0;
    Clock::time_point m_busyUntil;
    std::deque<Outgoing> m_out;
    QByteArray m_stdin;
    uint64_t m_rxBytes = 0;
    uint64_t m_txBytes = 0;
    bool m_mismatchLogged = false;
    Clock::time_point m_noiseDue;
    bool m_noiseIntoReceived = true;
    QRandomGenerator m_noiseRandom{0x7E};
};

bool BootLine::NoiseDue(bool intoReceived, Clock::time_point now)
{
    if (m_options.target.faults.noiseMs <= 0 || now < m_noiseDue || intoReceived != m_noiseIntoReceived)
        return false;
    m_noiseDue = now + std::chrono::milliseconds(m_options.target.faults.noiseMs);
    m_noiseIntoReceived = !m_noiseIntoReceived;
    return true;
}

std::vector<uint8_t> BootLine::NoiseBurst(bool intoReceived)
{
    std::vector<uint8_t> burst(8);
    for (uint8_t& b : burst)
        b = uint8_t(m_noiseRandom.bounded(256));
    burst[0] = boot::kStart;
    burst[1] = intoReceived ? boot::kData : boot::kAck;
    const uint16_t length = uint16_t(m_noiseRandom.bounded(int(boot::kMaxPayload) + 1));
    burst[4] = uint8_t(length);
    burst[5] = uint8_t(length >> 8);
    return burst;
}

bool BootLine::OpenPty()
{
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        Print(stderr, QStringLiteral("tunebench-sim: openpty: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        return false;
    }
    termios t{};
    ::tcgetattr(m_slave, &t);
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, B115200);
    ::tcsetattr(m_slave, TCSANOW, &t);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(::ttyname(m_slave));
    return true;
}

bool BootLine::RateMatches()
{
    const int line = lineBaudRate(m_master);
    const int own = m_options.target.baud;
    if (line > 0 && std::abs(line - own) * 50 <= own)
        return true;
    if (!m_mismatchLogged)
        Log(QStringLiteral("MISMATCH line %1 baud, target %2 baud").arg(line).arg(own));
    m_mismatchLogged = true;
    return false;
}

void BootLine::Queue(const BootTarget::Reply& reply, Clock::time_point ready)
{
    Log(reply.log);
    if (!reply.frame)
        return;
    Outgoing out;
    out.bytes = boot::Encode(*reply.frame);
    if (NoiseDue(false, Clock::now())) {
        const std::vector<uint8_t> burst = NoiseBurst(false);
        out.bytes.insert(out.bytes.begin(), burst.begin(), burst.end());
        Log(QStringLiteral("NOISE tx"));
    }
    const auto start = std::max(ready, m_txTail);
    out.due = start + m_byteTime * out.bytes.size();
    m_txTail = out.due;
    m_out.push_back(std::move(out));
}

void BootLine::Receive(Clock::time_point now)
{
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return;
        if (!RateMatches())
            continue;
        m_mismatchLogged = false;
        m_rxBytes += size_t(n);
        // Paced: the bytes are through the line only after their line time.
        const auto since = std::max(m_rxTail, now);
        const uint64_t from = m_decoder.Position() + m_decoder.Buffered();
        m_rxTail = since + m_byteTime * n;
        if (!m_target.Listening(now))
            continue; // off, or running its software: the bytes mean nothing to it
        if (m_decoder.Buffered() == 0)
            m_pendingSince = now;
        const auto due = m_noiseDue;
        if (NoiseDue(true, now)) {
            // Into the bytes that were on the line when it struck, else before them.
            const std::vector<uint8_t> burst = NoiseBurst(true);
            const auto lineTime = Nanos(10'000'000'000LL / m_options.target.baud) * n;
            const size_t at = due >= now - lineTime ? size_t(n) / 2 : 0;
            m_decoder.Feed(buffer, at);
            m_decoder.Feed(burst.data(), burst.size());
            m_decoder.Feed(buffer + at, size_t(n) - at);
            Log(at ? QStringLiteral("NOISE rx in a frame") : QStringLiteral("NOISE rx"));
        }
        else
            m_decoder.Feed(buffer, size_t(n));
        Decode(now, since, from);
    }
}

void BootLine::Decode(Clock::time_point now, Clock::time_point since, uint64_t from)
{
    auto arrivedAt = [&](uint64_t end) {
        return m_byteTime.count() && end > from ? since + m_byteTime * int64_t(end - from) : std::max(since, now);
    };
    const auto arrived = m_byteTime.count() ? m_rxTail : now; // the whole chunk
    size_t bad = m_decoder.BadFrames();
    while (auto frame = m_decoder.Next()) {
        for (; bad < m_decoder.BadFrames(); ++bad)
            Queue(m_target.Damaged(now), arrived);
        // Frames behind one the target is still busy with wait in its buffer.
        const auto reply = m_target.Handle(*frame, now);
        const auto ready = std::max(arrivedAt(m_decoder.Position()), m_busyUntil) + reply.busy;
        m_busyUntil = ready;
        Queue(reply, ready);
        if (frame->command == boot::kVerify)
            Log(QStringLiteral("STATS rx %1 tx %2 busy_us %3 blocks %4")
                    .arg(m_rxBytes)
                    .arg(m_txBytes + (m_out.empty() ? 0 : m_out.back().bytes.size()))
                    .arg(m_target.BusyTime().count())
                    .arg(m_target.BlocksAccepted()));
    }
    for (; bad < m_decoder.BadFrames(); ++bad)
        Queue(m_target.Damaged(now), arrived);
    if (m_decoder.Position() != m_pendingAt) {
        m_pendingAt = m_decoder.Position();
        m_pendingSince = now;
    }
}

bool BootLine::SendDue(Clock::time_point now)
{
    while (!m_out.empty() && m_out.front().due <= now) {
        Outgoing& o = m_out.front();
        const ssize_t n = ::write(m_master, o.bytes.data() + o.sent, o.bytes.size() - o.sent);
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        o.sent += size_t(n);
        m_txBytes += size_t(n);
        if (o.sent < o.bytes.size())
            return true;
        m_out.pop_front();
    }
    return true;
}

void BootLine::Command(const QByteArray& raw)
{
    const QByteArray line = raw.simplified();
    const auto now = Clock::now();
    if (line == "power off")
        m_target.PowerOff();
    else if (line == "power on" || line == "power on hook")
        m_target.PowerOn(line.endsWith("hook"), now);
    else if (line != "state" && !line.isEmpty()) {
        Log(QStringLiteral("UNKNOWN COMMAND %1").arg(QString::fromLocal8Bit(line)));
        return;
    }
    if (!line.isEmpty()) {
        m_decoder.Clear();
        Log(QStringLiteral("POWER %1").arg(m_target.State(now)));
    }
}

bool BootLine::Save()
{
    if (m_options.savePath.isEmpty())
        return true;
    QSaveFile file(m_options.savePath);
    const auto& flash = m_target.Flash();
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(flash.data()), qint64(flash.size())) != qint64(flash.size()) ||
        !file.commit()) {
        Print(stderr, QStringLiteral("tunebench-sim: cannot save %1: %2").arg(m_options.savePath, file.errorString()));
        return false;
    }
    Log(QStringLiteral("SAVED %1").arg(m_options.savePath));
    return true;
}

int BootLine::Run()
{
    if (!m_options.imagePath.isEmpty()) {
        QByteArray data;
        (void)ReadBoundedFile(m_options.imagePath, TFileKind::DeviceImage, data);
        if (!m_target.LoadFlash(std::vector<uint8_t>(data.begin(), data.end()))) {
            Print(stderr, QStringLiteral("tunebench-sim: %1 is not a flash image of %2 bytes")
                              .arg(m_options.imagePath)
                              .arg(m_target.Flash().size()));
            return 1;
        }
    }
    if (!OpenPty())
        return 1;
    if (m_options.target.pace)
        m_byteTime = Nanos(10'000'000'000LL / m_options.target.baud);
    if (!m_options.linkPath.isEmpty()) {
        ::unlink(QFile::encodeName(m_options.linkPath).constData());
        if (::symlink(QFile::encodeName(m_slavePath).constData(), QFile::encodeName(m_options.linkPath).constData()) !=
            0) {
            Print(stderr, QStringLiteral("tunebench-sim: cannot make link %1").arg(m_options.linkPath));
            return 1;
        }
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, s);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);

    Log(QStringLiteral("START %1 %2 baud on %3, %4")
            .arg(m_options.target.profile)
            .arg(m_options.target.baud)
            .arg(m_slavePath, m_target.State(Clock::now())));
    Print(stdout, QStringLiteral("PORT %1").arg(m_slavePath));

    bool stdinOpen = true;
    for (;;) {
        const auto now = Clock::now();
        if (!SendDue(now))
            break;
        // A frame that does not complete in time was none, even while bytes
        // keep coming: a stray start mark must not hold up the frames behind it.
        if (m_decoder.Buffered() > 0 && now - m_pendingSince > kFrameTimeout && m_rxTail < now) {
            // The frame begun never completed: search on behind its start mark.
            Log(QStringLiteral("TIMEOUT %1 bytes waiting").arg(m_decoder.Buffered()));
            m_decoder.Resync();
            Decode(now, now, m_decoder.Position() + m_decoder.Buffered());
        }
        int timeout = -1;
        if (!m_out.empty())
            timeout = int(std::chrono::ceil<std::chrono::milliseconds>(m_out.front().due - now).count());
        if (m_decoder.Buffered() > 0) {
            const int t =
                std::max(
                    0,
                    int(std::chrono::ceil<std::chrono::milliseconds>(m_pendingSince + kFrameTimeout - now).count())) +
                1;
            timeout = timeout < 0 ? t : std::min(timeout, t);
        }
        pollfd fds[3] = {{m_master, POLLIN, 0}, {signalFd, POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        const bool nearDue = timeout >= 0 && timeout <= 1 && !m_out.empty();
        if (nearDue) {
            // Sleep to the exact moment: poll only counts whole milliseconds.
            const auto due = m_out.front().due;
            while (Clock::now() < due)
                std::this_thread::sleep_until(due);
            continue;
        }
        if (::poll(fds, 3, timeout) < 0 && errno != EINTR)
            break;
        if (fds[1].revents)
            break;
        if (fds[0].revents & POLLIN)
            Receive(Clock::now());
        if (fds[2].revents) {
            char buffer[256];
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n <= 0)
                stdinOpen = false;
            else {
                m_stdin.append(buffer, n);
                for (qsizetype end; (end = m_stdin.indexOf('\n')) >= 0;) {
                    Command(m_stdin.left(end));
                    m_stdin.remove(0, end + 1);
                }
            }
        }
    }
    Log(QStringLiteral("STOP"));
    const bool saved = Save();
    if (!m_options.linkPath.isEmpty())
        ::unlink(QFile::encodeName(m_options.linkPath).constData());
    ::close(m_master);
    ::close(m_slave);
    return saved ? 0 : 1;
}

} // namespace

int RunBootProgram(const QStringList& arguments)
{
    BootProgramOptions options;
    QString message;
    bool help = false;
    if (!ParseBootArguments(arguments, &options, &message, &help)) {
        Print(help ? stdout : stderr, help ? message : QStringLiteral("tunebench-sim: %1").arg(message));
        return help ? 0 : 2;
    }
    return BootLine(options).Run();
}

} // namespace tbsim
