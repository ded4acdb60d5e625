#include "tst_wireformat.h"

#include "protocol/wireformat.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex));
}

// Bytes with embedded NULs, which a plain literal would cut short.
template <qsizetype N> QByteArray Raw(const char (&bytes)[N])
{
    return QByteArray(bytes, N - 1);
}

QByteArray Without(QByteArray bytes, char c)
{
    bytes.removeIf([c](char x) { return x == c; });
    return bytes;
}

} // namespace

void TestWireFormat::packing_data()
{
    QTest::addColumn<QByteArray>("packed");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("word16 0") << PackWord16(0) << Hex("0000");
    QTest::newRow("word16 700") << PackWord16(700) << Hex("bc02");
    QTest::newRow("word16 65535") << PackWord16(65535) << Hex("ffff");
    QTest::newRow("word16 65536 wraps") << PackWord16(65536) << Hex("0000");
    QTest::newRow("word16 -1 wraps") << PackWord16(-1) << Hex("ffff");
    QTest::newRow("int32 149") << PackInt32(149) << Hex("95000000");
    QTest::newRow("int32 byte order") << PackInt32(0x01020304) << Hex("04030201");
    QTest::newRow("int32 above 32 bits") << PackInt32((qint64(1) << 32) + 5) << Hex("05000000");
    QTest::newRow("int32 -1") << PackInt32(-1) << Hex("ffffffff");
}

void TestWireFormat::packing()
{
    QFETCH(QByteArray, packed);
    QFETCH(QByteArray, expected);
    QCOMPARE(packed, expected);
}

void TestWireFormat::buildFrame_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArrayList>("fields");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("empty middle field")
        << 700 << QByteArrayList{"a", "", "b"} << Hex("0400bc02") + "a  b";
    QTest::newRow("one empty field") << 2 << QByteArrayList{""} << Hex("00000200");
    QTest::newRow("no fields") << 6 << QByteArrayList{} << Hex("00000600");
    QTest::newRow("leading and trailing empty")
        << 402 << QByteArrayList{"", "x", ""} << Hex("03009201") + " x ";
    // Quoting is the caller's job; the frame carries the field as given.
    QTest::newRow("caller quotes") << 203 << QByteArrayList{"bob", "\"C:\\a b.mp3\""}
                                   << Hex("1000cb00") + "bob \"C:\\a b.mp3\"";
    QTest::newRow("high type and bytes")
        << 10300 << QByteArrayList{Raw("\xff\0")} << Hex("02003c28") + Raw("\xff\0");
}

void TestWireFormat::buildFrame()
{
    QFETCH(int, type);
    QFETCH(QByteArrayList, fields);
    QFETCH(QByteArray, frame);
    QCOMPARE(BuildFrame(quint16(type), fields), frame);
    QCOMPARE(BuildFrame(quint16(type), JoinFields(fields)), frame);
}

void TestWireFormat::buildFrameCap_data()
{
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<int>("sentSize");

    QTest::newRow("2043") << 2043 << 2043;
    QTest::newRow("2044 fits exactly") << 2044 << 2044;
    QTest::newRow("2045 cut by one") << 2045 << 2044;
    QTest::newRow("2100") << 2100 << 2044;
    QTest::newRow("70000 beyond 16 bits") << 70000 << 2044;
}

void TestWireFormat::buildFrameCap()
{
    QFETCH(int, payloadSize);
    QFETCH(int, sentSize);

    // Every byte differs from its neighbours, so a cut at the wrong place shows.
    QByteArray payload(payloadSize, Qt::Uninitialized);
    for (int i = 0; i < payloadSize; ++i)
        payload[i] = char('a' + i % 26);

    const QByteArray frame = BuildFrame(205, payload);
    QCOMPARE(frame.size(), 4 + sentSize);
    QCOMPARE(frame.left(2), PackWord16(sentSize));
    QCOMPARE(frame.mid(2, 2), Hex("cd00"));
    QCOMPARE(frame.mid(4), payload.left(sentSize));
}

