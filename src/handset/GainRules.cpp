#include "GainRules.h"

#include "NumberConverting.h"

QString TGainRules::Report(std::uint8_t byte)
{
    const TGainFields f = Split(byte);
    return QStringLiteral("loudspeaker=%1 microphone=%2 byte=%3")
        .arg(f.loudspeaker)
        .arg(f.microphone)
        .arg(ByteToHex(byte));
}
