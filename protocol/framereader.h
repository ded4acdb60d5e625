#pragma once

// Incremental frame reader: takes bytes as a socket delivers them and yields whole frames.
// Cost is linear in the bytes received: consumed bytes are dropped lazily, never by
// re-copying the whole buffer per frame, and each payload is copied exactly once.
//
// Typical use, from a socket's readyRead:
//     reader.append(socket->readAll());
//     while (auto frame = reader.next())
//         handle(*frame);
//     if (reader.isMalformed())
//         drop the connection;

#include <QByteArray>
#include <optional>

struct Frame {
    // Message type (first layout, at most 65535) or message code (second layout, 32 bits:
    // kept whole so that a code such as 65537 is never mistaken for 1).
    quint32 type = 0;
    QByteArray payload;

    friend bool operator==(const Frame&, const Frame&) = default;
};

class FrameReader final {
public:
    enum class Layout {
        Word16, // 2-byte length, 2-byte type (OpenNap)
        Int32   // 4-byte length of code + payload, 4-byte code (second protocol's login answer)
    };

    // A second-layout length beyond this is taken as garbage rather than a message to wait
    // for: nothing in that protocol's login exchange comes near it, and honouring a length of
    // up to 4 GiB would let a server make us buffer without bound.
    static constexpr quint32 MaxInt32FrameLength = 16 * 1024 * 1024;

    explicit FrameReader(Layout layout = Layout::Word16);

    Layout layout() const { return m_layout; }

    // Bytes are ignored once the stream is malformed: nothing after that point can be framed.
    void append(const QByteArray& bytes);
    void append(const char* data, qsizetype size);

    // The next complete frame, or nothing while the buffered bytes do not yet make one (or the
    // stream is malformed).
    std::optional<Frame> next();

    // Bytes received but not yet returned as a frame (a partial header or payload).
    qsizetype pendingBytes() const { return m_buffer.size() - m_offset; }
    bool hasPartialFrame() const { return pendingBytes() > 0; }
    // The second layout can announce lengths that no real message has (below the 4 bytes of
    // the code, or above MaxInt32FrameLength); such a frame is malformed and ends the stream.
    // First-layout frames are never malformed: every 16-bit length is legal.
    bool isMalformed() const { return m_malformed; }
    // Forgets all buffered bytes and the malformed state, for reuse on a new connection.
    void clear();

private:
    qsizetype headerSize() const { return m_layout == Layout::Word16 ? 4 : 8; }
    // Drops the consumed prefix when it is worth the copy (see framereader.cpp).
    void compact();

    Layout m_layout;
    // m_buffer[m_offset ..] is unconsumed; m_buffer[0 .. m_offset] was already framed.
    QByteArray m_buffer;
    qsizetype m_offset = 0;
    bool m_malformed = false;
};
