#include "protocol/framereader.h"

namespace {

// Dropping the consumed prefix costs a copy of the unconsumed rest. Doing it only when the
// prefix is both large and the bigger half of the buffer means every byte is moved at most
// about once over its lifetime, so reading stays linear however the stream is cut.
constexpr qsizetype CompactThreshold = 64 * 1024;

quint32 readLe16(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8;
}

quint32 readLe32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

} // namespace

FrameReader::FrameReader(Layout layout)
    : m_layout(layout)
{
}

void FrameReader::append(const QByteArray& bytes)
{
    append(bytes.constData(), bytes.size());
}

void FrameReader::append(const char* data, qsizetype size)
{
    if (m_malformed || size <= 0)
        return;
    compact();
    m_buffer.append(data, size);
}

std::optional<Frame> FrameReader::next()
{
    if (m_malformed)
        return std::nullopt;

    const qsizetype available = pendingBytes();
    if (available < headerSize())
        return std::nullopt;

    const auto* header = reinterpret_cast<const uchar*>(m_buffer.constData() + m_offset);
    quint32 type = 0;
    qsizetype payloadSize = 0;
    if (m_layout == Layout::Word16) {
        payloadSize = readLe16(header);
        type = readLe16(header + 2);
    } else {
        const quint32 length = readLe32(header);
        if (length < 4 || length > MaxInt32FrameLength) {
            m_malformed = true;
            return std::nullopt;
        }
        payloadSize = qsizetype(length) - 4;
        type = readLe32(header + 4);
    }

    if (available - headerSize() < payloadSize)
        return std::nullopt;

    Frame frame;
    frame.type = type;
    frame.payload = QByteArray(m_buffer.constData() + m_offset + headerSize(), payloadSize);
    m_offset += headerSize() + payloadSize;
    if (m_offset == m_buffer.size()) {
        // Everything framed: start over at the front, keeping the allocation.
        m_buffer.resize(0);
        m_offset = 0;
    }
    return frame;
}

void FrameReader::clear()
{
    m_buffer.clear();
    m_offset = 0;
    m_malformed = false;
}

void FrameReader::compact()
{
    if (m_offset == 0)
        return;
    if (m_offset == m_buffer.size()) {
        m_buffer.resize(0);
        m_offset = 0;
    } else if (m_offset > CompactThreshold && m_offset > m_buffer.size() / 2) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
}
