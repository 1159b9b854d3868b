#include "Comm.h"

#include "SerialDevice.h"

#include <QFile>

TComm::TComm(TComPortMap ports) : m_ports(std::move(ports)) {}

TComm::~TComm() { Close(); }

bool TComm::Open()
{
    Close();
    auto device = std::make_unique<tbload::SerialDevice>();
    const auto error = device->Open(QFile::encodeName(DevicePath()).toStdString(), Baud);
    if (error != tbload::SerialDevice::OpenError::None) {
        m_openFailure = QStringLiteral("COM%1 (%2): %3")
                            .arg(Port)
                            .arg(DevicePath(), QLatin1String(tbload::SerialDevice::Describe(error)));
        return false;
    }
    m_openFailure.clear();
    m_handle = std::move(device);
    return true;
}

void TComm::Close() { m_handle.reset(); }

bool TComm::IsOpen() const { return m_handle && m_handle->IsOpen(); }

void TComm::SetDTR(bool on)
{
    if (m_handle)
        m_handle->SetDtr(on);
}

void TComm::SetRTS(bool on)
{
    if (m_handle)
        m_handle->SetRts(on);
}
