// Command frames: 'E', 'K', 0x01, command code, body, then the unsigned 32-bit byte sum
// of everything before it, little-endian. Pure functions, bytes in and bytes out.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace ondixframe {

constexpr uint8_t markerE = 0x45;
constexpr uint8_t markerK = 0x4B;
constexpr uint8_t requestVersion = 0x01;
constexpr int headerSize = 4;  // 'E', 'K', 0x01, code
constexpr int checksumSize = 4;
constexpr int recordFieldOffset = 6;

// Unsigned 32-bit sum of `length` bytes (wraps modulo 2^32).
uint32_t byteSum(const uint8_t* bytes, size_t length);
uint32_t byteSum(const QByteArray& bytes);

// Appends the byte sum of everything in `frame` as 4 bytes little-endian.
void appendChecksum(QByteArray& frame);

// 'E', 'K', 0x01, code, checksum: 8 bytes.
QByteArray bodilessFrame(uint8_t code);

// 'E', 'K', 0x01, code, 16-bit parameter length N, N parameter bytes, checksum: N + 10
// bytes. Returns an empty array when the parameters do not fit 16 bits.
QByteArray parameterFrame(uint8_t code, const QByteArray& parameters);

// A fixed-record frame of `lengthBeforeChecksum` bytes (at least 6): the header, offsets
// 4-5 zero, `fields` copied from offset 6 (cut or zero-padded to the record), checksum.
QByteArray recordFrame(uint8_t code, int lengthBeforeChecksum, const QByteArray& fields);

// Answer of a known length: with K = answerLength - 4, valid when K >= 0, the answer lies
// inside the buffer, and the 32-bit little-endian value at K is nonzero and equals the sum
// of bytes 0 .. K-1.
bool validAnswer(const uint8_t* buffer, size_t bufferSize, int answerLength);

// Parameter-block answer: length N at offsets 4-5, checksum at 6 + N over bytes 0 .. 5+N.
// Invalid when the buffer cannot hold the header or the whole answer.
bool validParameterAnswer(const uint8_t* buffer, size_t bufferSize);

// Total length (N + 10) of the parameter-block answer starting at `buffer`, or -1 when the
// buffer cannot hold its length field.
int parameterAnswerLength(const uint8_t* buffer, size_t bufferSize);

uint32_t readLe32(const uint8_t* bytes);
uint16_t readLe16(const uint8_t* bytes);

}  // namespace ondixframe
