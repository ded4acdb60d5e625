#include "tst_wiretext.h"

#include "protocol/wiretext.h"

#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

template <qsizetype N> QByteArray Raw(const char (&bytes)[N])
{
    return QByteArray(bytes, N - 1);
}

} // namespace

void TestWireText::wireToDisplay_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII") << QByteArray("hello \"world\"") << u"hello \"world\""_s;
    QTest::newRow("UTF-8 e-acute") << QByteArray("caf\xC3\xA9") << u"café"_s;
    QTest::newRow("UTF-8 outside BMP") << QByteArray("\xF0\x9F\x8E\xB5") << u"\U0001F3B5"_s;
    QTest::newRow("UTF-8 BOM kept") << QByteArray("\xEF\xBB\xBFx") << u"\uFEFFx"_s;
    QTest::newRow("cp1252 euro") << QByteArray("\x80") << u"€"_s;
    QTest::newRow("cp1252 e-acute") << QByteArray("caf\xE9") << u"café"_s;
    QTest::newRow("cp1252 quotes and dash")
        << QByteArray("\x93hi\x94 \x96 \x85") << u"\u201Chi\u201D \u2013 \u2026"_s;
    QTest::newRow("cp1252 S caron, Y diaeresis") << QByteArray("\x8A\x9F") << u"ŠŸ"_s;
    QTest::newRow("cp1252 undefined bytes")
        << QByteArray("\x81\x8D\x8F\x90\x9D") << u"\u0081\u008D\u008F\u0090\u009D"_s;
    // The whole block where Windows-1252 differs from Latin-1, as another codec table gives it.
    QByteArray block;
    for (int b = 0x80; b < 0xA0; ++b)
        block += char(b);
    QTest::newRow("cp1252 0x80..0x9F")
        << block
        << u"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152"
           u"\u008D\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC"
           u"\u2122\u0161\u203A\u0153\u009D\u017E\u0178"_s;
    QTest::newRow("cp1252 Latin-1 range") << QByteArray("\xA0\xFF") << u"\u00A0ÿ"_s;
    // Invalid UTF-8 of any kind makes the whole text Windows-1252, byte for byte.
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << u"À¯"_s;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << u"í\u00A0€"_s;
    QTest::newRow("truncated at end") << QByteArray("a\xE2\x82") << u"a\u00E2\u201A"_s;
    QTest::newRow("mixed UTF-8 and cp1252")
        << QByteArray("\xC3\xA9\xE9") << u"\u00C3\u00A9\u00E9"_s;
    QTest::newRow("NUL kept") << Raw("a\0b") << QString(u"a\0b"_s);
}

void TestWireText::wireToDisplay()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(WireToDisplay(bytes), text);
}

void TestWireText::everySingleByteDecodes()
{
    // No byte may vanish or become U+FFFD, and no two bytes may look the same.
    QSet<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        const QString text = WireToDisplay(QByteArray(1, char(b)));
        QCOMPARE(text.size(), 1);
        QVERIFY2(text.at(0) != QChar::ReplacementCharacter, QByteArray::number(b, 16).constData());
        seen.insert(text.at(0).unicode());
    }
    QCOMPARE(seen.size(), 256);

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QCOMPARE(WireToDisplay(all).size(), 256);
}

void TestWireText::displayRoundTrip_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("ASCII") << u"hi all"_s;
    QTest::newRow("accents") << u"Ça va, Zoë?"_s;
    QTest::newRow("CJK and emoji") << u"音楽 \U0001F3B5"_s;
    QTest::newRow("euro") << u"€5"_s;
}

void TestWireText::displayRoundTrip()
{
    QFETCH(QString, text);
    QCOMPARE(DisplayToWire(text), text.toUtf8());
    QCOMPARE(WireToDisplay(DisplayToWire(text)), text);
}

