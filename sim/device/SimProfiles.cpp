#include "SimProfiles.h"

namespace tbsim {

namespace {

void put(QByteArray& image, int address, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        image[address++] = char(b);
}

void putText(QByteArray& image, int address, const QByteArray& text)
{
    for (char c : text)
        image[address++] = c;
}

QByteArray blank() { return QByteArray(kEepromSize, char(0xFF)); }

// Handsets: identity at 0040h (00 04 Dx ... tells a handset), gains at 0029h
// and 003Eh, startup text at 0196h, model marker at 001Dh.
QByteArray handset(bool model8240)
{
    QByteArray image = blank();
    put(image, 0x001D, {model8240 ? 0xAA : 0x00});
    put(image, 0x0029, {0x6D});
    put(image, 0x003E, {0x6C});
    if (model8240) {
        put(image, 0x0040, {0x00, 0x04, 0xD8, 0x24, 0x01});
        putText(image, 0x0196, QByteArray("DAVO 8240   ") + QByteArray(24, ' '));
    }
    else {
        put(image, 0x0040, {0x00, 0x04, 0xD5, 0x12, 0x34});
        putText(image, 0x0196, "DAVO PULSA");
    }
    return image;
}

// Cells that both repeater families share. 0040h-0042h read FF FF 07, which is
// no handset identity.
void repeaterCommon(QByteArray& image)
{
    put(image, 0x0011, {0x07});                      // debug beep off
    put(image, 0x0017, {0, 0, 0, 0, 0, 0, 0, 0, 0}); // cleared
    put(image, 0x0034, {0xFF, 0xFF});                // no alternative base, repeater
    put(image, 0x0042, {0x07, 0xA8});                // fixed, multibase 1
    put(image, 0x0460, {0x00, 0x00});                // no zero blind slot, no alt sync
}

QByteArray repeaterMulti()
{
    QByteArray image = blank();
    repeaterCommon(image);
    put(image, 0x0002, {0x02});                   // repeater number 2
    put(image, 0x0004, {0x03});                   // busy bit 3
    put(image, 0x0005, {0x00});                   // repeater jump
    put(image, 0x0044, {0x10, 0x00, 0x00, 0x08}); // code 10000000040
    put(image, 0x0048, {0x05});                   // base 5
    put(image, 0x0780, {0x02});                   // a multi-cell type
    return image;
}

QByteArray repeaterSingle()
{
    QByteArray image = blank();
    repeaterCommon(image);
    put(image, 0x0002, {0x03});                         // repeater number 3
    put(image, 0x0004, {0x02});                         // busy bit 2
    put(image, 0x0044, {0x00, 0x00, 0x00, 0x00, 0x7D}); // code 000000000017, base 5
    put(image, 0x0780, {0x06});                         // single-cell type
    return image;
}

// A base answers mails but is neither a handset (no identity at 0040h) nor a
// repeater (0780h holds no repeater type).
QByteArray base()
{
    QByteArray image = blank();
    putText(image, 0x0100, "DAVO RFP");
    return image;
}

void setBit(QByteArray& image, int address, int mask, bool on)
{
    const int value = quint8(image[address]);
    image[address] = char(on ? (value | mask) : (value & ~mask));
}

} // namespace

const QList<ProfileInfo>& profiles()
{
    static const QList<ProfileInfo> list = {
        {QStringLiteral("handset"), 9600, QStringLiteral("handset (PP), DAVO Pulsa kind")},
        {QStringLiteral("handset-8240"), 115200, QStringLiteral("handset DAVO 8240/8280 (marker AAh at 001Dh)")},
        {QStringLiteral("repeater-multi"), 9600, QStringLiteral("multi-cell repeater, type 2")},
        {QStringLiteral("repeater-single"), 9600, QStringLiteral("single-cell repeater, type 6")},
        {QStringLiteral("base"), 9600, QStringLiteral("base station (RFP): answers, detected as neither")},
    };
    return list;
}

const ProfileInfo* findProfile(const QString& name)
{
    for (const ProfileInfo& p : profiles())
        if (p.name == name)
            return &p;
    return nullptr;
}

QByteArray profileImage(const QString& name)
{
    if (name == QLatin1String("handset"))
        return handset(false);
    if (name == QLatin1String("handset-8240"))
        return handset(true);
    if (name == QLatin1String("repeater-multi"))
        return repeaterMulti();
    if (name == QLatin1String("repeater-single"))
        return repeaterSingle();
    if (name == QLatin1String("base"))
        return base();
    return {};
}

void applyCellOptions(QByteArray& image, const SimOptions& options)
{
    if (image.size() != kEepromSize)
        return;
    if (options.type)
        image[0x0780] = char(*options.type);
    if (options.busyHint)
        setBit(image, 0x0460, 0x04, *options.busyHint);
    if (options.altSync)
        setBit(image, 0x0461, 0x01, *options.altSync);
    for (const auto& [address, bytes] : options.presets)
        for (int i = 0; i < bytes.size(); ++i)
            image[(address + i) & 0xFFFF] = bytes[i];
}

} // namespace tbsim