void TestWireFormat::login32_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("frame");

    // length 21 = code 4 + name 4+3 + password 4+2 + version 4
    QTest::newRow("bob") << QByteArray("bob") << QByteArray("pw")
                         << Hex("15000000 01000000 03000000") + "bob" + Hex("02000000") + "pw" +
                                Hex("95000000");
    QTest::newRow("empty") << QByteArray() << QByteArray()
                           << Hex("10000000 01000000 00000000 00000000 95000000");
    // Strings are length-prefixed: spaces and quotes travel as they are.
    QTest::newRow("space and quote")
        << QByteArray("a \"b") << QByteArray(" ")
        << Hex("15000000 01000000 04000000") + "a \"b" + Hex("01000000") + " " + Hex("95000000");
}

void TestWireFormat::login32()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, frame);
    QCOMPARE(BuildFrame32(1, BuildLogin32Payload(name, password)), frame);
}

void TestWireFormat::splitFields_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("n");
    QTest::addColumn<QByteArrayList>("fields");

    QTest::newRow("quoted name with space")
        << QByteArray("\"C:\\My Music\\a b.mp3\" 128 44100") << 3
        << QByteArrayList{"C:\\My Music\\a b.mp3", "128", "44100"};
    QTest::newRow("two spaces give empty field")
        << QByteArray("a  b") << 3 << QByteArrayList{"a", "", "b"};
    QTest::newRow("surplus stays in last")
        << QByteArray("a b c d") << 2 << QByteArrayList{"a", "b c d"};
    QTest::newRow("quotes vanish in last field")
        << QByteArray("x \"y\" z") << 2 << QByteArrayList{"x", "y z"};
    QTest::newRow("empty payload") << QByteArray() << 3 << QByteArrayList{"", "", ""};
    QTest::newRow("n 0") << QByteArray("abc") << 0 << QByteArrayList{"abc"};
    QTest::newRow("n 1 removes quotes")
        << QByteArray("a \"b c\" d") << 1 << QByteArrayList{"a b c d"};
    QTest::newRow("missing fields padded") << QByteArray("a") << 3 << QByteArrayList{"a", "", ""};
    QTest::newRow("leading space") << QByteArray(" a") << 2 << QByteArrayList{"", "a"};
    QTest::newRow("trailing space") << QByteArray("a ") << 2 << QByteArrayList{"a", ""};
    QTest::newRow("unmatched quote keeps spaces")
        << QByteArray("a \"b c d") << 3 << QByteArrayList{"a", "b c d", ""};
    QTest::newRow("empty quoted field") << QByteArray("\"\" x") << 2 << QByteArrayList{"", "x"};
    QTest::newRow("quote inside word")
        << QByteArray("ab\"c d\"e f") << 2 << QByteArrayList{"abc de", "f"};
    QTest::newRow("NUL and high bytes kept")
        << Raw("\0\xff \x80") << 2 << QByteArrayList{Raw("\0\xff"), Raw("\x80")};
    QTest::newRow("negative n is one field") << QByteArray("a b") << -7 << QByteArrayList{"a b"};
    QTest::newRow("huge n clamped to 255")
        << QByteArray("a b") << 100000 << (QByteArrayList{"a", "b"} + QByteArrayList(253));
}

void TestWireFormat::splitFields()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, n);
    QFETCH(QByteArrayList, fields);
    QCOMPARE(SplitFields(payload, n), fields);
}

