#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

// Takes the fuzzer's bytes piece by piece; runs dry quietly.
class TFuzzInput {
public:
    TFuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    QByteArray Bytes(std::size_t n)
    {
        n = std::min(n, m_size - m_pos);
        QByteArray b(reinterpret_cast<const char*>(m_data + m_pos), static_cast<qsizetype>(n));
        m_pos += n;
        return b;
    }
    QByteArray Rest() { return Bytes(m_size - m_pos); }
    [[nodiscard]] bool Empty() const { return m_pos >= m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The link's waits run the event loop; one application object for the whole run.
inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// The fuzzer's bytes as a file named `name` in a folder of the run, for readers
// that take a path; in memory (/dev/shm) where the system has it, so that the
// disk does not set the pace. Empty when it cannot be written.
inline QString WriteFuzzFile(const std::uint8_t* data, std::size_t size, const QString& name)
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tunebench-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tunebench-fuzz-XXXXXX"));
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        return {};
    return path;
}
