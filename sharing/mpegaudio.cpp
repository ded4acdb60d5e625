// How a file is inspected
//
//   1. Sync search: from the start of the file, every byte offset is a candidate for a frame
//      header (four bytes, big-endian). Leading bytes of any kind (an ID3v2 block, junk) are
//      searched through too, not skipped by their declared size: a broken tag size must not hide
//      the audio.
//   2. A candidate counts only when a second valid header starts exactly one frame length after
//      it and lies wholly inside the file. When no such partner fits before the end, the search
//      goes on after the candidate's four bytes; when the bytes there are not a valid header, it
//      goes on one byte after the candidate. The first confirmed pair wins, and every field then
//      holds the values of the second header (the first frame is often a Xing frame with its own
//      bitrate).
//   3. A Xing header in the first frame marks variable bitrate: the bitrate becomes -1 and the
//      playing time comes from its frame count. Without one the time is length * 8 / bitrate,
//      with the whole file's length (tags included).
//   4. The ID3v1 tag in the last 128 bytes gives title, artist, album, year, comment, track and
//      genre.
//
//   A read past the end while looking at the Xing header or the tag ends the inspection there,
//   with what was decoded so far.
//
// Speed: the search is a block scan. A header needs 0xFF followed by a byte of the form 111xxxxx
// and fixed bit patterns in that byte and the next, so 32 offsets are tested at once and only an
// offset that passes costs a table lookup and a look at its partner. Bytes without such
// patterns, FF 00 FF 00... included, are searched at about the speed of reading the file; a
// file packed with valid-looking headers is slower, since each one's partner is looked at.
// Holes of a sparse file are skipped: they hold no header.
//
// Sizes are 64-bit throughout: the length, the playing time and the average frame length of a
// file above 2 GiB (or of a very long recording) are not cut to 32 or 16 bits.

#include "sharing/mpegaudio.h"

#include "protocol/wiretext.h"

#include <QFile>
#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// kbit/s by bitrate index 0..15; index 0 (free format) and 15 (forbidden) give 0.
constexpr short BitRates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},    // MPEG-2/2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},         // MPEG-2/2.5 II, III
};

// Hz by version (1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5) and sample-rate index; index 3 is reserved.
constexpr int SampleRates[4][4] = {
    {0, 0, 0, 0},
    {44100, 48000, 32000, 0},
    {22050, 24000, 16000, 0},
    {11025, 12000, 8000, 0},
};

// Where the Xing header starts, counted from the frame header: after the side information.
int XingOffset(int version, int mode)
{
    const bool mono = mode == 3;
    if (version == 1)
        return mono ? 21 : 36;
    return mono ? 13 : 21;
}

int SamplesPerFrame(int version, int layer)
{
    if (layer == 1)
        return 384;
    if (layer == 3 && version != 1)
        return 576;
    return 1152;
}

quint32 BigEndian32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

// Header fields from the header's bits (bit 0 is the least significant of the 32).
constexpr int VersionOf(quint32 v)
{
    constexpr int ByBits[4] = {3, 0, 2, 1}; // MPEG-2.5, reserved, MPEG-2, MPEG-1
    return ByBits[(v >> 19) & 3];
}

constexpr int LayerOf(quint32 v)
{
    return int(4 - ((v >> 17) & 3)) & 3; // bits 3, 2, 1 are Layers I, II, III; 0 is reserved
}

constexpr int BitRateOf(quint32 v, int version, int layer)
{
    if (version == 0 || layer == 0)
        return 0;
    return BitRates[version == 1 ? layer - 1 : (layer == 1 ? 3 : 4)][(v >> 12) & 15];
}

constexpr int SampleRateOf(quint32 v, int version)
{
    return SampleRates[version][(v >> 10) & 3];
}

constexpr int FrameLengthOf(int version, int layer, int bitRate, int sampleRate, int padding)
{
    if (layer == 1)
        return (12000 * bitRate / sampleRate + padding) * 4;
    if (layer == 3 && version != 1)
        return 72000 * bitRate / sampleRate + padding;
    return 144000 * bitRate / sampleRate + padding;
}

// Frame length by header bits 9 to 20 (padding, sample-rate index, bitrate index, protection,
// layer, version); 0 where those bits make no valid header: a reserved version or layer,
// bitrate index 0 or 15, sample-rate index 3. The search looks candidates up here, as a hostile
// file may hold one at every offset.
constexpr std::array<quint16, 4096> FrameLengthTable = [] {
    std::array<quint16, 4096> table{};
    for (quint32 bits = 0; bits < 4096; ++bits) {
        const quint32 v = bits << 9;
        const int version = VersionOf(v);
        const int layer = LayerOf(v);
        const int bitRate = BitRateOf(v, version, layer);
        const int sampleRate = SampleRateOf(v, version);
        if (bitRate > 0 && sampleRate > 0)
            table[bits] = quint16(FrameLengthOf(version, layer, bitRate, sampleRate, bits & 1));
    }
    return table;
}();