void TestWireFormat::splitFieldsKeepQuotes_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("n");
    QTest::addColumn<QByteArrayList>("fields");

    QTest::newRow("quotes kept in free text")
        << QByteArray("bob hi \"there\"") << 2 << QByteArrayList{"bob", "hi \"there\""};
    QTest::newRow("second space starts next field")
        << QByteArray("bob  hi") << 2 << QByteArrayList{"bob", " hi"};
    QTest::newRow("leading space stays in field 0")
        << QByteArray(" bob hi") << 2 << QByteArrayList{" bob", "hi"};
    QTest::newRow("run of spaces, n 3")
        << QByteArray("a   b c") << 3 << QByteArrayList{"a", "  b", "c"};
    QTest::newRow("one space") << QByteArray(" ") << 2 << QByteArrayList{" ", ""};
    QTest::newRow("channel message") << QByteArray("#chat bob \"quoted\"  text") << 3
                                     << QByteArrayList{"#chat", "bob", "\"quoted\"  text"};
    QTest::newRow("quote does not protect spaces")
        << QByteArray("\"a b\" c") << 3 << QByteArrayList{"\"a", "b\"", "c"};
    QTest::newRow("empty payload") << QByteArray() << 2 << QByteArrayList{"", ""};
    QTest::newRow("n 0") << QByteArray("a b") << 0 << QByteArrayList{"a b"};
    QTest::newRow("negative n") << QByteArray("a b") << -1 << QByteArrayList{"a b"};
    QTest::newRow("huge n clamped to 255")
        << QByteArray("a b") << 256 << (QByteArrayList{"a", "b"} + QByteArrayList(253));
}

void TestWireFormat::splitFieldsKeepQuotes()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, n);
    QFETCH(QByteArrayList, fields);
    QCOMPARE(SplitFieldsKeepQuotes(payload, n), fields);
}

void TestWireFormat::splittersOnAnyBytes()
{
    // Every byte value, with runs of spaces and unbalanced quotes: no byte other than quotes
    // and separating spaces may be lost, altered or moved, and the field count is exact.
    QByteArray payload;
    for (int i = 0; i < 3 * 256; ++i)
        payload += char((i * 7) % 256);
    payload += "  \" a  \"\" b ";

    const QByteArray noQuotes = Without(payload, '"');
    for (const int n : {-1, 0, 1, 2, 3, 17, 255, 256}) {
        const int expectedCount = std::clamp(n, 1, 255);

        const QByteArrayList split = SplitFields(payload, n);
        QCOMPARE(split.size(), expectedCount);
        const QByteArray joined = split.join();
        QVERIFY(noQuotes.size() - joined.size() <= expectedCount - 1);
        QCOMPARE(Without(joined, ' '), Without(noQuotes, ' '));

        const QByteArrayList kept = SplitFieldsKeepQuotes(payload, n);
        QCOMPARE(kept.size(), expectedCount);
        const QByteArray keptJoined = kept.join();
        QVERIFY(payload.size() - keptJoined.size() <= expectedCount - 1);
        QCOMPARE(Without(keptJoined, ' '), Without(payload, ' '));
    }
    QCOMPARE(SplitFields(payload, 1), QByteArrayList{noQuotes});
    QCOMPARE(SplitFieldsKeepQuotes(payload, 1), QByteArrayList{payload});
}

void TestWireFormat::textBeforeAfter_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("delimiter");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("absent") << QByteArray("abc") << QByteArray("x") << QByteArray()
                            << QByteArray("abc");
    QTest::newRow("first occurrence")
        << QByteArray("a:b:c") << QByteArray(":") << QByteArray("a") << QByteArray("b:c");
    QTest::newRow("at start") << QByteArray(":b") << QByteArray(":") << QByteArray()
                              << QByteArray("b");
    QTest::newRow("at end") << QByteArray("a:") << QByteArray(":") << QByteArray("a")
                            << QByteArray();
    QTest::newRow("case-sensitive")
        << QByteArray("aXbxc") << QByteArray("x") << QByteArray("aXb") << QByteArray("c");
    // After a longer delimiter the text starts right after its first byte.
    QTest::newRow("two-byte delimiter")
        << QByteArray("a::b") << QByteArray("::") << QByteArray("a") << QByteArray(":b");
    QTest::newRow("empty delimiter counts as absent")
        << QByteArray("abc") << QByteArray() << QByteArray() << QByteArray("abc");
    QTest::newRow("empty text") << QByteArray() << QByteArray(":") << QByteArray() << QByteArray();
    QTest::newRow("NUL delimiter")
        << Raw("a\0b") << Raw("\0") << QByteArray("a") << QByteArray("b");
}

