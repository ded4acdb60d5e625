#include "chat/irctags.h"

#include "protocol/wiretext.h"

#include <algorithm>

namespace {

constexpr std::array<bool, 256> MakeTagTable()
{
    std::array<bool, 256> table{};
    for (const char tag : {Tag::Bold, Tag::Color, Tag::Reset, Tag::Reverse, Tag::LinkStart,
                           Tag::LinkEnd, Tag::Underline})
        table[static_cast<unsigned char>(tag)] = true;
    return table;
}
constexpr std::array<bool, 256> TagTable = MakeTagTable();

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int NumberValue(QByteArrayView digits)
{
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// Gives the byte just taken off the front of `rest` back to it. Only valid right after that
// byte was taken, which is the only way ParseColor uses it.
void PutBackOne(QByteArrayView& rest)
{
    rest = QByteArrayView(rest.data() - 1, rest.size() + 1);
}

// ANSI-style numbers that the colour tag also accepts.
int MapForeground(int number)
{
    static constexpr int From30[8] = {1, 4, 3, 5, 2, 6, 10, 15};
    static constexpr int From50[8] = {14, 7, 9, 8, 12, 13, 11, 0};
    if (number <= 15)
        return number;
    if (number == 16)
        return 0;
    if (number >= 30 && number <= 37)
        return From30[number - 30];
    if (number >= 50 && number <= 57)
        return From50[number - 50];
    return 15; // ReadColorNumber never yields another number; stay a valid index regardless
}

int MapBackground(int number)
{
    static constexpr int From40[8] = {1, 4, 3, 5, 2, 6, 10, 0};
    if (number >= 40 && number <= 47)
        return From40[number - 40];
    return number <= 15 ? number : 1;
}

bool SameFormat(const FormatRun& a, const FormatRun& b)
{
    return a.link == b.link && a.foreground == b.foreground && a.background == b.background &&
           a.styles == b.styles;
}

// UTF-16 code units that one byte of valid UTF-8 adds: lead bytes of four-byte sequences
// become a surrogate pair, continuation bytes add nothing.
int Utf16UnitsOf(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    if ((b & 0xC0) == 0x80)
        return 0;
    return b >= 0xF0 ? 2 : 1;
}

// Run starts are byte offsets into `plain` until here; afterwards they are offsets into
// `text`, the decoded `plain`. WireToDisplay gives either one character per byte or UTF-8,
// and UTF-8 always gives fewer code units than bytes once a byte above 0x7F occurs, so equal
// sizes mean the offsets carry over as they are.
void MapRunStarts(QList<FormatRun>& runs, const QByteArray& plain, const QString& text)
{
    if (text.size() != plain.size()) {
        qsizetype units = 0;
        qsizetype byte = 0;
        for (FormatRun& run : runs) {
            for (; byte < run.start; ++byte)
                units += Utf16UnitsOf(plain.at(byte));
            run.start = qint32(units);
        }
    }
    // Never point past the text, whatever the decoder did.
    for (FormatRun& run : runs)
        run.start = qint32(qMin<qsizetype>(run.start, text.size()));
}

// Drops runs left empty by the mapping (a tag between the bytes of one character) and merges
// neighbours that ended up equal.
void TidyRuns(QList<FormatRun>& runs, qsizetype textSize)
{
    QList<FormatRun> tidy;
    tidy.reserve(runs.size());
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const FormatRun& run = runs.at(i);
        const qsizetype end = i + 1 < runs.size() ? runs.at(i + 1).start : textSize;
        if (run.start >= end)
            continue;
        if (!tidy.isEmpty() && SameFormat(tidy.last(), run))
            continue;
        tidy.append(run);
    }
    if (!tidy.isEmpty())
        tidy.first().start = 0;
    if (tidy.size() == 1 && tidy.first().isDefault())
        tidy.clear();
    tidy.squeeze();
    runs = std::move(tidy);
}

} // namespace

