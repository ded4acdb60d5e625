// Tagged chat text: the tag functions, the conversion of a line into text and runs, the line
// model of the output views and the guard in front of the link opener.

#include "chat/chatlinemodel.h"
#include "chat/irctags.h"
#include "chat/linktarget.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Bytes with embedded NULs, which a plain literal would cut short.
template <qsizetype N> QByteArray Raw(const char (&bytes)[N])
{
    return QByteArray(bytes, N - 1);
}

// Tagged text written readably: %B bold, %C colour, %O reset, %R reverse, %[ link start,
// %] link end, %U underline, %% a percent sign.
QByteArray T(const char* text)
{
    QByteArray out;
    for (const char* c = text; *c; ++c) {
        if (*c != '%' || !c[1]) {
            out += *c;
            continue;
        }
        switch (*++c) {
        case 'B':
            out += Tag::Bold;
            break;
        case 'C':
            out += Tag::Color;
            break;
        case 'O':
            out += Tag::Reset;
            break;
        case 'R':
            out += Tag::Reverse;
            break;
        case '[':
            out += Tag::LinkStart;
            break;
        case ']':
            out += Tag::LinkEnd;
            break;
        case 'U':
            out += Tag::Underline;
            break;
        default:
            out += *c;
            break;
        }
    }
    return out;
}

QString ColourName(int colour)
{
    if (colour == FormatRun::DefaultForeground)
        return u"text"_s;
    if (colour == FormatRun::DefaultBackground)
        return u"back"_s;
    return QString::number(colour);
}

// One entry per run: its text, then in braces what differs from the view's defaults, e.g.
// "www.x.org{u fg=4 bg=1 link=www.x.org}". A line without runs is one plain entry.
QStringList Describe(const QByteArray& line, const TaggedLineParts& parts)
{
    if (parts.runs.isEmpty())
        return parts.text.isEmpty() ? QStringList{} : QStringList{parts.text};
    QStringList out;
    for (qsizetype i = 0; i < parts.runs.size(); ++i) {
        const FormatRun& run = parts.runs.at(i);
        QStringList attributes;
        if (run.fontStyles().testFlag(FontStyle::Bold))
            attributes << u"b"_s;
        if (run.fontStyles().testFlag(FontStyle::Underline))
            attributes << u"u"_s;
        if (run.foreground != FormatRun::DefaultForeground ||
            run.background != FormatRun::DefaultBackground) {
            attributes << u"fg="_s + ColourName(run.foreground)
                       << u"bg="_s + ColourName(run.background);
        }
        if (run.link != 0)
            attributes << u"link="_s + LinkTarget(line, run.link);
        QString entry = parts.runText(i);
        if (!attributes.isEmpty())
            entry += u'{' + attributes.join(u' ') + u'}';
        out << entry;
    }
    return out;
}

// What every converted line must satisfy, whatever the input: runs start at 0, go strictly
// up and stay inside the text.
void CheckRuns(const TaggedLineParts& parts)
{
    if (parts.runs.isEmpty())
        return;
    QCOMPARE(parts.runs.first().start, 0);
    for (qsizetype i = 0; i < parts.runs.size(); ++i) {
        QVERIFY(parts.runs.at(i).start < parts.text.size());
        if (i > 0)
            QVERIFY(parts.runs.at(i).start > parts.runs.at(i - 1).start);
        QVERIFY(parts.runs.at(i).foreground >= FormatRun::DefaultBackground);
        QVERIFY(parts.runs.at(i).foreground < 16);
        QVERIFY(parts.runs.at(i).background >= FormatRun::DefaultBackground);
        QVERIFY(parts.runs.at(i).background < 16);
    }
}

QList<QByteArray> Tokens(const QByteArray& line)
{
    QList<QByteArray> tokens;
    QByteArrayView rest(line);
    for (QByteArrayView token = NextTag(rest); !token.isEmpty(); token = NextTag(rest))
        tokens << token.toByteArray();
    return tokens;
}

QList<QByteArray> NumberedLines(int count, int first = 0)
{
    QList<QByteArray> lines;
    for (int i = 0; i < count; ++i)
        lines << "line " + QByteArray::number(first + i);
    return lines;
}

} // namespace