struct FrameHeader {
    int version = 0;
    int layer = 0;
    int sampleRate = 0;
    int bitRate = 0;
    int mode = 0;
    int protectionBit = 0;
    int paddingBit = 0;
    int copyrightBit = 0;
    int originalBit = 0;
    qint64 frameLength = 0;
    qint64 duration = 0;
};

// Decodes a valid header (one that CandidateFrameLength accepts) of a file of `fileLength`
// bytes. The time is the whole file's length at the header's bitrate.
FrameHeader DecodeHeader(quint32 v, qint64 fileLength)
{
    FrameHeader h;
    h.version = VersionOf(v);
    h.layer = LayerOf(v);
    h.bitRate = BitRateOf(v, h.version, h.layer);
    h.sampleRate = SampleRateOf(v, h.version);
    h.protectionBit = int((v >> 16) & 1);
    h.paddingBit = int((v >> 9) & 1);
    h.mode = int((v >> 6) & 3);
    h.copyrightBit = int((v >> 3) & 1);
    h.originalBit = int((v >> 2) & 1);
    h.frameLength = FrameLengthTable[(v >> 9) & 0xFFF];
    if (h.bitRate > 0)
        h.duration = fileLength * 8 / (qint64(h.bitRate) * 1000);
    return h;
}

// Frame length of the header starting at p (four bytes), 0 when it is not a valid header.
inline int CandidateFrameLength(const uchar* p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    return FrameLengthTable[size_t(((p[1] & 0x1F) << 7) | (p[2] >> 1))];
}

// The same test as CandidateFrameLength's, on the three bytes that decide it: 0xFF, then sync
// bits, a version other than the reserved one and a layer other than 0, then a bitrate index
// other than 0 and 15 and a sample-rate index other than 3.
inline bool CanStartHeader(uchar b0, uchar b1, uchar b2)
{
    return b0 == 0xFF && (b1 & 0xE0) == 0xE0 && (b1 & 0x18) != 0x08 && (b1 & 0x06) != 0 &&
           (b2 & 0xF0) != 0 && (b2 & 0xF0) != 0xF0 && (b2 & 0x0C) != 0x0C;
}

#if defined(__GNUC__)
// Thirty-two offsets at a time. The compiler turns these into AVX2 instructions where the
// processor has them (see FindHeaderStart), else into pairs of SSE2 or NEON instructions.
// Vectors are passed by reference: by value they would change the calling convention between
// the AVX2 and the plain build of the same code.
using Lanes = unsigned char __attribute__((vector_size(32)));

inline bool Any(const Lanes& v)
{
    quint64 parts[4];
    std::memcpy(parts, &v, sizeof parts);
    return (parts[0] | parts[1] | parts[2] | parts[3]) != 0;
}

// Lanes where a sync byte is followed by three more sync bits: cheap, and false almost
// everywhere, also in a run of FF 00.
inline void SyncLanes(const uchar* p, Lanes& out)
{
    Lanes b0, b1;
    std::memcpy(&b0, p, sizeof b0);
    std::memcpy(&b1, p + 1, sizeof b1);
    out = Lanes((b0 == 0xFF) & ((b1 & 0xE0) == 0xE0));
}

// Lanes where CanStartHeader holds.
inline void HeaderLanes(const uchar* p, Lanes& out)
{
    Lanes b0, b1, b2;
    std::memcpy(&b0, p, sizeof b0);
    std::memcpy(&b1, p + 1, sizeof b1);
    std::memcpy(&b2, p + 2, sizeof b2);
    out = Lanes((b0 == 0xFF) & ((b1 & 0xE0) == 0xE0) & ((b1 & 0x18) != 0x08) & ((b1 & 0x06) != 0) &
                ((b2 & 0xF0) != 0) & ((b2 & 0xF0) != 0xF0) & ((b2 & 0x0C) != 0x0C));
}
#endif

#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__)
// One build for processors with AVX2 and one for the rest, picked when the program loads.
#define TAVOLIN_SEARCH_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TAVOLIN_SEARCH_CLONES
#endif

