#pragma once
// Small helpers shared by the benchmarks.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace dawnbell::bench {

// The middle value of `v` (the upper one of an even count); -1 when empty.
inline double Median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Writes a 16-bit mono 22050 Hz PCM WAVE file holding `durationMs` of a square
// tone of +/- `amplitude`. False when the file cannot be written in full.
inline bool WriteToneWave(const QString& path, int durationMs, int16_t amplitude)
{
    const int rate = 22050;
    const int samples = int(int64_t(rate) * durationMs / 1000);
    QByteArray data(samples * 2, '\0');
    for (int i = 0; i < samples; ++i) {
        const int16_t v = ((i / 25) % 2) ? amplitude : int16_t(-amplitude);
        data[2 * i] = char(v & 0xFF);
        data[2 * i + 1] = char((v >> 8) & 0xFF);
    }
    // Little-endian fields, copied (the bytes of the argument do not outlive the call).
    auto le32 = [](uint32_t v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        return QByteArray(b, 4);
    };
    auto le16 = [](uint16_t v) {
        const char b[2] = {char(v), char(v >> 8)};
        return QByteArray(b, 2);
    };
    const QByteArray out = "RIFF" + le32(36 + data.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(rate)
        + le32(rate * 2) + le16(2) + le16(16) + "data" + le32(data.size()) + data;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}

} // namespace dawnbell::bench
