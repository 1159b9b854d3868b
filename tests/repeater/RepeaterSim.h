#pragma once

#include "DeviceSession.h"
#include "SndMail.h"
#include "TpaProComImpl.h"
#include "support/SimHarness.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace tbtest {

// The main window's session, reduced to what a page needs: one link on the
// simulator's pseudo-terminal, opened by the connection check.
class TSimSession final : public IDeviceSession {
public:
    explicit TSimSession(const QString& portPath)
    {
        m_link.ShowDialogs = false;
        m_link.Port().PortMap().SetOverride(1, portPath);
    }
    TMailControl& Link() override { return m_link; }
    bool ConnectionCheck() override
    {
        ++m_checks;
        return m_link.IsPortOpen() || m_link.OpenPort(1, 9600);
    }
    bool CloseDevicePort() override { return m_link.ClosePort(); }
    [[nodiscard]] int Checks() const { return m_checks; }

private:
    TSendmail m_link;
    int m_checks = 0;
};

// A simulated repeater whose EEPROM is saved when it stops, so that tests look
// at the cells themselves.
class TRepeaterSim {
public:
    explicit TRepeaterSim(QStringList arguments)
    {
        m_imagePath = m_dir.filePath(QStringLiteral("eeprom.bin"));
        arguments << QStringLiteral("--save") << m_imagePath;
        m_sim = std::make_unique<SimHarness>(arguments);
    }
    bool Start()
    {
        if (!m_sim->start())
            return false;
        m_session = std::make_unique<TSimSession>(m_sim->portPath());
        return true;
    }
    TSimSession& Session() { return *m_session; }
    SimHarness& Harness() { return *m_sim; }
    [[nodiscard]] QString PortPath() const { return m_sim->portPath(); }

    // Ends the device and returns its EEPROM and its stored writes.
    QByteArray StopAndImage()
    {
        if (m_session)
            m_session->CloseDevicePort();
        EXPECT_TRUE(m_sim->stop());
        m_writes = m_sim->writeLines();
        QFile f(m_imagePath);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << m_imagePath.toStdString();
        return f.readAll();
    }
    [[nodiscard]] const QStringList& Writes() const { return m_writes; }

private:
    QTemporaryDir m_dir;
    QString m_imagePath;
    std::unique_ptr<SimHarness> m_sim;
    std::unique_ptr<TSimSession> m_session;
    QStringList m_writes;
};

// "10 00 00 08" from the image.
inline QString Cells(const QByteArray& image, int address, int count)
{
    QStringList bytes;
    for (int i = 0; i < count; ++i)
        bytes << QStringLiteral("%1").arg(quint8(image.at(address + i)), 2, 16, QLatin1Char('0')).toUpper();
    return bytes.join(QLatin1Char(' '));
}

} // namespace tbtest
