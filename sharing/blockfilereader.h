#pragma once

// BlockFileReader: positional reads from one local file through a block buffer, for readers that
// look at a few places of many files (the MPEG inspector) or stream through a large one.
//
// - Paths are the native bytes (see protocol/wiretext.cpp): names that are not valid UTF-8 open.
// - Only regular files are read. A FIFO or a device named like a music file would block the
//   reading thread or never end, so it is refused as unreadable (it is opened non-blocking, so
//   even the open cannot hang).
// - The size is taken once, at open. Nothing past it is read, so a file that grows while it is
//   read (a download in progress) is read as it was. A file that shrinks gives short reads, which
//   are reported as "not there", exactly like reads past the end; the file is never mapped,
//   so a truncation cannot fault the process.
// - Holes of a sparse file can be skipped (dataFrom), so a search through a huge sparse file
//   does not read gigabytes of zeros.
// - One instance per thread; the buffer is kept from one file to the next.

#include <QByteArray>
#include <QtGlobal>
#include <vector>

class BlockFileReader final {
    Q_DISABLE_COPY_MOVE(BlockFileReader)

public:
    enum class OpenResult { Opened, NotFound, Unreadable };

    // First read of a file: enough for the headers at the start of almost every audio file.
    static constexpr qsizetype FirstBlockSize = 16 * 1024;
    // Later reads, when a search streams through the file.
    static constexpr qsizetype BlockSize = 256 * 1024;

    BlockFileReader() = default;
    ~BlockFileReader();

    // NotFound: no such file, or it is a directory. Unreadable: it exists but cannot be opened
    // for reading, or is not a regular file. A path holding a NUL byte names no file.
    OpenResult open(const QByteArray& nativePath);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    qint64 size() const { return m_size; }

    // Copies `count` bytes at `offset` into `out`. False when they do not all lie before the end
    // (the size at open, or where reading actually stops).
    bool readAt(qint64 offset, void* out, qsizetype count);

    // Makes the bytes from `offset` on available in the buffer, at least `minimum` of them if the
    // file holds them, and returns a pointer to them; `available` receives how many follow
    // `offset` in the buffer (fewer than `minimum` only at the end of the file). `minimum` is at
    // most BlockSize. The pointer is valid until the next call of window().
    const uchar* window(qint64 offset, qsizetype minimum, qsizetype* available);
    // True when window(offset, count) needs no read.
    bool holds(qint64 offset, qsizetype count) const
    {
        return offset >= m_bufferStart && offset + count <= m_bufferStart + m_bufferUsed;
    }

    // The first offset at or after `offset` that may hold bytes other than zero: the start of
    // the next data region of a sparse file (its holes read as zeros), size() when only a hole
    // follows. For a file without holes, `offset` itself.
    qint64 dataFrom(qint64 offset) const;

private:
    // Refills the buffer from `offset`; returns the bytes read.
    qsizetype fill(qint64 offset, qsizetype wanted);

    int m_fd = -1;
    qint64 m_size = 0;
    bool m_mayHaveHoles = false;
    std::vector<uchar> m_buffer;
    qint64 m_bufferStart = 0; // file offset of m_buffer[0]
    qsizetype m_bufferUsed = 0;
    bool m_firstRead = true;
};
