#pragma once

#include "IntelHex.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

namespace tbtest {

// Intel HEX text of data at offset, as a download reads it.
inline QByteArray IntelHexOf(const QByteArray& data, quint32 offset)
{
    return QByteArray::fromStdString(tbload::IntelHexText(std::vector<uint8_t>(data.begin(), data.end()), offset));
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