// First i in [0, count) where a header can start; `count` when none. Reads p[0 .. count + 1].
TAVOLIN_SEARCH_CLONES qsizetype FindHeaderStart(const uchar* p, qsizetype count)
{
    // The next few offsets one by one first: where candidates are dense (a hostile file), the
    // next one is usually among them.
    qsizetype i = 0;
    for (const qsizetype end = qMin<qsizetype>(count, 8); i < end; ++i) {
        if (CanStartHeader(p[i], p[i + 1], p[i + 2]))
            return i;
    }
#if defined(__GNUC__)
    Lanes a, b, c, d;
    while (i + 128 <= count) {
        SyncLanes(p + i, a);
        SyncLanes(p + i + 32, b);
        SyncLanes(p + i + 64, c);
        SyncLanes(p + i + 96, d);
        a |= b | c | d;
        if (!Any(a)) {
            i += 128;
            continue;
        }
        for (const qsizetype end = i + 128; i < end; i += 32) {
            HeaderLanes(p + i, a);
            if (Any(a))
                goto scalar; // the first hit lies in these 32 offsets
        }
    }
    for (; i + 32 <= count; i += 32) {
        HeaderLanes(p + i, a);
        if (Any(a))
            break;
    }
scalar:
#endif
    for (; i < count; ++i) {
        if (CanStartHeader(p[i], p[i + 1], p[i + 2]))
            return i;
    }
    return count;
}

// spf * frames / sampleRate rounded to the nearest integer, halves to even, without the
// rounding error of floating point.
qint64 RoundedSeconds(quint64 samplesPerFrame, quint64 frames, quint64 sampleRate)
{
    const quint64 samples = samplesPerFrame * frames; // < 2^43: cannot overflow
    quint64 seconds = samples / sampleRate;
    const quint64 rest = samples % sampleRate;
    if (2 * rest > sampleRate || (2 * rest == sampleRate && (seconds & 1)))
        ++seconds;
    return qint64(seconds);
}

// An ID3v1 text field: cut at its first NUL, trailing spaces dropped.
QString TagText(const uchar* p, int size)
{
    int end = 0;
    while (end < size && p[end] != 0)
        ++end;
    while (end > 0 && p[end - 1] == ' ')
        --end;
    return WireToDisplay(QByteArray(reinterpret_cast<const char*>(p), end));
}

QByteArray CurrentDirectory()
{
    QByteArray dir(4096, Qt::Uninitialized);
    while (::getcwd(dir.data(), size_t(dir.size())) == nullptr) {
        if (errno != ERANGE || dir.size() > (1 << 20))
            return QByteArrayLiteral("/");
        dir.resize(dir.size() * 2);
    }
    dir.truncate(qsizetype(std::strlen(dir.constData())));
    return dir;
}

// The path made absolute against the current directory, with empty, "." and ".." segments
// resolved as text.
QByteArray ExpandPath(const QByteArray& path)
{
    if (path.isEmpty())
        return {};
    QByteArray full = path.startsWith('/') ? path : CurrentDirectory() + '/' + path;
    if (!full.contains("//") && !full.contains("/.") && !full.endsWith('/'))
        return full; // the usual case: a path straight from a folder listing
    QList<QByteArray> segments;
    for (const QByteArray& segment : full.split('/')) {
        if (segment.isEmpty() || segment == ".")
            continue;
        if (segment == "..") {
            if (!segments.isEmpty())
                segments.removeLast();
            continue;
        }
        segments.append(segment);
    }
    return '/' + segments.join('/');
}

} // namespace

TMPEGAudio::TMPEGAudio() = default;
TMPEGAudio::~TMPEGAudio() = default;

void TMPEGAudio::setFileName(const QString& path)
{
    setFileName(QFile::encodeName(path));
}

void TMPEGAudio::setFileName(const QByteArray& nativePath)
{
    reset();
    m_length = 0;
    m_fileName = ExpandPath(nativePath);
    inspect();
    m_reader.close();
}

QString TMPEGAudio::fileName() const
{
    return QFile::decodeName(m_fileName);
}

QString TMPEGAudio::shortName() const
{
    const qsizetype slash = m_fileName.lastIndexOf('/');
    return QFile::decodeName(m_fileName.mid(slash + 1)).left(30);
}

// Clears what an inspection finds. The file name and the length stay: they describe the file,
// not what was found in it.
void TMPEGAudio::reset()
{
    m_version = 0;
    m_layer = 0;
    m_sampleRate = 0;
    m_bitRate = 0;
    m_mode = 0;
    m_protectionBit = 0;
    m_paddingBit = 0;
    m_copyrightBit = 0;
    m_originalBit = 0;
    m_frameLength = 0;
    m_duration = 0;
    m_headerOffset = -1;
    m_title.clear();
    m_artist.clear();
    m_album.clear();
    m_year.clear();
    m_comment.clear();
    m_track = 0;
    m_genre = 255;
}