void TestWireFormat::textBeforeAfter()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, delimiter);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QCOMPARE(TextBefore(text, delimiter), before);
    QCOMPARE(TextAfter(text, delimiter), after);
}

void TestWireFormat::decimalToDottedIp_data()
{
    QTest::addColumn<QByteArray>("decimal");
    QTest::addColumn<QByteArray>("dotted");

    QTest::newRow("loopback") << QByteArray("16777343") << QByteArray("127.0.0.1");
    QTest::newRow("all ones") << QByteArray("4294967295") << QByteArray("255.255.255.255");
    QTest::newRow("zero") << QByteArray("0") << QByteArray("0.0.0.0");
    QTest::newRow("lowest byte first") << QByteArray("67305985") << QByteArray("1.2.3.4");
    QTest::newRow("2^32 keeps low bits") << QByteArray("4294967296") << QByteArray("0.0.0.0");
    QTest::newRow("2^32 + loopback") << QByteArray("4311744639") << QByteArray("127.0.0.1");
    // The low 32 bits of 10^30 are 0x40000000.
    QTest::newRow("beyond 64 bits")
        << QByteArray("1000000000000000000000000000000") << QByteArray("0.0.0.64");
    QTest::newRow("white space trimmed") << QByteArray(" 16777343\r\n") << QByteArray("127.0.0.1");
    QTest::newRow("minus one") << QByteArray("-1") << QByteArray("255.255.255.255");
    QTest::newRow("plus sign") << QByteArray("+16777343") << QByteArray("127.0.0.1");
    QTest::newRow("non-numeric") << QByteArray("localhost") << QByteArray("0.0.0.0");
    QTest::newRow("trailing junk") << QByteArray("123abc") << QByteArray("0.0.0.0");
    QTest::newRow("already dotted") << QByteArray("10.0.0.1") << QByteArray("0.0.0.0");
    QTest::newRow("empty") << QByteArray() << QByteArray("0.0.0.0");
    QTest::newRow("sign only") << QByteArray("-") << QByteArray("0.0.0.0");
    QTest::newRow("NUL inside") << Raw("12\0"
                                       "3")
                                << QByteArray("0.0.0.0");
}

void TestWireFormat::decimalToDottedIp()
{
    QFETCH(QByteArray, decimal);
    QFETCH(QByteArray, dotted);
    QCOMPARE(DecimalToDottedIp(decimal), dotted);
}

void TestWireFormat::formatMinSec_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << qint64(0) << u"00:00"_s;
    QTest::newRow("5") << qint64(5) << u"00:05"_s;
    QTest::newRow("9 and 10") << qint64(9 * 60 + 10) << u"09:10"_s;
    QTest::newRow("3725") << qint64(3725) << u"62:05"_s;
    QTest::newRow("7500") << qint64(7500) << u"125:00"_s;
    QTest::newRow("negative shows zero") << qint64(-5) << u"00:00"_s;
}

void TestWireFormat::formatMinSec()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(FormatMinSec(seconds), text);
}

void TestWireFormat::formatDuration_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << qint64(0) << QString();
    QTest::newRow("1 d 1 h 1 m 1 s") << qint64(86400 + 3600 + 60 + 1) << u"1 d 1 h 1 m 1 s "_s;
    QTest::newRow("one hour") << qint64(3600) << u"1 h "_s;
    QTest::newRow("zero parts left out") << qint64(2 * 86400 + 5) << u"2 d 5 s "_s;
    QTest::newRow("59 s") << qint64(59) << u"59 s "_s;
    QTest::newRow("23 h 59 m") << qint64(86400 - 60) << u"23 h 59 m "_s;
    QTest::newRow("negative is empty") << qint64(-3600) << QString();
}