const std::array<QRgb, 16>& TagPalette()
{
    static constexpr std::array<QRgb, 16> palette{
        qRgb(0xFF, 0xFF, 0xFF), // 0 white
        qRgb(0x00, 0x00, 0x00), // 1 black
        qRgb(0x00, 0x00, 0x80), // 2 navy
        qRgb(0x00, 0x80, 0x00), // 3 green
        qRgb(0x80, 0x00, 0x00), // 4 maroon
        qRgb(0x80, 0x80, 0x00), // 5 olive
        qRgb(0x80, 0x00, 0x80), // 6 purple
        qRgb(0xFF, 0x00, 0x00), // 7 red
        qRgb(0xFF, 0xFF, 0x00), // 8 yellow
        qRgb(0x00, 0xFF, 0x00), // 9 lime
        qRgb(0x00, 0x80, 0x80), // 10 teal
        qRgb(0x00, 0xFF, 0xFF), // 11 aqua
        qRgb(0x00, 0x00, 0xFF), // 12 blue
        qRgb(0xFF, 0x00, 0xFF), // 13 fuchsia
        qRgb(0x80, 0x80, 0x80), // 14 gray
        qRgb(0xC0, 0xC0, 0xC0), // 15 silver
    };
    return palette;
}

bool IsTagByte(char c)
{
    return TagTable[static_cast<unsigned char>(c)];
}

bool IsTag(QByteArrayView token)
{
    return !token.isEmpty() && IsTagByte(token.front());
}

QByteArrayView NextTag(QByteArrayView& rest)
{
    if (rest.isEmpty())
        return {};
    if (IsTagByte(rest.front())) {
        const QByteArrayView token = rest.first(1);
        rest = rest.sliced(1);
        return token;
    }
    qsizetype end = 1;
    while (end < rest.size() && !IsTagByte(rest.at(end)))
        ++end;
    const QByteArrayView token = rest.first(end);
    rest = rest.sliced(end);
    return token;
}

QByteArray StripTags(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        if (!IsTagByte(c))
            out.append(c);
    }
    return out;
}

QByteArray MarkLinks(QByteArrayView line)
{
    static constexpr QByteArrayView Prefixes[] = {"http://", "ftp://", "www.", "ftp."};

    // ASCII lower case keeps every byte where it was, so positions found in the copy hold in
    // the line.
    const QByteArray lower = line.toByteArray().toLower();
    QByteArray out;
    out.reserve(line.size() + 8);
    qsizetype pos = 0;
    while (pos < line.size()) {
        if (line.at(pos) == ' ') {
            out.append(' ');
            ++pos;
            continue;
        }
        qsizetype end = line.indexOf(' ', pos);
        if (end < 0)
            end = line.size();
        const QByteArrayView word = line.sliced(pos, end - pos);
        const QByteArrayView lowerWord = QByteArrayView(lower).sliced(pos, end - pos);
        pos = end;

        qsizetype found = -1;
        for (const QByteArrayView prefix : Prefixes) {
            found = lowerWord.indexOf(prefix);
            if (found >= 0)
                break;
        }
        if (found >= 0) {
            out.append(word.first(found));
            out.append(Tag::LinkStart);
            out.append(word.sliced(found));
            out.append(Tag::LinkEnd);
            continue;
        }
        const qsizetype at = word.indexOf('@');
        const qsizetype dot = word.indexOf('.');
        if (at >= 0 && dot > at) {
            out.append(Tag::LinkStart);
            out.append(word);
            out.append(Tag::LinkEnd);
        } else {
            out.append(word);
        }
    }
    return out;
}

QByteArrayView ReadColorNumber(QByteArrayView& rest)
{
    qsizetype count = 0;
    while (count < 2 && count < rest.size() && IsDigit(rest.at(count)))
        ++count;
    if (count == 2) {
        const int value = NumberValue(rest.first(2));
        const bool twoDigitColour = value <= 16 || (value >= 30 && value <= 37) ||
                                    (value >= 40 && value <= 47) || (value >= 50 && value <= 57);
        if (!twoDigitColour)
            count = 1;
    }
    const QByteArrayView digits = rest.first(count);
    rest = rest.sliced(count);
    return digits;
}

