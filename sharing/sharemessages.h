#pragma once

// The share messages this client sends (none of them has an answer that it handles), built as
// field lists for TServers::SendToServer, and the folder batch of message 870.
//
//   100   share one file       "path" digest size bitrate samplerate duration
//   102   unshare one file     path (not quoted)
//   110   unshare all files    (empty payload)
//   870   share MP3 files      "folder" "name" digest size bitrate samplerate duration ...
//   10300 share another file   "path" size digest kind
//
// Paths are local paths in their wire form (backslash separators, bytes unchanged). The digest
// is always 32 zeros: the client computes none.
//
// Nothing here ever cuts a message: a payload that would not fit one frame (2044 bytes) is
// reported as not fitting and the caller leaves that file out, since a cut message would name a
// file that does not exist or garble the ones after it.

#include <QByteArray>
#include <QByteArrayList>

namespace ShareMessage {
inline constexpr int ShareFile = 100;
inline constexpr int UnshareFile = 102;
inline constexpr int UnshareAll = 110;
inline constexpr int ShareMpegFolder = 870;
inline constexpr int ShareGeneric = 10300;
} // namespace ShareMessage

inline const QByteArray ZeroDigest = QByteArrayLiteral("00000000000000000000000000000000");

// 100 for a finished download.
QByteArrayList ShareFileFields(const QByteArray& path, qint64 size, int bitRate, int sampleRate,
                               qint64 duration);
// 102.
QByteArrayList UnshareFileFields(const QByteArray& path);
// 10300.
QByteArrayList ShareGenericFields(const QByteArray& path, qint64 size, const QByteArray& kind);
// Whether the fields joined with spaces fit one frame.
bool FitsOneFrame(const QByteArrayList& fields);

// One file of a folder batch: space, quoted file name, digest, size, bitrate, sample rate and
// duration, each after a space.
QByteArray MpegEntry(const QByteArray& path, qint64 size, int bitRate, int sampleRate,
                     qint64 duration);

// The payload of one 870 message: the quoted folder and the entries of its files, never longer
// than one frame's payload.
class FolderBatch final {
public:
    static constexpr qsizetype MaxLength = 2044;

    // `path` is any file of the folder (local form).
    explicit FolderBatch(const QByteArray& path);

    // Whether `entry` fits a batch of this folder at all (alone with the quoted folder).
    bool fits(const QByteArray& entry) const { return m_head.size() + entry.size() <= MaxLength; }
    // Appends an entry that fits(). When the batch is too full for it, the full batch is moved
    // into `full` (to be sent first) and a new batch starts with the entry; returns whether that
    // happened.
    bool append(const QByteArray& entry, QByteArray* full);
    bool hasEntries() const { return m_text.size() > m_head.size(); }
    const QByteArray& text() const { return m_text; }

private:
    QByteArray m_head; // the quoted folder
    QByteArray m_text;
};