void TMPEGAudio::inspect()
{
    switch (m_reader.open(m_fileName)) {
    case BlockFileReader::OpenResult::NotFound:
        m_title = (QStringLiteral("[not found: ") + fileName() + u']').left(30);
        return;
    case BlockFileReader::OpenResult::Unreadable:
        return;
    case BlockFileReader::OpenResult::Opened:
        break;
    }
    if (m_reader.size() <= 5)
        return;
    m_length = m_reader.size();

    m_headerOffset = findHeaderPair(0);
    if (m_headerOffset < 0) {
        reset(); // no MPEG audio: every number but the length is 0
        return;
    }
    readXingHeader(m_headerOffset);
}

qint64 TMPEGAudio::findHeaderPair(qint64 from)
{
    qint64 pos = from;
    while (pos <= m_length - 4) {
        if (!m_reader.holds(pos, 4)) {
            // A header begins with 0xFF, and a hole of a sparse file reads as zeros: no header
            // starts in a hole, so the search goes on where data starts again.
            pos = m_reader.dataFrom(pos);
            if (pos > m_length - 4)
                break;
        }
        qsizetype available = 0;
        const uchar* p = m_reader.window(pos, 4, &available);
        if (available < 4)
            return -1; // the file ended early: it shrank since it was opened
        const qsizetype starts = available - 3; // four-byte windows wholly in the buffer

        // Walk the candidates in the buffer, up to where the search must read on.
        qsizetype i = 0;
        qint64 resume = -1;
        while (resume < 0) {
            if (i < starts)
                i += FindHeaderStart(p + i, starts - i);
            if (i >= starts) {
                resume = pos + i;
                break;
            }
            const qint64 offset = pos + i;
            const int frameLength = CandidateFrameLength(p + i); // not 0: the same test
            if (offset + frameLength > m_length - 4) {
                // No room for a partner before the end: passed over with its four bytes. It is
                // never taken alone.
                i += 4;
            } else if (i + frameLength + 4 <= available) {
                const uchar* partner = p + i + frameLength;
                if (CandidateFrameLength(partner) != 0) {
                    acceptPair(BigEndian32(partner));
                    return offset;
                }
                i += 1;
            } else {
                // The partner lies beyond the buffer: read on from the candidate, which is then
                // looked at again. A short read means the file shrank: no room after all.
                const qsizetype span = frameLength + 4;
                qsizetype got = 0;
                m_reader.window(offset, span, &got);
                resume = got >= span ? offset : offset + 4;
            }
        }
        pos = resume;
    }
    return -1;
}

void TMPEGAudio::acceptPair(quint32 second)
{
    const FrameHeader h = DecodeHeader(second, m_length);
    m_version = h.version;
    m_layer = h.layer;
    m_sampleRate = h.sampleRate;
    m_bitRate = h.bitRate;
    m_mode = h.mode;
    m_protectionBit = h.protectionBit;
    m_paddingBit = h.paddingBit;
    m_copyrightBit = h.copyrightBit;
    m_originalBit = h.originalBit;
    m_frameLength = h.frameLength;
    m_duration = h.duration;
}

void TMPEGAudio::readXingHeader(qint64 headerOffset)
{
    const qint64 at = headerOffset + XingOffset(m_version, m_mode);
    uchar id[4];
    if (!m_reader.readAt(at, id, 4))
        return;
    if (std::memcmp(id, "Xing", 4) == 0) {
        m_bitRate = VariableBitRate;
        // Flags, frame count, byte count, 100-byte table of contents, quality: read as one
        // block, present or not.
        uchar xing[116];
        if (!m_reader.readAt(at + 4, xing, sizeof xing))
            return;
        const quint32 flags = BigEndian32(xing);
        const quint32 frames = (flags & 1) ? BigEndian32(xing + 4) : 0;
        m_duration = RoundedSeconds(quint64(SamplesPerFrame(m_version, m_layer)), frames,
                                    quint64(m_sampleRate));
        m_frameLength = frames != 0 ? m_length / frames : 0;
    }
    readId3v1Tag();
}

void TMPEGAudio::readId3v1Tag()
{
    if (m_length > 128) {
        uchar tag[128];
        if (!m_reader.readAt(m_length - 128, tag, sizeof tag))
            return;
        if (std::memcmp(tag, "TAG", 3) == 0) {
            m_title = TagText(tag + 3, 30);
            m_artist = TagText(tag + 33, 30);
            m_album = TagText(tag + 63, 30);
            m_year = TagText(tag + 93, 4);
            m_comment = TagText(tag + 97, 30);
            m_track = tag[126]; // ID3v1.1: comment byte 29, valid when byte 28 is 0
            m_genre = tag[127];
            return;
        }
    }
    m_title = shortName();
}
