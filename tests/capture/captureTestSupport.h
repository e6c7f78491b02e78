// Builders shared by the capture tests: capture messages as the Ondix sends them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>

#include <cstdint>
#include <span>
#include <vector>

using TWords = std::vector<uint16_t>;
Q_DECLARE_METATYPE(TWords)

// Words 0 .. N-1 as little-endian bytes; word 1 is N unless lengthWord overrides it.
inline QByteArray captureBytes(const TWords& payload, int lengthWord = -1)
{
    const int n = int(payload.size()) + 2;
    TWords words{0x55AA, uint16_t(lengthWord >= 0 ? lengthWord : n)};
    words.insert(words.end(), payload.begin(), payload.end());
    QByteArray bytes;
    for (uint16_t w : words) {
        bytes.append(char(w & 0xFF));
        bytes.append(char(w >> 8));
    }
    return bytes;
}

inline const uint8_t* bytesOf(const QByteArray& b)
{
    return reinterpret_cast<const uint8_t*>(b.constData());
}

inline TWords repeated(const TWords& part, int copies)
{
    TWords all;
    for (int i = 0; i < copies; ++i)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline TWords joined(std::initializer_list<TWords> parts)
{
    TWords all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

int runRfAnalysisTests(int argc, char** argv);
int runIrSelectionTests(int argc, char** argv);
int runCaptureCorpusTests(int argc, char** argv);