void TestWireText::pathRoundTrip_data()
{
    QTest::addColumn<QByteArray>("local");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("plain") << QByteArray("/home/ann/Music/a b.mp3")
                           << QByteArray("\\home\\ann\\Music\\a b.mp3");
    QTest::newRow("invalid UTF-8 bytes") << QByteArray("/srv/Mus\xFFik/\xE9t\xE9.mp3")
                                         << QByteArray("\\srv\\Mus\xFFik\\\xE9t\xE9.mp3");
    QTest::newRow("valid UTF-8") << QByteArray("/m/caf\xC3\xA9.ogg")
                                 << QByteArray("\\m\\caf\xC3\xA9.ogg");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestWireText::pathRoundTrip()
{
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, wire);
    QCOMPARE(LocalPathToWire(local), wire);
    QCOMPARE(WirePathToLocal(wire), local);
}

void TestWireText::invalidUtf8NameOpensAfterRoundTrip()
{
    // A file whose name is not UTF-8 must still be found again from its wire name; a QString
    // detour would turn the 0xFF byte into U+FFFD and lose the file.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray folder = QFile::encodeName(dir.path()) + "/Mus\xFFik";
    const QByteArray path = folder + "/\xE9t\xE9.mp3";
    QCOMPARE(::mkdir(folder.constData(), 0700), 0);
    // QTemporaryDir cannot remove these names itself: it walks the folder with QString names,
    // the very loss shown here.
    const auto cleanup = qScopeGuard([&] {
        ::unlink(path.constData());
        ::rmdir(folder.constData());
    });
    const int out = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    QVERIFY(out >= 0);
    QCOMPARE(::write(out, "ID3", 3), ssize_t(3));
    ::close(out);

    const QByteArray back = WirePathToLocal(LocalPathToWire(path));
    const int in = ::open(back.constData(), O_RDONLY);
    QVERIFY(in >= 0);
    char buffer[4] = {};
    QCOMPARE(::read(in, buffer, sizeof buffer), ssize_t(3));
    ::close(in);
    QCOMPARE(QByteArray(buffer), QByteArray("ID3"));
}

void TestWireText::safeFileName_data()
{
    QTest::addColumn<QByteArray>("remote");
    QTest::addColumn<QByteArray>("safe");

    QTest::newRow("plain name") << QByteArray("song.mp3") << QByteArray("song.mp3");
    QTest::newRow("windows path") << QByteArray("C:\\My Music\\a b.mp3") << QByteArray("a b.mp3");
    QTest::newRow("dot-dot inside") << QByteArray("a\\..\\b.mp3") << QByteArray("b.mp3");
    QTest::newRow("drive without slash") << QByteArray("C:evil") << QByteArray("evil");
    QTest::newRow("slash path") << QByteArray("dir/x") << QByteArray("x");
    QTest::newRow("absolute unix") << QByteArray("/etc/passwd") << QByteArray("passwd");
    QTest::newRow("mixed separators last wins")
        << QByteArray("a/b\\c:d/e.txt") << QByteArray("e.txt");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("dot") << QByteArray(".") << QByteArray();
    QTest::newRow("dot-dot") << QByteArray("..") << QByteArray();
    QTest::newRow("ends in dot-dot") << QByteArray("a\\..") << QByteArray();
    QTest::newRow("ends in separator") << QByteArray("music\\") << QByteArray();
    QTest::newRow("NUL inside") << Raw("ev\0il.mp3") << QByteArray("evil.mp3");
    QTest::newRow("NULs hiding dot-dot") << Raw(".\0.") << QByteArray();
    QTest::newRow("NUL only") << Raw("\0") << QByteArray();
    QTest::newRow("three dots is a name") << QByteArray("...") << QByteArray("...");
    QTest::newRow("hidden file kept") << QByteArray("x\\.hidden") << QByteArray(".hidden");
    QTest::newRow("non-UTF-8 bytes kept")
        << QByteArray("d\\\xE9t\xE9.mp3") << QByteArray("\xE9t\xE9.mp3");
}

void TestWireText::safeFileName()
{
    QFETCH(QByteArray, remote);
    QFETCH(QByteArray, safe);
    QCOMPARE(SafeFileName(remote), safe);
}
