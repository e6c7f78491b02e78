// Bytes written and shown as hex, for the suites that compare frames.
#pragma once

#include <QByteArray>
#include <QString>

inline QByteArray hex(const char* text) { return QByteArray::fromHex(text); }
inline const uint8_t* u8(const QByteArray& b) { return reinterpret_cast<const uint8_t*>(b.constData()); }
inline QString hexText(const QByteArray& b) { return QString::fromLatin1(b.toHex(' ').toUpper()); }
