// Bytes as the suites write them: hex text in ("45 4B 01", blanks ignored) and out ("45 4B 01").
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}
inline QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
// The frame with its checksum appended (little-endian): the sum of its bytes, or `sum`.
inline QByteArray sealed(QByteArray frame, qint64 sum = -1)
{
    quint32 s = 0;
    for (char c : frame)
        s += quint8(c);
    for (int i = 0; i < 4; ++i)
        frame.append(char((sum >= 0 ? quint32(sum) : s) >> (8 * i)));
    return frame;
}
inline const uint8_t* u8(const QByteArray& bytes)
{
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}