ColorPair ParseColor(QByteArrayView& rest)
{
    int foreground = 15;
    int background = 1;
    if (rest.startsWith("-1")) {
        rest = rest.sliced(2);
        return {foreground, background};
    }
    QByteArrayView number = ReadColorNumber(rest);
    if (!number.isEmpty()) {
        foreground = NumberValue(number);
        // Background numbers are no foreground: read "4" and leave the second digit as text.
        if (foreground >= 40 && foreground <= 47) {
            foreground /= 10;
            PutBackOne(rest);
        }
    }
    if (rest.startsWith(',')) {
        rest = rest.sliced(1);
        if (rest.startsWith("-1")) {
            rest = rest.sliced(2);
            foreground = 15;
            background = 1;
        } else {
            number = ReadColorNumber(rest);
            if (!number.isEmpty()) {
                background = NumberValue(number);
                if ((background > 10 && background < 40) || background > 47) {
                    background /= 10;
                    PutBackOne(rest);
                }
            }
        }
    }
    return {MapForeground(foreground), MapBackground(background)};
}

FontStyles ToggleStyle(FontStyles styles, FontStyle element)
{
    return styles ^ element;
}

qsizetype TaggedLineParts::runAt(qsizetype pos) const
{
    if (pos < 0 || pos >= text.size() || runs.isEmpty())
        return -1;
    const auto after =
        std::upper_bound(runs.cbegin(), runs.cend(), pos,
                         [](qsizetype p, const FormatRun& r) { return p < r.start; });
    return (after - runs.cbegin()) - 1;
}

QString TaggedLineParts::runText(qsizetype i) const
{
    if (i < 0 || i >= runs.size())
        return {};
    const qsizetype start = runs.at(i).start;
    const qsizetype end = i + 1 < runs.size() ? runs.at(i + 1).start : text.size();
    return text.mid(start, end - start);
}

TaggedLineParts ConvertTaggedLine(QByteArrayView taggedLine)
{
    const QByteArray marked = MarkLinks(taggedLine);
    QByteArrayView rest(marked);
    QByteArray plain;
    plain.reserve(marked.size());
    QList<FormatRun> runs;
    FormatRun current;

    auto resetFormat = [&current] {
        current.foreground = FormatRun::DefaultForeground;
        current.background = FormatRun::DefaultBackground;
        current.styles = 0;
    };
    auto toggle = [&current](FontStyle element) {
        current.styles = quint8(ToggleStyle(current.fontStyles(), element).toInt());
    };

    for (QByteArrayView token = NextTag(rest); !token.isEmpty(); token = NextTag(rest)) {
        if (!IsTag(token)) {
            if (runs.isEmpty() || !SameFormat(runs.last(), current)) {
                FormatRun run = current;
                run.start = qint32(plain.size());
                runs.append(run);
            }
            plain.append(token);
            continue;
        }
        switch (token.front()) {
        case Tag::Bold:
            toggle(FontStyle::Bold);
            break;
        case Tag::Underline:
            toggle(FontStyle::Underline);
            break;
        case Tag::Color: {
            const ColorPair colours = ParseColor(rest);
            current.foreground = qint8(colours.foreground);
            current.background = qint8(colours.background);
            break;
        }
        case Tag::Reverse:
            std::swap(current.foreground, current.background);
            break;
        case Tag::Reset:
            // The link, if any, goes on: only its end clears it.
            resetFormat();
            break;
        case Tag::LinkStart:
            // The key is where the target starts in the marked line; LinkTarget reads it back.
            current.link = qint32(rest.data() - marked.constData()) + 1;
            toggle(FontStyle::Underline);
            break;
        case Tag::LinkEnd:
            current.link = 0;
            resetFormat();
            break;
        }
    }

    TaggedLineParts parts;
    parts.text = WireToDisplay(plain);
    MapRunStarts(runs, plain, parts.text);
    // One line is one line on screen: breaks that came inside it are shown as spaces.
    for (QChar& c : parts.text) {
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    parts.text.squeeze();
    TidyRuns(runs, parts.text.size());
    parts.runs = std::move(runs);
    return parts;
}

QString LinkTarget(QByteArrayView taggedLine, qint32 link)
{
    if (link <= 0)
        return {};
    const QByteArray marked = MarkLinks(taggedLine);
    const qsizetype start = qsizetype(link) - 1;
    if (start < 1 || start > marked.size() || marked.at(start - 1) != Tag::LinkStart)
        return {};
    QByteArrayView rest = QByteArrayView(marked).sliced(start);
    const qsizetype end = rest.indexOf(Tag::LinkEnd);
    if (end >= 0)
        rest = rest.first(end + 1);
    return WireToDisplay(StripTags(rest));
}
