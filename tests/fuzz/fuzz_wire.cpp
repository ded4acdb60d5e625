// libFuzzer entry for everything that reads bytes from a server: the field splitters, the text
// helpers, display decoding, remote file names and the frame reader in both layouts.
// Besides crashes, sanitizer reports and hangs, it checks the promises the callers rely on
// and traps when one is broken. See README.md for how to build and run it.

#include "protocol/framereader.h"
#include "protocol/wireformat.h"
#include "protocol/wiretext.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

struct ReadResult {
    std::vector<Frame> frames;
    qsizetype pending = 0;
    bool malformed = false;
};

void Drain(FrameReader& reader, ReadResult& result)
{
    while (auto frame = reader.next())
        result.frames.push_back(*frame);
}

ReadResult ReadWhole(FrameReader::Layout layout, const QByteArray& bytes)
{
    FrameReader reader(layout);
    ReadResult result;
    reader.append(bytes);
    Drain(reader, result);
    result.pending = reader.pendingBytes();
    result.malformed = reader.isMalformed();
    return result;
}

ReadResult ReadSplit(FrameReader::Layout layout, const QByteArray& bytes, qsizetype cut)
{
    FrameReader reader(layout);
    ReadResult result;
    reader.append(bytes.constData(), cut);
    Drain(reader, result);
    reader.append(bytes.constData() + cut, bytes.size() - cut);
    Drain(reader, result);
    result.pending = reader.pendingBytes();
    result.malformed = reader.isMalformed();
    return result;
}

ReadResult ReadByteByByte(FrameReader::Layout layout, const QByteArray& bytes)
{
    FrameReader reader(layout);
    ReadResult result;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        reader.append(bytes.constData() + i, 1);
        Drain(reader, result);
    }
    result.pending = reader.pendingBytes();
    result.malformed = reader.isMalformed();
    return result;
}

void FuzzFrameReader(FrameReader::Layout layout, const QByteArray& bytes, qsizetype cut)
{
    const ReadResult whole = ReadWhole(layout, bytes);
    const ReadResult split = ReadSplit(layout, bytes, cut);
    const ReadResult single = ReadByteByByte(layout, bytes);

    // However the stream is cut, the same frames come out and malformation is found alike.
    Check(split.frames == whole.frames);
    Check(single.frames == whole.frames);
    Check(split.malformed == whole.malformed);
    Check(single.malformed == whole.malformed);

    // Without malformation every byte is either in a frame or still pending.
    const qsizetype header = layout == FrameReader::Layout::Word16 ? 4 : 8;
    qsizetype framed = 0;
    for (const Frame& frame : whole.frames) {
        framed += header + frame.payload.size();
        if (layout == FrameReader::Layout::Word16)
            Check(frame.type <= 0xFFFF);
    }
    Check(framed + whole.pending == bytes.size());
    if (!whole.malformed) {
        Check(split.pending == whole.pending);
        Check(single.pending == whole.pending);
    }
}

void FuzzFrameRoundTrip(const QByteArray& payload, quint16 type)
{
    // What we send must read back as what we meant, cut to the largest frame we send.
    FrameReader reader;
    reader.append(BuildFrame(type, payload));
    const auto frame = reader.next();
    Check(frame.has_value());
    Check(frame->type == type);
    Check(frame->payload == payload.left(MaxSentPayloadSize));
    Check(reader.pendingBytes() == 0);

    FrameReader reader32(FrameReader::Layout::Int32);
    reader32.append(BuildFrame32(1, BuildLogin32Payload(payload, payload.left(7))));
    const auto login = reader32.next();
    Check(login.has_value());
    Check(login->type == 1);
    Check(login->payload.size() ==
          4 + payload.size() + 4 + std::min<qsizetype>(7, payload.size()) + 4);
}

void FuzzSplitters(const QByteArray& payload, int n)
{
    const qsizetype expected = std::clamp(n, 1, 255);

    const QByteArrayList fields = SplitFields(payload, n);
    Check(fields.size() == expected);
    qsizetype total = 0;
    for (const QByteArray& field : fields) {
        Check(!field.contains('"'));
        total += field.size();
    }
    Check(total <= payload.size());

    const QByteArrayList kept = SplitFieldsKeepQuotes(payload, n);
    Check(kept.size() == expected);
    total = 0;
    for (const QByteArray& field : kept)
        total += field.size();
    Check(total <= payload.size());
    Check(total >= payload.size() - (expected - 1));
}

void FuzzTextHelpers(const QByteArray& bytes, qsizetype cut)
{
    const QByteArray text = bytes.mid(cut);
    const QByteArray delimiter = bytes.left(std::min<qsizetype>(cut, 3));
    const QByteArray before = TextBefore(text, delimiter);
    const QByteArray after = TextAfter(text, delimiter);
    Check(text.startsWith(before));
    Check(text.endsWith(after));

    const QByteArray dotted = DecimalToDottedIp(bytes);
    Check(dotted.count('.') == 3 && dotted.size() >= 7 && dotted.size() <= 15);

    const QByteArray trimmed = TrimSpaces(bytes);
    Check(!trimmed.startsWith(' ') && !trimmed.endsWith(' '));

    const QString display = WireToDisplay(bytes);
    Check(bytes.isEmpty() == display.isEmpty());
    Check(WireToDisplay(DisplayToWire(display)) == display);

    const QString pattern = WireToDisplay(bytes.left(cut));
    const QString subject = WireToDisplay(bytes.mid(cut));
    (void)WildcardMatch(subject, pattern);
    (void)WildcardMatch(QString::fromLatin1(bytes), QString::fromLatin1(bytes.left(cut)));
    Check(WildcardMatch(subject, subject));

    const QByteArray name = SafeFileName(bytes);
    Check(!name.contains('/') && !name.contains('\\') && !name.contains(':'));
    Check(!name.contains('\0') && name != "." && name != "..");

    Check(WirePathToLocal(LocalPathToWire(bytes)).size() == bytes.size());

    if (bytes.size() >= 8) {
        qint64 seconds = 0;
        std::memcpy(&seconds, bytes.constData(), sizeof seconds);
        (void)FormatMinSec(seconds);
        (void)FormatDuration(seconds);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // First byte: field count, spread to reach the negative and above-255 clamps as well.
    const int n = int(data[0]) * 2 - 64;
    // Second byte: where to cut the input for the two-part reads and the text helpers.
    const qsizetype cut = size > 1 ? qsizetype(data[1]) * qsizetype(size) / 256 : 0;
    const QByteArray rest = bytes.mid(1);

    FuzzSplitters(rest, n);
    FuzzTextHelpers(rest, std::min(cut, rest.size()));
    FuzzFrameReader(FrameReader::Layout::Word16, bytes, cut);
    FuzzFrameReader(FrameReader::Layout::Int32, bytes, cut);
    FuzzFrameRoundTrip(rest, quint16(data[0] << 8 | (size & 0xFF)));
    return 0;
}
