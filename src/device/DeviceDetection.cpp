#include "DeviceDetection.h"

#include "NumberConverting.h"
#include "SndMail.h"

DeviceKind TDeviceDetector::DetectDevice()
{
    QString answer;
    for (int i = 0; i < 5 && answer.isEmpty(); ++i) {
        if (i > 0 && !m_link.Pause(10))
            break;
        answer = m_link.ReadEepromText(0x40, 0x00, 3);
    }
    const QString head = RemoveBlanks(answer).left(5);
    if (head.isEmpty())
        return DeviceKind::Unknown;
    if (head == QStringLiteral("0004D"))
        return DeviceKind::Handset;
    const RepeaterType type = ReadRepeaterType();
    if (!type.answered)
        return DeviceKind::Unknown;
    return type.valid ? DeviceKind::Repeater : DeviceKind::Base;
}

RepeaterType TDeviceDetector::ReadRepeaterType()
{
    QString answer;
    for (int i = 0; i < 5 && answer.isEmpty(); ++i)
        answer = m_link.ReadEepromText(0x80, 0x07, 1);
    if (answer.isEmpty())
        return {};
    const std::uint8_t t = Hex2Dec(answer.left(2));
    if (!IsAcceptedRepeaterType(t))
        return {true, false, 0};
    return {true, true, t};
}
