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
inline const uint8_t* u8(const QByteArray& bytes)
{
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}