class TestChatText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nextTag_data();
    void nextTag();
    void stripTags_data();
    void stripTags();
    void readColorNumber_data();
    void readColorNumber();
    void parseColor_data();
    void parseColor();
    void paletteAndStyles();
    void markLinks_data();
    void markLinks();
    void convertLine_data();
    void convertLine();
    void hostileLines_data();
    void hostileLines();

    void modelKeepsTaggedTextAndParts();
    void modelCap_data();
    void modelCap();
    void modelBatchIsOneInsertion();
    void modelClear();

    void safeLinkUrl_data();
    void safeLinkUrl();
};

void TestChatText::nextTag_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<QByteArray>>("tokens");

    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("no tag") << QByteArray("plain text") << QList<QByteArray>{"plain text"};
    QTest::newRow("bold a bold b") << T("%Ba%Bb") << QList<QByteArray>{"\x02", "a", "\x02", "b"};
    QTest::newRow("colour digits stay with the text")
        << T("ab%C4,8cd") << QList<QByteArray>{"ab", "\x03", "4,8cd"};
    QTest::newRow("all seven tags, one token each")
        << T("%B%C%O%R%[%]%U")
        << QList<QByteArray>{"\x02", "\x03", "\x0f", "\x16", "\x19", "\x1a", "\x1f"};
    QTest::newRow("other control bytes are text")
        << Raw("a\001\004\033\000\177b\037")
        << QList<QByteArray>{Raw("a\001\004\033\000\177b"), "\037"};
}

void TestChatText::nextTag()
{
    QFETCH(QByteArray, line);
    QFETCH(QList<QByteArray>, tokens);
    const QList<QByteArray> got = Tokens(line);
    QCOMPARE(got, tokens);
    for (const QByteArray& token : got)
        QCOMPARE(IsTag(token), token.size() == 1 && T("%B%C%O%R%[%]%U").contains(token));
    QVERIFY(!IsTag(QByteArray()));
}

void TestChatText::stripTags_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stripped");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("colour digits stay") << T("%C4,8hi%B there%O") << QByteArray("4,8hi there");
    QTest::newRow("every tag goes") << T("%Ba%Cb%Oc%Rd%[e%]f%U") << QByteArray("abcdef");
    QTest::newRow("other control bytes and NUL stay")
        << Raw("\001a\000b\033") << Raw("\001a\000b\033");
}

void TestChatText::stripTags()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stripped);
    QCOMPARE(StripTags(text), stripped);
}

void TestChatText::readColorNumber_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<QByteArray>("rest");

    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("no digit") << QByteArray("x4") << QByteArray() << QByteArray("x4");
    QTest::newRow("one digit") << QByteArray("4x") << QByteArray("4") << QByteArray("x");
    QTest::newRow("leading zero") << QByteArray("04") << QByteArray("04") << QByteArray();
    QTest::newRow("at most two") << QByteArray("123") << QByteArray("12") << QByteArray("3");
    // Two digits only for 00-16, 30-37, 40-47, 50-57.
    const struct {
        const char* text;
        const char* digits;
    } cases[] = {{"16", "16"}, {"17", "1"},  {"20", "2"},  {"29", "2"},  {"30", "30"}, {"37", "37"},
                 {"38", "3"},  {"39", "3"},  {"40", "40"}, {"47", "47"}, {"48", "4"},  {"49", "4"},
                 {"50", "50"}, {"57", "57"}, {"58", "5"},  {"99", "9"}};
    for (const auto& c : cases) {
        const QByteArray text(c.text);
        const QByteArray digits(c.digits);
        QTest::addRow("%s", c.text) << text << digits << text.mid(digits.size());
    }
}

void TestChatText::readColorNumber()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, digits);
    QFETCH(QByteArray, rest);
    QByteArrayView remaining(text);
    QCOMPARE(ReadColorNumber(remaining).toByteArray(), digits);
    QCOMPARE(remaining.toByteArray(), rest);
}

