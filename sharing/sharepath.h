#pragma once

// Local paths of shared files, held as the bytes the file system gave us (see "File names versus
// wire bytes" in protocol/wiretext.cpp): a name that is not valid UTF-8 still opens, is still
// announced byte for byte and still matches when a peer asks for it.
//
// Order and identity. The shared file list, the scanner's found list and the announcement all
// keep paths ordered without regard to letter case, so that a folder's files stand together
// and are announced together. Identity is exact, though: on Linux "Song.mp3" and "song.mp3"
// are two files, and treating them as one would silently stop sharing one of them (and make a
// peer's request for it open the other). Case folding is ASCII only, the same for every
// encoding, so the order never depends on whether a name decodes.

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>

// Strict weak order: ASCII letters compared without case, then the bytes themselves as the
// tie-break, so that paths differing only in case keep a fixed order and both stay.
bool SharePathLess(const QByteArray& a, const QByteArray& b);
// Sorts with SharePathLess and drops exact duplicates.
void SortSharePaths(QList<QByteArray>& paths);

// "/music/a.mp3" -> "/music/" (with its separator); a path without '/' has an empty folder.
QByteArray PathFolder(const QByteArray& path);
// "/music/a.mp3" -> "a.mp3".
QByteArray PathFileName(const QByteArray& path);
// The extension of the file name with its dot ("a.tar.gz" -> ".gz"), empty when the name has
// no dot. A dot in a folder name does not count.
QByteArray PathExtension(const QByteArray& path);
// ".mp3" in any letter case: the files announced with their audio attributes.
bool IsMpegAudioPath(const QByteArray& path);

// Whether a path can be shared at all. Names travel inside double quotes with nothing escaped,
// shared.dat holds one path per line, and a backslash is the wire's separator; so a path with a
// double quote, a CR or LF, or a backslash could not be announced, stored or asked for intact
// (a quote inside a folder batch would even garble the entries of the other files in it).
// Such files are left out of sharing. The empty path is not shareable either, nor one longer
// than the system's longest path (MaxPathLength), which names no file.
inline constexpr qsizetype MaxPathLength = 4096;
bool IsShareablePath(const QByteArray& path);

// The folder of a wire path for a folder batch: the wire form of PathFolder without its
// trailing separator ("/music/a.mp3" -> "\music").
QByteArray WireFolder(const QByteArray& path);

// A path for showing: UTF-8 when it is valid UTF-8, else Windows-1252 (no byte is lost, unlike
// QFile::decodeName, which turns invalid bytes into U+FFFD).
QString DisplayPath(const QByteArray& path);
// A file: URL that opens the exact bytes of the path, also when they are not UTF-8.
QString FileUrlOf(const QByteArray& path);
