#pragma once

// MP3 files made at run time with the lame encoder, for the inspector's tests and the benchmark.
// Nothing is committed: a tone is synthesised as a WAV file and encoded with the options a case
// needs, so the expected values follow from how the file was made.

#include <QString>
#include <QStringList>

namespace Mp3Fixtures {

// Full path of the lame program, or empty when it is not installed.
QString LamePath();

// Writes a 16-bit PCM WAV file of a 440 Hz tone: `frames` samples per channel.
bool WriteToneWav(const QString& path, int sampleRate, int channels, qint64 frames);

// Encodes `wavPath` into `mp3Path` with lame and the given options. Returns an empty text on
// success, else what went wrong.
QString Encode(const QString& lame, const QString& wavPath, const QString& mp3Path,
               const QStringList& options);

} // namespace Mp3Fixtures
