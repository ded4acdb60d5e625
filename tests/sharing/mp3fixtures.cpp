#include "mp3fixtures.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace Mp3Fixtures {

QString LamePath()
{
    return QStandardPaths::findExecutable(QStringLiteral("lame"));
}

bool WriteToneWav(const QString& path, int sampleRate, int channels, qint64 frames)
{
    const qint64 dataBytes = frames * channels * 2;
    QByteArray wav(44 + dataBytes, Qt::Uninitialized);
    char* p = wav.data();
    auto put32 = [](char* at, quint32 v) { qToLittleEndian<quint32>(v, at); };
    auto put16 = [](char* at, quint16 v) { qToLittleEndian<quint16>(v, at); };
    std::memcpy(p, "RIFF", 4);
    put32(p + 4, quint32(36 + dataBytes));
    std::memcpy(p + 8, "WAVEfmt ", 8);
    put32(p + 16, 16);
    put16(p + 20, 1); // PCM
    put16(p + 22, quint16(channels));
    put32(p + 24, quint32(sampleRate));
    put32(p + 28, quint32(sampleRate * channels * 2));
    put16(p + 32, quint16(channels * 2));
    put16(p + 34, 16);
    std::memcpy(p + 36, "data", 4);
    put32(p + 40, quint32(dataBytes));
    char* sample = p + 44;
    const double step = 2.0 * M_PI * 440.0 / sampleRate;
    for (qint64 i = 0; i < frames; ++i) {
        const auto value = qint16(std::lround(8000.0 * std::sin(step * double(i))));
        for (int c = 0; c < channels; ++c) {
            put16(sample, quint16(value));
            sample += 2;
        }
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

QString Encode(const QString& lame, const QString& wavPath, const QString& mp3Path,
               const QStringList& options)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(lame,
                  QStringList{QStringLiteral("--quiet")} + options + QStringList{wavPath, mp3Path});
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return QStringLiteral("lame %1 failed: %2")
            .arg(options.join(u' '), QString::fromLocal8Bit(process.readAll()));
    }
    return {};
}

} // namespace Mp3Fixtures
