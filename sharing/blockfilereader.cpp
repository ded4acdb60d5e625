#include "sharing/blockfilereader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

BlockFileReader::~BlockFileReader()
{
    close();
}

BlockFileReader::OpenResult BlockFileReader::open(const QByteArray& nativePath)
{
    close();
    if (nativePath.isEmpty() || nativePath.contains('\0'))
        return OpenResult::NotFound;

    int fd;
    do {
        fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);

    struct stat info;
    if (fd < 0) {
        // Tell "not there" from "there but not ours to read" the way a file-exists test would.
        if (::stat(nativePath.constData(), &info) == 0 && !S_ISDIR(info.st_mode))
            return OpenResult::Unreadable;
        return OpenResult::NotFound;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool isDir = S_ISDIR(info.st_mode);
        ::close(fd);
        return isDir ? OpenResult::NotFound : OpenResult::Unreadable;
    }

    m_fd = fd;
    m_size = qint64(info.st_size);
    // Fewer blocks than bytes: the file has holes (or the file system packs it; then asking for
    // the data regions is merely useless).
    m_mayHaveHoles = qint64(info.st_blocks) * 512 < m_size;
    m_bufferStart = 0;
    m_bufferUsed = 0;
    m_firstRead = true;
    if (m_buffer.empty())
        m_buffer.resize(size_t(BlockSize));
    return OpenResult::Opened;
}

qint64 BlockFileReader::dataFrom(qint64 offset) const
{
    if (!m_mayHaveHoles || m_fd < 0)
        return offset;
    const off_t data = ::lseek(m_fd, off_t(offset), SEEK_DATA);
    if (data >= 0)
        return qMax(offset, qint64(data));
    return errno == ENXIO ? m_size : offset; // ENXIO: nothing but a hole up to the end
}

void BlockFileReader::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_mayHaveHoles = false;
    m_bufferStart = 0;
    m_bufferUsed = 0;
}

qsizetype BlockFileReader::fill(qint64 offset, qsizetype wanted)
{
    m_bufferStart = offset;
    m_bufferUsed = 0;
    if (m_fd < 0 || offset < 0 || offset >= m_size)
        return 0;
    wanted =
        qsizetype(qMin<qint64>(qMin<qint64>(wanted, qint64(m_buffer.size())), m_size - offset));
    while (m_bufferUsed < wanted) {
        const ssize_t got = ::pread(m_fd, m_buffer.data() + m_bufferUsed,
                                    size_t(wanted - m_bufferUsed), offset + m_bufferUsed);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // an error, or the file is shorter now than at open
        m_bufferUsed += got;
    }
    return m_bufferUsed;
}

const uchar* BlockFileReader::window(qint64 offset, qsizetype minimum, qsizetype* available)
{
    const qint64 bufferEnd = m_bufferStart + m_bufferUsed;
    if (offset < m_bufferStart || offset + minimum > bufferEnd) {
        const qsizetype block = m_firstRead ? FirstBlockSize : BlockSize;
        m_firstRead = false;
        fill(offset, qMax(block, minimum));
    }
    const qint64 inBuffer = m_bufferStart + m_bufferUsed - offset;
    *available = qsizetype(qMax<qint64>(0, inBuffer));
    return m_buffer.data() + (offset - m_bufferStart);
}

bool BlockFileReader::readAt(qint64 offset, void* out, qsizetype count)
{
    if (offset < 0 || count < 0 || offset > m_size - count)
        return false;
    if (offset >= m_bufferStart && offset + count <= m_bufferStart + m_bufferUsed) {
        std::memcpy(out, m_buffer.data() + (offset - m_bufferStart), size_t(count));
        return true;
    }
    // Small reads elsewhere in the file (a tag at its end, a header one frame on) go straight to
    // the file, so the block that a search is walking through stays in place.
    if (m_fd < 0)
        return false;
    qsizetype done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(m_fd, static_cast<char*>(out) + done, size_t(count - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}