void TestChatText::parseColor_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("foreground");
    QTest::addColumn<int>("background");
    QTest::addColumn<QByteArray>("rest");

    QTest::newRow("tag alone: silver on black") << QByteArray() << 15 << 1 << QByteArray();
    QTest::newRow("foreground alone resets the background")
        << QByteArray("4x") << 4 << 1 << QByteArray("x");
    QTest::newRow("4,8 maroon on yellow") << QByteArray("4,8") << 4 << 8 << QByteArray();
    QTest::newRow(",8 silver on yellow") << QByteArray(",8") << 15 << 8 << QByteArray();
    QTest::newRow("-1") << QByteArray("-1") << 15 << 1 << QByteArray();
    QTest::newRow("-1 stops before a comma") << QByteArray("-1,5") << 15 << 1 << QByteArray(",5");
    QTest::newRow("99: 9, and 9 shown") << QByteArray("99") << 9 << 1 << QByteArray("9");
    QTest::newRow("41: maroon, and 1 shown") << QByteArray("41") << 4 << 1 << QByteArray("1");
    QTest::newRow("47 as foreground is 4") << QByteArray("47,2") << 4 << 1 << QByteArray("7,2");
    QTest::newRow("1,12: 1 on 1, and 2 shown") << QByteArray("1,12") << 1 << 1 << QByteArray("2");
    QTest::newRow("4, comma eaten") << QByteArray("4,") << 4 << 1 << QByteArray();
    QTest::newRow("4,x comma eaten") << QByteArray("4,x") << 4 << 1 << QByteArray("x");
    QTest::newRow("4,-1x undoes the foreground")
        << QByteArray("4,-1x") << 15 << 1 << QByteArray("x");
    QTest::newRow("20: colour 2, and 0 shown") << QByteArray("20") << 2 << 1 << QByteArray("0");
    QTest::newRow("background 10 read whole") << QByteArray("4,10") << 4 << 10 << QByteArray();
    QTest::newRow("background 11 is 1") << QByteArray("4,11") << 4 << 1 << QByteArray("1");
    QTest::newRow("background 05") << QByteArray("4,05") << 4 << 5 << QByteArray();
    QTest::newRow("background 33 is 3") << QByteArray("4,33") << 4 << 3 << QByteArray("3");
    QTest::newRow("background 55 is 5") << QByteArray("4,55") << 4 << 5 << QByteArray("5");
    QTest::newRow("comma comma") << QByteArray(",,5") << 15 << 1 << QByteArray(",5");
    QTest::newRow("not a number") << QByteArray("x") << 15 << 1 << QByteArray("x");
    // ANSI-style numbers.
    QTest::newRow("16 is white") << QByteArray("16") << 0 << 1 << QByteArray();
    QTest::newRow("31 is maroon") << QByteArray("31") << 4 << 1 << QByteArray();
    QTest::newRow("30 black, 34 navy, 37 silver")
        << QByteArray("30,34") << 1 << 3 << QByteArray("4"); // 34 as background: 3, then '4'
    QTest::newRow("36 teal") << QByteArray("36") << 10 << 1 << QByteArray();
    QTest::newRow("37 silver") << QByteArray("37") << 15 << 1 << QByteArray();
    QTest::newRow("50 gray") << QByteArray("50") << 14 << 1 << QByteArray();
    QTest::newRow("51 red on white: announcements") << QByteArray("51,0") << 7 << 0 << QByteArray();
    QTest::newRow("57 white") << QByteArray("57") << 0 << 1 << QByteArray();
    QTest::newRow("background 40 black") << QByteArray("4,40") << 4 << 1 << QByteArray();
    QTest::newRow("background 44 navy") << QByteArray("4,44") << 4 << 2 << QByteArray();
    QTest::newRow("0,47 white on white") << QByteArray("0,47") << 0 << 0 << QByteArray();
}

void TestChatText::parseColor()
{
    QFETCH(QByteArray, text);
    QFETCH(int, foreground);
    QFETCH(int, background);
    QFETCH(QByteArray, rest);
    QByteArrayView remaining(text);
    const ColorPair colours = ParseColor(remaining);
    QCOMPARE(colours.foreground, foreground);
    QCOMPARE(colours.background, background);
    QCOMPARE(remaining.toByteArray(), rest);
}

