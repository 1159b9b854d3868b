#pragma once

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

namespace tbtest {

// Intel HEX text of data at offset (a multiple of 32): 32-byte data records, a
// linear address record wherever the upper 16 bits change.
inline QByteArray IntelHexOf(const QByteArray& data, quint32 offset)
{
    QByteArray text;
    auto record = [&](quint8 type, quint16 address, const QByteArray& bytes) {
        QByteArray raw;
        raw.append(char(bytes.size()))
            .append(char(address >> 8))
            .append(char(address))
            .append(char(type))
            .append(bytes);
        quint8 sum = 0;
        for (char c : raw)
            sum = quint8(sum + quint8(c));
        raw.append(char(quint8(-sum)));
        text += ':' + raw.toHex().toUpper() + "\r\n";
    };
    int upper = -1;
    for (qsizetype i = 0; i < data.size(); i += 32) {
        const quint32 address = offset + quint32(i);
        if (int(address >> 16) != upper) {
            upper = int(address >> 16);
            record(0x04, 0, QByteArray::fromHex(QByteArray::number(upper, 16).rightJustified(4, '0')));
        }
        record(0x00, quint16(address), data.mid(i, 32));
    }
    record(0x01, 0, {});
    return text;
}

inline QByteArray RandomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray data(size, Qt::Uninitialized);
    for (char& c : data)
        c = char(generator.bounded(256));
    return data;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace tbtest