void TestWireFormat::formatDuration()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(FormatDuration(seconds), text);
}

void TestWireFormat::levelColor_data()
{
    QTest::addColumn<QByteArray>("level");
    QTest::addColumn<QColor>("color");

    QTest::newRow("Leech") << QByteArray("Leech") << QColor(0xFF, 0x00, 0x00);
    QTest::newRow("User") << QByteArray("User") << QColor(0xFF, 0xFF, 0xFF);
    QTest::newRow("Moderator") << QByteArray("Moderator") << QColor(0xFF, 0xFF, 0x00);
    QTest::newRow("Admin") << QByteArray("Admin") << QColor(0x00, 0xFF, 0x00);
    QTest::newRow("Elite") << QByteArray("Elite") << QColor(0x00, 0xFF, 0xFF);
    QTest::newRow("case-sensitive") << QByteArray("admin") << QColor(0xFF, 0xFF, 0xFF);
    QTest::newRow("unknown") << QByteArray("Owner") << QColor(0xFF, 0xFF, 0xFF);
    QTest::newRow("empty") << QByteArray() << QColor(0xFF, 0xFF, 0xFF);
}

void TestWireFormat::levelColor()
{
    QFETCH(QByteArray, level);
    QFETCH(QColor, color);
    QCOMPARE(LevelColor(level), color);
}

void TestWireFormat::wildcardMatch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("match");

    QTest::newRow("connecting status") << u"Connecting..."_s << u"Connecting...*"_s << true;
    QTest::newRow("connecting with countdown")
        << u"Connecting... (3)"_s << u"Connecting...*"_s << true;
    QTest::newRow("connected status") << u"Connected"_s << u"Connecting...*"_s << false;
    QTest::newRow("AB* on abc") << u"abc"_s << u"AB*"_s << true;
    QTest::newRow("AB* on ab") << u"ab"_s << u"AB*"_s << true;
    QTest::newRow("rest after star ignored") << u"axyz"_s << u"A*C"_s << true;
    QTest::newRow("A? on a") << u"a"_s << u"A?"_s << true;
    QTest::newRow("A* on a") << u"a"_s << u"A*"_s << true;
    QTest::newRow("AB on a") << u"a"_s << u"AB"_s << false;
    QTest::newRow("text longer") << u"abc"_s << u"AB"_s << false;
    QTest::newRow("question mark") << u"abc"_s << u"A?C"_s << true;
    QTest::newRow("mismatch before star") << u"xbc"_s << u"A*"_s << false;
    QTest::newRow("case-insensitive non-ASCII") << u"é"_s << u"É"_s << true;
    QTest::newRow("both empty") << QString() << QString() << true;
    QTest::newRow("empty pattern") << u"a"_s << QString() << false;
    QTest::newRow("empty text, star") << QString() << u"*"_s << true;
}

void TestWireFormat::wildcardMatch()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, match);
    QCOMPARE(WildcardMatch(text, pattern), match);
}

void TestWireFormat::trimSpaces_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("trimmed");

    QTest::newRow("only spaces") << QByteArray("    ") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("both ends") << QByteArray("  a b  ") << QByteArray("a b");
    QTest::newRow("tabs stay") << QByteArray("\t a \t") << QByteArray("\t a \t");
    QTest::newRow("newline stays") << QByteArray(" a\n ") << QByteArray("a\n");
}

void TestWireFormat::trimSpaces()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, trimmed);
    QCOMPARE(TrimSpaces(text), trimmed);
    QCOMPARE(TrimSpaces(QString::fromLatin1(text)), QString::fromLatin1(trimmed));
}