void TestChatText::paletteAndStyles()
{
    const auto& palette = TagPalette();
    // The entries that are easy to get wrong: 4 is maroon and 7 red, 5 olive.
    QCOMPARE(palette[0], qRgb(0xFF, 0xFF, 0xFF));
    QCOMPARE(palette[1], qRgb(0x00, 0x00, 0x00));
    QCOMPARE(palette[4], qRgb(0x80, 0x00, 0x00));
    QCOMPARE(palette[5], qRgb(0x80, 0x80, 0x00));
    QCOMPARE(palette[7], qRgb(0xFF, 0x00, 0x00));
    QCOMPARE(palette[9], qRgb(0x00, 0xFF, 0x00));
    QCOMPARE(palette[15], qRgb(0xC0, 0xC0, 0xC0));

    const FontStyles bold = ToggleStyle({}, FontStyle::Bold);
    QCOMPARE(bold, FontStyles(FontStyle::Bold));
    QCOMPARE(ToggleStyle(bold, FontStyle::Underline), FontStyle::Bold | FontStyle::Underline);
    QCOMPARE(ToggleStyle(bold, FontStyle::Bold), FontStyles());
}

void TestChatText::markLinks_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("marked");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("no address") << QByteArray("hello there") << QByteArray("hello there");
    QTest::newRow("middle word with capitals")
        << QByteArray("see WWW.Tavolin.ORG today") << T("see %[WWW.Tavolin.ORG%] today");
    QTest::newRow("letter before http stays out")
        << QByteArray("xhttp://a.b") << T("x%[http://a.b%]");
    QTest::newRow("upper-case prefix") << QByteArray("HTTP://A.B") << T("%[HTTP://A.B%]");
    QTest::newRow("ftp address") << QByteArray("ftp.x.org") << T("%[ftp.x.org%]");
    QTest::newRow("ftp url") << QByteArray("ftp://x/y") << T("%[ftp://x/y%]");
    QTest::newRow("http wins over an earlier www.")
        << QByteArray("www.a.b/http://c") << T("www.a.b/%[http://c%]");
    QTest::newRow("ftp. inside a word") << QByteArray("myftp.site") << T("my%[ftp.site%]");
    QTest::newRow("https alone is no link")
        << QByteArray("https://x.org") << QByteArray("https://x.org");
    QTest::newRow("https with www.")
        << QByteArray("https://www.x.org") << T("https://%[www.x.org%]");
    QTest::newRow("spaces kept") << QByteArray("  a  www.x  ") << T("  a  %[www.x%]  ");
    QTest::newRow("mail: dot only after @")
        << QByteArray("to ann@example.org!") << T("to %[ann@example.org!%]");
    QTest::newRow("mail: dot before @ too") << QByteArray("a.b@c.d") << QByteArray("a.b@c.d");
    QTest::newRow("mail: no dot") << QByteArray("a@b") << QByteArray("a@b");
    QTest::newRow("tag before prefix stays outside") << T("%Bwww.x") << T("%B%[www.x%]");
    QTest::newRow("tag inside stays inside") << T("www.%Bx.com") << T("%[www.%Bx.com%]");
    QTest::newRow("tabs are no word break") << QByteArray("a\twww.x") << T("a\t%[www.x%]");
}

void TestChatText::markLinks()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, marked);
    QCOMPARE(MarkLinks(line), marked);
}

