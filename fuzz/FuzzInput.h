#pragma once

#include <QByteArray>
#include <QCoreApplication>
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
