#pragma once

// Tagged chat text: lines in which single control bytes ("tags") switch bold, underline,
// colours and links on and off. Chat handlers build lines with them, users type them, and
// other clients send them, so every function here takes any bytes at all and runs in time
// linear in the length of its input.
//
// Parsing works on the bytes and decodes text only at the end (see ConvertTaggedLine): the
// tags and the colour digits are ASCII, so they never sit inside a valid multi-byte UTF-8
// sequence, and cutting the bytes at them does not change how the text decodes. The text of
// a whole line is decoded in one piece with WireToDisplay, so a line reads as UTF-8 or as
// Windows-1252 throughout, never half and half, and the run positions are then carried over
// from bytes to characters.

#include <QByteArray>
#include <QByteArrayView>
#include <QFlags>
#include <QList>
#include <QRgb>
#include <QString>
#include <array>

namespace Tag {
constexpr char Bold = 0x02;
constexpr char Color = 0x03;
constexpr char Reset = 0x0F;
constexpr char Reverse = 0x16;
constexpr char LinkStart = 0x19;
constexpr char LinkEnd = 0x1A;
constexpr char Underline = 0x1F;
} // namespace Tag

enum class FontStyle : quint8 { Bold = 0x1, Underline = 0x2 };
Q_DECLARE_FLAGS(FontStyles, FontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(FontStyles)

// Foreground and background as palette indices (0..15).
struct ColorPair {
    int foreground = 15;
    int background = 1;
    friend bool operator==(const ColorPair&, const ColorPair&) = default;
};

// The 16 colours that colour numbers select; index 4 is maroon and 7 red.
const std::array<QRgb, 16>& TagPalette();

// True when the byte is one of the seven tags.
bool IsTagByte(char c);
// True when the token's first byte is a tag.
bool IsTag(QByteArrayView token);
// Takes the next token off the front of `rest`: one tag byte, or the longest run of bytes
// without a tag. Empty when `rest` is empty. The token points into the same bytes as `rest`.
QByteArrayView NextTag(QByteArrayView& rest);
// The text without the seven tag bytes; colour digits and everything else stay.
QByteArray StripTags(QByteArrayView text);
// Puts link start and link end tags around web and mail addresses, word by word.
QByteArray MarkLinks(QByteArrayView line);
// Reads up to two colour digits off the front of `rest` and returns them; a two-digit number
// is taken only when it is 00-16, 30-37, 40-47 or 50-57, else only its first digit.
QByteArrayView ReadColorNumber(QByteArrayView& rest);
// Reads the colour numbers that follow a colour tag off the front of `rest`; the result is
// always a pair of valid palette indices.
ColorPair ParseColor(QByteArrayView& rest);
// Flips one style element.
FontStyles ToggleStyle(FontStyles styles, FontStyle element);

// One converted line: display text plus format runs.
//
// A run holds from its start to the next run's start (or the end of the text). Colours are
// palette indices, or DefaultForeground / DefaultBackground for the view's own text and
// background colours; those two are kept apart from the palette because reverse swaps them
// (a reversed default is drawn in the view's background colour on its text colour).
struct FormatRun {
    static constexpr qint8 DefaultForeground = -1;
    static constexpr qint8 DefaultBackground = -2;

    qint32 start = 0;
    // 0 for none; otherwise an opaque key, see LinkTarget().
    qint32 link = 0;
    qint8 foreground = DefaultForeground;
    qint8 background = DefaultBackground;
    quint8 styles = 0; // FontStyles bits

    FontStyles fontStyles() const { return FontStyles::fromInt(styles); }
    bool isDefault() const
    {
        return link == 0 && foreground == DefaultForeground && background == DefaultBackground &&
               styles == 0;
    }
    friend bool operator==(const FormatRun&, const FormatRun&) = default;
};
Q_DECLARE_TYPEINFO(FormatRun, Q_PRIMITIVE_TYPE);

struct TaggedLineParts {
    QString text;
    // Empty when the whole text is drawn in the view's defaults (the common case for plain
    // lines, which then cost no run storage at all).
    QList<FormatRun> runs;

    // Index of the run that holds character `pos` of the text, or -1.
    qsizetype runAt(qsizetype pos) const;
    // Text of run i.
    QString runText(qsizetype i) const;
};

// Cuts one tagged line into display text and runs: links are marked first, then each tag
// changes the current format, starting from the view's defaults. An empty line gives empty
// text and no runs. Line breaks inside the line are shown as spaces, so that one line stays
// one line on screen.
TaggedLineParts ConvertTaggedLine(QByteArrayView taggedLine);

// The link target of a run of `taggedLine` whose link key is `link`: the text from the link
// start up to and including the next link end, tags stripped, as display text. Empty when
// `link` is 0 or not a key of this line.
//
// Targets are recomputed on demand instead of being stored with the runs: a hostile line with
// thousands of link starts and no link end would otherwise store a near copy of the rest of
// the line for each of them.
QString LinkTarget(QByteArrayView taggedLine, qint32 link);