void TestChatText::convertLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("parts");

    QTest::newRow("empty line: no parts") << QByteArray() << QStringList{};
    QTest::newRow("no tags: one part") << QByteArray("just text") << QStringList{u"just text"_s};
    QTest::newRow("bold a, not b") << T("%Ba%Bb") << QStringList{u"a{b}"_s, u"b"_s};
    QTest::newRow("underline toggles") << T("%Uu%Un") << QStringList{u"u{u}"_s, u"n"_s};
    QTest::newRow("bold twice is plain") << T("%B%Ba") << QStringList{u"a"_s};
    QTest::newRow("bare colour tag: palette silver on black")
        << T("%Cx") << QStringList{u"x{fg=15 bg=1}"_s};
    QTest::newRow("colour 99") << T("%C99") << QStringList{u"9{fg=9 bg=1}"_s};
    QTest::newRow("colour 41") << T("%C41") << QStringList{u"1{fg=4 bg=1}"_s};
    QTest::newRow("colour 1,12") << T("%C1,12") << QStringList{u"2{fg=1 bg=1}"_s};
    QTest::newRow("colour 4, then text") << T("%C4,hi") << QStringList{u"hi{fg=4 bg=1}"_s};
    QTest::newRow("colour 4,-1x") << T("%C4,-1x") << QStringList{u"x{fg=15 bg=1}"_s};
    QTest::newRow("reverse of the defaults")
        << T("a%Rrev") << QStringList{u"a"_s, u"rev{fg=back bg=text}"_s};
    QTest::newRow("reverse of a colour pair")
        << T("%C4,8a%Rb") << QStringList{u"a{fg=4 bg=8}"_s, u"b{fg=8 bg=4}"_s};
    QTest::newRow("reset") << T("%B%C4a%Ob") << QStringList{u"a{b fg=4 bg=1}"_s, u"b"_s};
    QTest::newRow("web address between plain words")
        << QByteArray("see WWW.Tavolin.ORG today")
        << QStringList{u"see "_s, u"WWW.Tavolin.ORG{u link=WWW.Tavolin.ORG}"_s, u" today"_s};
    QTest::newRow("letter before http")
        << QByteArray("ahttp://x.y") << QStringList{u"a"_s, u"http://x.y{u link=http://x.y}"_s};
    QTest::newRow("mail address") << QByteArray("mail ann@example.org")
                                  << QStringList{u"mail "_s,
                                                 u"ann@example.org{u link=ann@example.org}"_s};
    QTest::newRow("no mail: dot before @") << QByteArray("a.b@c.d") << QStringList{u"a.b@c.d"_s};
    QTest::newRow("bold inside a web address: target without the tag")
        << T("www.%Bx.com")
        << QStringList{u"www.{u link=www.x.com}"_s, u"x.com{b u link=www.x.com}"_s};
    QTest::newRow("after a link the defaults come back")
        << T("%B%C4bold www.x.y after")
        << QStringList{u"bold {b fg=4 bg=1}"_s, u"www.x.y{b u fg=4 bg=1 link=www.x.y}"_s,
                       u" after"_s};
    QTest::newRow("reset inside a link keeps the link")
        << T("www.a%Ob") << QStringList{u"www.a{u link=www.ab}"_s, u"b{link=www.ab}"_s};
    QTest::newRow("colour digits inside a link are in its target")
        << T("www.a%C4b")
        << QStringList{u"www.a{u link=www.a4b}"_s, u"b{u fg=4 bg=1 link=www.a4b}"_s};
    QTest::newRow("two links in a row are two targets")
        << QByteArray("www.a www.b")
        << QStringList{u"www.a{u link=www.a}"_s, u" "_s, u"www.b{u link=www.b}"_s};
    QTest::newRow("other control bytes are text") << T("a\001b") << QStringList{u"a\001b"_s};
    QTest::newRow("line breaks shown as spaces") << QByteArray("a\r\nb") << QStringList{u"a  b"_s};
    QTest::newRow("NUL is text") << Raw("a\0b") << QStringList{QString(u"a\0b"_s)};
    QTest::newRow("UTF-8 before a tag")
        << T("caf\303\251 %Bb\303\251") << QStringList{u"café "_s, u"bé{b}"_s};
    QTest::newRow("four-byte UTF-8 before a tag")
        << T("\360\237\230\200%Bx") << QStringList{u"\U0001F600"_s, u"x{b}"_s};
    QTest::newRow("Windows-1252 when not UTF-8")
        << T("caf\351 %B\200") << QStringList{u"café "_s, u"€{b}"_s};
    QTest::newRow("tag inside a UTF-8 sequence") << T("\303%B\251") << QStringList{u"é"_s};
}

void TestChatText::convertLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, parts);
    const TaggedLineParts converted = ConvertTaggedLine(line);
    CheckRuns(converted);
    QCOMPARE(Describe(line, converted), parts);
}

