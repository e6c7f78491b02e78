// The real captures of tests/data/captures (see its README.md) and capture messages as the
// Ondix sends them, for the suites that read captures.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <vector>

namespace capturedata {

// The entries of tests/data/captures/`file` ("ir.json" or "rf.json").
inline QJsonArray corpus(const char* file)
{
    QFile f(QDir(qEnvironmentVariable("ONDIX_SOURCE_DIR")).filePath(QStringLiteral("tests/data/captures/")) + file);
    if (!f.open(QIODevice::ReadOnly))
        qWarning("missing test data %s", qPrintable(f.fileName()));
    return QJsonDocument::fromJson(f.readAll()).array();
}

// An entry's durations (microseconds) times `scale`, rounded, at most 65535.
inline std::vector<uint16_t> durations(const QJsonObject& entry, double scale = 1.0)
{
    std::vector<uint16_t> out;
    for (const auto& v : entry.value(QStringLiteral("durations")).toArray())
        out.push_back(uint16_t(std::min(65535.0, std::round(v.toDouble() * scale))));
    return out;
}

// The capture message: word 0, the word count (or `countWord`), then `words`, little-endian.
inline QByteArray message(const std::vector<uint16_t>& words, int countWord = -1)
{
    std::vector<uint16_t> all {0, uint16_t(countWord >= 0 ? countWord : int(words.size()) + 2)};
    all.insert(all.end(), words.begin(), words.end());
    QByteArray bytes;
    for (uint16_t w : all)
        bytes.append(char(w & 0xFF)).append(char(w >> 8));
    return bytes;
}

// The message of an IR entry: the carrier in word 2, the durations in its periods.
inline QByteArray irMessage(const QJsonObject& entry)
{
    const int carrier = entry.value(QStringLiteral("frequency")).toInt();
    std::vector<uint16_t> words = durations(entry, carrier / 1e6);
    words.insert(words.begin(), uint16_t(carrier));
    return message(words);
}

}  // namespace capturedata
