#include "sharing/sharepath.h"

#include "protocol/wiretext.h"

#include <algorithm>

namespace {

inline uchar FoldAscii(uchar c)
{
    return (c >= 'A' && c <= 'Z') ? uchar(c + ('a' - 'A')) : c;
}

} // namespace

bool SharePathLess(const QByteArray& a, const QByteArray& b)
{
    const auto* pa = reinterpret_cast<const uchar*>(a.constData());
    const auto* pb = reinterpret_cast<const uchar*>(b.constData());
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const uchar fa = FoldAscii(pa[i]);
        const uchar fb = FoldAscii(pb[i]);
        if (fa != fb)
            return fa < fb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

void SortSharePaths(QList<QByteArray>& paths)
{
    std::sort(paths.begin(), paths.end(), SharePathLess);
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
}

QByteArray PathFolder(const QByteArray& path)
{
    return path.left(path.lastIndexOf('/') + 1);
}

QByteArray PathFileName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray PathExtension(const QByteArray& path)
{
    const qsizetype nameStart = path.lastIndexOf('/') + 1;
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < nameStart)
        return QByteArray();
    return path.mid(dot);
}

bool IsMpegAudioPath(const QByteArray& path)
{
    return PathExtension(path).compare(QByteArrayLiteral(".mp3"), Qt::CaseInsensitive) == 0;
}

bool IsShareablePath(const QByteArray& path)
{
    if (path.isEmpty() || path.size() > MaxPathLength)
        return false;
    for (const char c : path) {
        if (c == '"' || c == '\r' || c == '\n' || c == '\\' || c == '\0')
            return false;
    }
    return true;
}

QByteArray WireFolder(const QByteArray& path)
{
    QByteArray folder = PathFolder(path);
    folder.chop(folder.isEmpty() ? 0 : 1);
    return LocalPathToWire(folder);
}

QString DisplayPath(const QByteArray& path)
{
    return WireToDisplay(path);
}

QString FileUrlOf(const QByteArray& path)
{
    // Every byte outside the unreserved set is percent-encoded, so the URL is plain ASCII and
    // the desktop's handler decodes it back to exactly these bytes.
    return QString::fromLatin1(QByteArrayLiteral("file://") + path.toPercentEncoding("/"));
}