void TestChatText::hostileLines_data()
{
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("60,000-byte message") << T("<%C12nick%O> ") + QByteArray(60000, 'x');
    QTest::newRow("line full of colour tags") << QByteArray(60000, '\x03');
    QTest::newRow("colour change every character") << T("%C4a%C12b").repeated(6000);
    QTest::newRow("10,000-character word with http:// inside")
        << QByteArray(5000, 'a') + "http://" + QByteArray(5000, 'b');
    QTest::newRow("link starts without end") << T("%[ab").repeated(20000);
    QTest::newRow("many short links") << QByteArray("www. ").repeated(12000);
    QTest::newRow("many mail words") << QByteArray("a@b. ").repeated(12000);
    QTest::newRow("NUL and invalid UTF-8")
        << Raw("\0\xff\xfe\xc3\x28\xe2\x82\0\x02\xf0\x9f").repeated(5000);
    QTest::newRow("digits and commas after colour tags") << T("%C,,-1,99,4,").repeated(5000);
    QByteArray random(60000, Qt::Uninitialized);
    QRandomGenerator generator(4242);
    for (char& c : random) {
        // Mostly tags, digits and separators, so that every rule gets exercised.
        static const char pool[] = "\002\003\017\026\031\032\0370123456789,- .@wtp:/\303\251\200";
        c = pool[generator.bounded(int(sizeof(pool) - 1))];
    }
    QTest::newRow("random tag soup") << random;
}

void TestChatText::hostileLines()
{
    QFETCH(QByteArray, line);
    const TaggedLineParts parts = ConvertTaggedLine(line);
    CheckRuns(parts);
    QVERIFY(parts.text.size() <= line.size());
    // Every link key of the line leads back to a target.
    qsizetype linked = 0;
    for (const FormatRun& run : parts.runs) {
        if (run.link != 0 && linked++ < 20)
            QVERIFY(!LinkTarget(line, run.link).isNull());
    }
    QVERIFY(LinkTarget(line, 0).isEmpty());
    QVERIFY(LinkTarget(line, -5).isEmpty());
    QVERIFY(LinkTarget(line, 1 << 30).isEmpty());
    QCOMPARE(StripTags(line).size(),
             line.size() - line.count('\x02') - line.count('\x03') - line.count('\x0f') -
                 line.count('\x16') - line.count('\x19') - line.count('\x1a') - line.count('\x1f'));
}

void TestChatText::modelKeepsTaggedTextAndParts()
{
    ChatLineModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QByteArray line = T("%C9[12:00]%O <%Bnick%B> see www.x.org");
    model.appendLine(line);
    QCOMPARE(model.lineCount(), 1);
    // Stored as appended: tags in, no link tags added, colour digits kept.
    QCOMPARE(model.storedText(0), line);
    QCOMPARE(model.data(model.index(0), ChatLineModel::TaggedTextRole).toByteArray(), line);
    QCOMPARE(model.data(model.index(0)).toString(), u"[12:00] <nick> see www.x.org"_s);
    const TaggedLineParts& parts = model.parts(0);
    const qsizetype linkRun = parts.runAt(parts.text.indexOf(u"www"_s));
    QVERIFY(linkRun >= 0);
    QCOMPARE(model.linkTarget(0, parts.runs.at(linkRun).link), u"www.x.org"_s);
    QVERIFY(model.storedText(1).isEmpty());
    QVERIFY(model.storedText(-1).isEmpty());
    QVERIFY(model.parts(7).text.isEmpty());
}

void TestChatText::modelCap_data()
{
    QTest::addColumn<int>("cap");
    QTest::addColumn<int>("appended");
    QTest::addColumn<bool>("batch");

    QTest::newRow("10,000th line drops the first") << 9999 << 10000 << false;
    QTest::newRow("batch of 10,000 keeps the last 9,999") << 9999 << 10000 << true;
    QTest::newRow("small cap, single lines") << 5 << 12 << false;
    QTest::newRow("small cap, batch larger than the cap") << 5 << 12 << true;
    QTest::newRow("under the cap") << 5 << 5 << true;
}

void TestChatText::modelCap()
{
    QFETCH(int, cap);
    QFETCH(int, appended);
    QFETCH(bool, batch);
    ChatLineModel model(cap);
    // The tester walks every row after each change: only for the small cases.
    std::optional<QAbstractItemModelTester> tester;
    if (appended < 100)
        tester.emplace(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QList<QByteArray> lines = NumberedLines(appended);
    if (batch) {
        model.appendLines(lines);
    } else {
        for (const QByteArray& line : lines)
            model.appendLine(line);
    }
    const int kept = qMin(cap, appended);
    QCOMPARE(model.lineCount(), kept);
    QCOMPARE(model.storedText(0), lines.at(appended - kept));
    QCOMPARE(model.storedText(kept - 1), lines.last());
    // Serial numbers count every line appended, kept or not.
    QCOMPARE(model.lineSerial(kept - 1), qint64(appended - 1));
    QCOMPARE(model.rowOfSerial(appended - 1), kept - 1);
    QCOMPARE(model.rowOfSerial(appended - kept - 1), -1);
}

void TestChatText::modelBatchIsOneInsertion()
{
    ChatLineModel model(100);
    model.appendLines(NumberedLines(80));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    model.appendLines(NumberedLines(50, 80));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 50);
    QCOMPARE(inserted.first().at(2).toInt(), 99);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 0);
    QCOMPARE(removed.first().at(2).toInt(), 29);
    QCOMPARE(model.storedText(0), QByteArray("line 30"));
    model.appendLines({});
    QCOMPARE(inserted.size(), 1);
}

