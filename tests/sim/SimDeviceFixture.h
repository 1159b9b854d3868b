#pragma once

#include "PtyClient.h"
#include "SimDevice.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <memory>

namespace tbtest {

// An in-process simulated device with a POSIX client on its slave.
class SimDeviceFixture : public ::testing::Test {
protected:
    void startDevice(const tbsim::SimOptions& options = {}, int clientBaud = 9600)
    {
        device = std::make_unique<tbsim::SimDevice>(options);
        ASSERT_TRUE(device->start()) << device->errorString().toStdString();
        ASSERT_TRUE(client.open(device->slavePath(), clientBaud)) << device->slavePath().toStdString();
    }

    // Sends the frame of a mail and reads `expected` bytes back.
    QByteArray exchange(const QByteArray& mail, int expected, int timeoutMs = 3000)
    {
        EXPECT_TRUE(client.send(frameOf(mail)));
        return client.read(expected, timeoutMs);
    }

    bool waitForLog(const QString& line, int timeoutMs = 3000)
    {
        return waitFor([&] { return device->log().contains(line); }, timeoutMs);
    }

    bool waitForLogPrefix(const QString& prefix, int timeoutMs = 3000)
    {
        return waitFor(
            [&] {
                const QStringList lines = device->log();
                return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(prefix); });
            },
            timeoutMs);
    }

    std::unique_ptr<tbsim::SimDevice> device;
    PtyClient client;
};

inline QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

} // namespace tbtest
