// Text on the wire, text on screen, and file names.
//
// Display text versus wire bytes
//   The OpenNap protocol carries 8-bit bytes with no declared character set. Older clients
//   send their Windows code page (in practice Windows-1252); newer ones send UTF-8. Payloads
//   therefore stay QByteArray from the socket to the handler, and only become QString at the
//   moment they are shown (WireToDisplay). Valid UTF-8 is read as UTF-8, because a cp1252
//   text is almost never valid UTF-8 by accident; anything else is read as Windows-1252, in
//   which every byte maps to exactly one character, so no received byte is ever dropped or
//   turned into U+FFFD. What the user types goes out as UTF-8 (DisplayToWire).
//   Qt 6.4's QStringDecoder has no Windows-1252 codec (only UTF-8/16/32, Latin-1 and the
//   system locale), so the table is written out below. The five bytes that Windows-1252 leaves
//   undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as
//   Windows itself does.
//
// File names versus wire bytes
//   A Linux file name is a byte string with no guaranteed encoding. A QString file name is
//   lossy there: QFile::decodeName turns invalid UTF-8 into U+FFFD, and the name cannot be
//   opened again afterwards. So a local path that must round-trip (a shared file announced to
//   a server, then requested by a peer and opened) is kept as the raw bytes the file system
//   gave us, and those bytes go onto the wire unchanged apart from the separator
//   (LocalPathToWire, WirePathToLocal). Converting to QString is for showing a name only.
//   QFile::encodeName is used only for paths that came from display text (a folder the user
//   picked or typed), where the QString is the original.
//
// Remote names are not local paths
//   WirePathToLocal only swaps separators so that a requested name can be compared with the
//   shared file list; its result may hold "..", absolute paths or anything else a peer sends,
//   and must never be opened as it stands. A name that will become a file on our disk goes
//   through SafeFileName, which keeps only a plain last component; an empty result means the
//   name is refused.

#include "protocol/wiretext.h"

#include <QStringDecoder>

namespace {

// Windows-1252 for 0x80..0x9F; every other byte is the Latin-1 code point of the same value.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

QString FromCp1252(const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *dst++ = (b >= 0x80 && b <= 0x9F) ? QChar(Cp1252High[b - 0x80]) : QChar(char16_t(b));
    }
    return out;
}

QByteArray Replaced(QByteArray bytes, char from, char to)
{
    bytes.replace(from, to);
    return bytes;
}

} // namespace

QString WireToDisplay(const QByteArray& bytes)
{
    // Stateless: a sequence cut off at the end is an error, not something to wait for.
    // ConvertInitialBom: a leading BOM is kept as U+FEFF rather than silently dropped.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return FromCp1252(bytes);
}

QByteArray DisplayToWire(const QString& text)
{
    return text.toUtf8();
}

QByteArray LocalPathToWire(const QByteArray& nativePath)
{
    return Replaced(nativePath, '/', '\\');
}

QByteArray WirePathToLocal(const QByteArray& wirePath)
{
    return Replaced(wirePath, '\\', '/');
}

QByteArray SafeFileName(const QByteArray& remoteName)
{
    // NUL bytes go first: a name such as ".\0." must not survive as ".." once they are gone,
    // and a NUL would cut the name short at the system call.
    QByteArray name = remoteName;
    name.removeIf([](char c) { return c == '\0'; });
    qsizetype cut = -1;
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const char c = name.at(i);
        if (c == '\\' || c == '/' || c == ':') {
            cut = i;
            break;
        }
    }
    name = name.mid(cut + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return QByteArray();
    return name;
}
