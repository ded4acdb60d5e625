#pragma once

// The OpenNap wire format: frame layout, payload building and splitting, and the small text
// helpers that message handlers share. Everything here is a pure function over bytes.
//
// A frame is: 2-byte payload length, 2-byte message type (both low byte first), payload.
// Payloads are 8-bit bytes end to end; see wiretext.h for how they become display text.

#include <QByteArray>
#include <QByteArrayList>
#include <QColor>
#include <QString>

// Largest frame this client sends, header included, and the payload that fits in it.
inline constexpr int MaxSentFrameSize = 2048;
inline constexpr int MaxSentPayloadSize = MaxSentFrameSize - 4;

// 2 bytes: value mod 256, then (value div 256) mod 256.
QByteArray PackWord16(int value);
// 4 bytes, lowest byte first.
QByteArray PackInt32(qint64 value);

// Joins fields with single spaces; nothing is quoted or escaped. One empty field gives an
// empty payload, an empty field between two others gives two adjacent spaces.
QByteArray JoinFields(const QByteArrayList& fields);

// Header + payload. A payload longer than MaxSentPayloadSize is cut to its first
// MaxSentPayloadSize bytes so that the frame is exactly MaxSentFrameSize bytes.
QByteArray BuildFrame(quint16 type, const QByteArray& payload);
QByteArray BuildFrame(quint16 type, const QByteArrayList& fields);

// Second frame layout (login code 1 only): 4-byte length of code + payload, 4-byte code, payload.
QByteArray BuildFrame32(quint32 code, const QByteArray& payload);
// Payload of the second protocol's login: length-prefixed name and password, version 149.
QByteArray BuildLogin32Payload(const QByteArray& name, const QByteArray& password);

// The splitters are linear in the payload and accept any bytes. n is clamped to 1..255: n of 0
// (or less) gives one field, as does 1, and a larger n gives 255 fields.

// Quote-aware split into exactly n fields; every double quote is removed (in the last field
// too), missing fields are empty, surplus text stays in the last field.
QByteArrayList SplitFields(const QByteArray& payload, int n);
// Split into exactly n fields keeping quotes; of a run of spaces only the first separates and
// a leading space stays in field 0 (a payload of one space gives field 0 = " ").
QByteArrayList SplitFieldsKeepQuotes(const QByteArray& payload, int n);

// Case-sensitive, first occurrence. TextBefore is empty when the delimiter is absent; TextAfter
// is then the whole text, and otherwise starts after the delimiter's first byte. An empty
// delimiter counts as absent.
QByteArray TextBefore(const QByteArray& text, const QByteArray& delimiter);
QByteArray TextAfter(const QByteArray& text, const QByteArray& delimiter);

// Decimal text of an unsigned 32-bit number whose lowest byte is the first octet
// ("16777343" -> "127.0.0.1"). Longer numbers keep their low 32 bits; text that is not a
// decimal number (after trimming white space, with an optional sign) gives "0.0.0.0".
QByteArray DecimalToDottedIp(const QByteArray& decimal);

// "mm:ss" with at least two digits each (3725 -> "62:05"). Negative input counts as 0.
QString FormatMinSec(qint64 seconds);
// "1 d 1 h 1 m 1 s " (each non-zero part followed by its unit and a space; 0 -> "").
// Negative input counts as 0.
QString FormatDuration(qint64 seconds);
// Colour of a user level name from a whois reply; unknown names are white.
QColor LevelColor(const QByteArray& level);
// Case-insensitive; "?" matches one character and the first "*" reached ends the match with
// true, so it is a prefix test rather than a glob ("A*C" matches "axyz").
bool WildcardMatch(const QString& text, const QString& pattern);

// Removes leading and trailing space characters only (tabs stay).
QByteArray TrimSpaces(const QByteArray& text);
QString TrimSpaces(const QString& text);