void TestChatText::modelClear()
{
    ChatLineModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.appendLines(NumberedLines(3));
    const qint64 lastSerial = model.lineSerial(2);
    model.clear();
    QCOMPARE(model.lineCount(), 0);
    QVERIFY(model.storedText(0).isEmpty());
    model.appendLine("again");
    QCOMPARE(model.lineCount(), 1);
    // A view's cache keyed by serial must never mistake the new line for an old one.
    QVERIFY(model.lineSerial(0) > lastSerial);
    QCOMPARE(model.rowOfSerial(lastSerial), -1);
}

void TestChatText::safeLinkUrl_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url"); // empty: must not be opened

    QTest::newRow("www") << u"www.example.com"_s << u"http://www.example.com"_s;
    QTest::newRow("www, capitals, path")
        << u"WWW.Example.com/a?b=c"_s << u"http://www.example.com/a?b=c"_s;
    QTest::newRow("http") << u"http://example.com/x"_s << u"http://example.com/x"_s;
    QTest::newRow("HTTP capitals") << u"HTTP://EXAMPLE.COM"_s << u"http://example.com"_s;
    QTest::newRow("https") << u"https://example.com/"_s << u"https://example.com/"_s;
    QTest::newRow("ftp.") << u"ftp.example.org"_s << u"ftp://ftp.example.org"_s;
    QTest::newRow("ftp://") << u"ftp://ftp.example.org/pub"_s << u"ftp://ftp.example.org/pub"_s;
    QTest::newRow("mail") << u"ann@example.org"_s << u"mailto:ann@example.org"_s;

    QTest::newRow("file url") << u"file:///etc/passwd"_s << QString();
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << QString();
    QTest::newRow("javascript, empty") << u"javascript:"_s << QString();
    QTest::newRow("absolute program path") << u"/usr/bin/xterm"_s << QString();
    QTest::newRow("relative path") << u"..\\x"_s << QString();
    QTest::newRow("home path") << u"~/.bashrc"_s << QString();
    QTest::newRow("windows path") << u"C:\\Windows\\x.exe"_s << QString();
    QTest::newRow("other scheme") << u"smb://host/share"_s << QString();
    QTest::newRow("data url") << u"data:text/html,<b>x</b>"_s << QString();
    QTest::newRow("mailto written out") << u"mailto:ann@example.org"_s << QString();
    QTest::newRow("mail with path") << u"a/b@example.org"_s << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("http without host") << u"http://"_s << QString();
    QTest::newRow("wwwx is not www.") << u"wwwx.com"_s << QString();
    QTest::newRow("scheme in front of www.") << u"file:www.x"_s << QString();
    QTest::newRow("space") << u"www.a b"_s << QString();
    QTest::newRow("line break") << u"http://x.org\n/etc"_s << QString();
    QTest::newRow("NUL") << QString(u"www.x.org\0.exe"_s) << QString();
    QTest::newRow("right-to-left override") << u"http://x.org/\u202Egnp.exe"_s << QString();
}

void TestChatText::safeLinkUrl()
{
    QFETCH(QString, target);
    QFETCH(QString, url);
    const QUrl safe = SafeLinkUrl(target);
    if (url.isEmpty()) {
        QVERIFY2(!safe.isValid(), qPrintable(safe.toString()));
    } else {
        QVERIFY(safe.isValid());
        QCOMPARE(safe.toString(), url);
    }
}

QTEST_GUILESS_MAIN(TestChatText)
#include "tst_chattext.moc"
