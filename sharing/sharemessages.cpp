#include "sharing/sharemessages.h"

#include "protocol/wireformat.h"
#include "protocol/wiretext.h"
#include "sharing/sharepath.h"

namespace {

QByteArray Quoted(const QByteArray& text)
{
    return '"' + text + '"';
}

} // namespace

QByteArrayList ShareFileFields(const QByteArray& path, qint64 size, int bitRate, int sampleRate,
                               qint64 duration)
{
    return {Quoted(LocalPathToWire(path)),  ZeroDigest,
            QByteArray::number(size),       QByteArray::number(bitRate),
            QByteArray::number(sampleRate), QByteArray::number(duration)};
}

QByteArrayList UnshareFileFields(const QByteArray& path)
{
    return {LocalPathToWire(path)};
}

QByteArrayList ShareGenericFields(const QByteArray& path, qint64 size, const QByteArray& kind)
{
    return {Quoted(LocalPathToWire(path)), QByteArray::number(size), ZeroDigest, kind};
}

bool FitsOneFrame(const QByteArrayList& fields)
{
    qsizetype length = fields.isEmpty() ? 0 : fields.size() - 1;
    for (const QByteArray& field : fields)
        length += field.size();
    return length <= MaxSentPayloadSize;
}

QByteArray MpegEntry(const QByteArray& path, qint64 size, int bitRate, int sampleRate,
                     qint64 duration)
{
    return " \"" + PathFileName(path) + "\" " + ZeroDigest + ' ' + QByteArray::number(size) + ' ' +
           QByteArray::number(bitRate) + ' ' + QByteArray::number(sampleRate) + ' ' +
           QByteArray::number(duration);
}

FolderBatch::FolderBatch(const QByteArray& path)
    : m_head(Quoted(WireFolder(path)))
    , m_text(m_head)
{
    static_assert(MaxLength == MaxSentPayloadSize);
}

bool FolderBatch::append(const QByteArray& entry, QByteArray* full)
{
    if (m_text.size() + entry.size() <= MaxLength) {
        m_text += entry;
        return false;
    }
    if (full)
        *full = m_text;
    m_text = m_head + entry;
    return true;
}
