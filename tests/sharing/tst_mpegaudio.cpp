#include "tst_mpegaudio.h"

#include "mp3fixtures.h"
#include "sharing/blockfilereader.h"
#include "sharing/mpegaudio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(char(v));
    return out;
}

QByteArray BigEndian(quint32 v)
{
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian<quint32>(v, out.data());
    return out;
}

// `size` bytes of `fill`, with each part written over them at its offset.
QByteArray Build(qsizetype size, const QList<std::pair<qsizetype, QByteArray>>& parts,
                 char fill = 0)
{
    QByteArray out(size, fill);
    for (const auto& [at, bytes] : parts)
        out.replace(at, bytes.size(), bytes);
    out.truncate(size);
    return out;
}

// `pattern` repeated to `size` bytes.
QByteArray Repeated(const QByteArray& pattern, qsizetype size)
{
    QByteArray out;
    out.reserve(size + pattern.size());
    while (out.size() < size)
        out += pattern;
    out.truncate(size);
    return out;
}

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo, no CRC, original: 417 bytes a frame,
// 418 with padding.
const QByteArray H128 = Bytes({0xFF, 0xFB, 0x90, 0x64});
const QByteArray H128Padded = Bytes({0xFF, 0xFB, 0x92, 0x64});

// A file of `size` bytes whose first frame pair is H128 at 0 and 417.
QByteArray CbrFile(qsizetype size)
{
    return Build(size, {{0, H128}, {417, H128}});
}

// A 128-byte ID3v1 tag; each field is padded with NUL bytes to its width.
QByteArray Id3v1(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                 const QByteArray& year, const QByteArray& comment, int genre)
{
    auto field = [](const QByteArray& text, qsizetype width) {
        return text.left(width) + QByteArray(qMax<qsizetype>(0, width - text.size()), '\0');
    };
    return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
           field(comment, 30) + char(genre);
}

// Every field that describes found audio is zero, as for a file without MPEG audio.
void ExpectNoAudio(const TMPEGAudio& audio, qint64 length)
{
    QCOMPARE(audio.length(), length);
    QCOMPARE(audio.version(), 0);
    QCOMPARE(audio.layer(), 0);
    QCOMPARE(audio.sampleRate(), 0);
    QCOMPARE(audio.bitRate(), 0);
    QCOMPARE(audio.mode(), 0);
    QCOMPARE(audio.frameLength(), 0);
    QCOMPARE(audio.duration(), 0);
    QCOMPARE(audio.headerOffset(), -1);
}

// Size of an ID3v2 block at the start of `file` (header, body and footer), from its header.
qint64 Id3v2Size(const QByteArray& file)
{
    if (!file.startsWith("ID3") || file.size() < 10)
        return 0;
    const auto b = [&](int i) { return qint64(uchar(file[i]) & 0x7F); };
    const qint64 body = (b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9);
    const bool footer = (uchar(file[5]) & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

} // namespace

void TestMPEGAudio::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_lame = Mp3Fixtures::LamePath();
}

QString TestMPEGAudio::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file %s", qPrintable(path));
    return path;
}

// ---------------------------------------------------------------------------------------------

void TestMPEGAudio::lameFiles_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("bitRate"); // -1: variable bitrate
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("frameLength"); // constant bitrate: without padding
    QTest::addColumn<QString>("title");   // empty: the file name
    QTest::addColumn<int>("track");

    const auto opts = [](const char* text) { return QString::fromLatin1(text).split(u' '); };
    // 144000 * 128 div 44100 = 417, 144000 * 64 div 44100 = 208, 72000 * 64 div 22050 = 208,
    // 72000 * 16 div 8000 = 144.
    QTest::newRow("CBR 128k 44.1 kHz stereo")
        << opts("-b 128 --cbr -m s") << 44100 << 2 << 5 << 1 << 128 << 0 << 417 << QString() << 0;
    QTest::newRow("CBR 128k joint stereo, no LAME tag")
        << opts("-t -b 128 --cbr -m j") << 44100 << 2 << 4 << 1 << 128 << 1 << 417 << QString()
        << 0;
    QTest::newRow("CBR 64k mono") << opts("-b 64 -m m") << 44100 << 1 << 6 << 1 << 64 << 3 << 208
                                  << QString() << 0;
    QTest::newRow("VBR stereo (Xing after 32 bytes of side information)")
        << opts("-V 2 -m j") << 44100 << 2 << 6 << 1 << -1 << 1 << 0 << QString() << 0;
    QTest::newRow("VBR mono (Xing after 17 bytes)")
        << opts("-V 5 -m m") << 44100 << 1 << 7 << 1 << -1 << 3 << 0 << QString() << 0;
    QTest::newRow("MPEG-2 22050 Hz 64k")
        << opts("-b 64 -m j") << 22050 << 2 << 5 << 2 << 64 << 1 << 208 << QString() << 0;
    QTest::newRow("MPEG-2 VBR mono (Xing after 9 bytes)")
        << opts("-V 5 -m m") << 22050 << 1 << 5 << 2 << -1 << 3 << 0 << QString() << 0;
    QTest::newRow("MPEG-2.5 8000 Hz 16k")
        << opts("-b 16 -m m") << 8000 << 1 << 5 << 3 << 16 << 3 << 144 << QString() << 0;
    QTest::newRow("ID3v2 block in front")
        << (opts("-b 128 -m s --id3v2-only --pad-id3v2-size 3000 --tt") << u"Tone"_s) << 44100 << 2
        << 5 << 1 << 128 << 0 << 417 << QString() << 0;
    QTest::newRow("ID3v1 tag at the end")
        << (opts("-b 128 -m s --id3v1-only --tn 7 --tg 17 --tt") << u"Tone title"_s) << 44100 << 2
        << 5 << 1 << 128 << 0 << 417 << u"Tone title"_s << 7;
}

void TestMPEGAudio::lameFiles()
{
    if (m_lame.isEmpty())
        QSKIP("lame is not installed: the encoder-made files cannot be made (the README's test "
              "set-up installs it)");
    QFETCH(QStringList, options);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, seconds);
    QFETCH(int, version);
    QFETCH(int, bitRate);
    QFETCH(int, mode);
    QFETCH(int, frameLength);
    QFETCH(QString, title);
    QFETCH(int, track);

    const QString wav = m_dir.filePath(u"tone.wav"_s);
    const QString mp3 =
        m_dir.filePath(QString(u"lame "_s + QString::fromUtf8(QTest::currentDataTag()) + u".mp3"_s)
                           .replace(u' ', u'_'));
    QVERIFY(Mp3Fixtures::WriteToneWav(wav, rate, channels, qint64(rate) * seconds));
    const QString failure = Mp3Fixtures::Encode(m_lame, wav, mp3, options);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QFile file(mp3);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qint64 size = bytes.size();

    TMPEGAudio audio;
    audio.setFileName(mp3);
    QCOMPARE(audio.length(), size);
    QCOMPARE(audio.version(), version);
    QCOMPARE(audio.layer(), 3);
    QCOMPARE(audio.sampleRate(), rate);
    QCOMPARE(audio.bitRate(), bitRate);
    QCOMPARE(audio.mode(), mode);
    QCOMPARE(audio.headerOffset(), Id3v2Size(bytes));
    QVERIFY2(qAbs(audio.duration() - seconds) <= 1, qPrintable(QString::number(audio.duration())));
    if (bitRate > 0) {
        // Constant bitrate: the whole file's length at the header's bitrate.
        QCOMPARE(audio.duration(), size * 8 / (qint64(bitRate) * 1000));
        QVERIFY2(audio.frameLength() == frameLength || audio.frameLength() == frameLength + 1,
                 qPrintable(QString::number(audio.frameLength())));
    } else {
        // Variable bitrate: the average frame, near the size over the frames the tone needs.
        const int samplesPerFrame = version == 1 ? 1152 : 576;
        const double frames = double(rate) * seconds / samplesPerFrame;
        const double average = double(size) / frames;
        QVERIFY2(qAbs(double(audio.frameLength()) - average) < average * 0.1,
                 qPrintable(QString::number(audio.frameLength())));
    }
    QCOMPARE(audio.title(), title.isEmpty() ? QFileInfo(mp3).fileName().left(30) : title);
    QCOMPARE(audio.track(), track);
}

// ---------------------------------------------------------------------------------------------

void TestMPEGAudio::headerPairs_data()
{
    QTest::addColumn<QByteArray>("prefix"); // bytes before the first header
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("distance"); // the first header's frame length
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("layer");
    QTest::addColumn<int>("bitRate");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("protection");
    QTest::addColumn<int>("frameLength"); // the second header's
    QTest::addColumn<int>("duration");

    const QByteArray none;
    // 4,000,000 * 8 div 128,000 = 250 s; frames of 417 bytes, 418 with padding. The second
    // header's values win.
    QTest::newRow("MPEG-1 III 128k 44.1k, padded partner")
        << none << H128 << H128Padded << 417 << 4'000'000 << 1 << 3 << 128 << 44100 << 1 << 1 << 418
        << 250;
    QTest::newRow("MPEG-1 III 128k 44.1k, unpadded partner")
        << none << H128Padded << H128 << 418 << 4'000'000 << 1 << 3 << 128 << 44100 << 1 << 1 << 417
        << 250;
    // 72000 * 64 div 22050 + padding = 208 or 209.
    QTest::newRow("MPEG-2 III 64k 22.05k")
        << none << Bytes({0xFF, 0xF3, 0x80, 0x44}) << Bytes({0xFF, 0xF3, 0x82, 0x44}) << 208
        << 100'000 << 2 << 3 << 64 << 22050 << 1 << 1 << 209 << 12;
    QTest::newRow("MPEG-2.5 III 16k 8k mono")
        << none << Bytes({0xFF, 0xE3, 0x28, 0xC4}) << Bytes({0xFF, 0xE3, 0x28, 0xC4}) << 144
        << 50'000 << 3 << 3 << 16 << 8000 << 3 << 1 << 144 << 25;
    // (12000 * 288 div 44100 + padding) * 4 = 312 or 316.
    QTest::newRow("MPEG-1 I 288k 44.1k")
        << none << Bytes({0xFF, 0xFF, 0x90, 0x00}) << Bytes({0xFF, 0xFF, 0x92, 0x00}) << 312
        << 300'000 << 1 << 1 << 288 << 44100 << 0 << 1 << 316 << 8;
    QTest::newRow("MPEG-1 II 160k 48k dual channel")
        << none << Bytes({0xFF, 0xFD, 0x94, 0x80}) << Bytes({0xFF, 0xFD, 0x94, 0x80}) << 480
        << 200'000 << 1 << 2 << 160 << 48000 << 2 << 1 << 480 << 10;
    QTest::newRow("MPEG-2 II 64k 24k")
        << none << Bytes({0xFF, 0xF5, 0x84, 0x00}) << Bytes({0xFF, 0xF5, 0x84, 0x00}) << 384
        << 64'000 << 2 << 2 << 64 << 24000 << 0 << 1 << 384 << 8;
    QTest::newRow("MPEG-2 I 256k 16k")
        << none << Bytes({0xFF, 0xF7, 0xE8, 0x00}) << Bytes({0xFF, 0xF7, 0xE8, 0x00}) << 768
        << 320'000 << 2 << 1 << 256 << 16000 << 0 << 1 << 768 << 10;
    QTest::newRow("MPEG-1 III 32k 32k with CRC")
        << none << Bytes({0xFF, 0xFA, 0x18, 0x00}) << Bytes({0xFF, 0xFA, 0x18, 0x00}) << 144
        << 40'000 << 1 << 3 << 32 << 32000 << 0 << 0 << 144 << 10;
    QTest::newRow("after 1,234 bytes of text")
        << Repeated("not audio, ", 1234) << H128 << H128 << 417 << 100'000 << 1 << 3 << 128 << 44100
        << 1 << 1 << 417 << 6;
    // An ID3v2 frame in UTF-16 starts with the byte order mark FF FE, and FF FE 54 00 ("T")
    // is a valid Layer I header: it counts only if a partner follows, and none does.
    const QByteArray id3v2 = Build(3000, {{0, "ID3\x03\x00\x00\x00\x00\x17\x26"_ba},
                                          {10, "TIT2\x00\x00\x00\x05\x00\x00\x01"_ba},
                                          {21, Bytes({0xFF, 0xFE, 0x54, 0x00})}});
    QTest::newRow("false sync inside an ID3v2 block")
        << id3v2 << H128 << H128 << 417 << 100'000 << 1 << 3 << 128 << 44100 << 1 << 1 << 417 << 6;
}

void TestMPEGAudio::headerPairs()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, distance);
    QFETCH(int, size);
    const qsizetype at = prefix.size();
    const QString path =
        writeFile(u"pair.mp3"_s, Build(size, {{0, prefix}, {at, first}, {at + distance, second}}));

    TMPEGAudio audio;
    audio.setFileName(path);
    QCOMPARE(audio.length(), qint64(size));
    QCOMPARE(audio.headerOffset(), qint64(at));
    QTEST(audio.version(), "version");
    QTEST(audio.layer(), "layer");
    QTEST(audio.bitRate(), "bitRate");
    QTEST(audio.sampleRate(), "sampleRate");
    QTEST(audio.mode(), "mode");
    QTEST(audio.protectionBit(), "protection");
    QTEST(int(audio.frameLength()), "frameLength");
    QTEST(int(audio.duration()), "duration");
}

void TestMPEGAudio::xingHeaders_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("distance");
    QTest::addColumn<int>("xingAt");
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<quint32>("frames");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bitRate");
    QTest::addColumn<qint64>("duration");
    QTest::addColumn<qint64>("frameLength");

    const QByteArray mpeg1At32k = Bytes({0xFF, 0xFB, 0x98, 0x64}); // 128k, 576-byte frames
    // 1152 * 10000 / 44100 = 261.2 s.
    QTest::newRow("10000 frames at 44.1 kHz")
        << H128 << 417 << 36 << "Xing"_ba << 1u << 10000u << 1'000'000 << -1 << 261ll << 100ll;
    QTest::newRow("every optional field present")
        << H128 << 417 << 36 << "Xing"_ba << 15u << 10000u << 1'000'000 << -1 << 261ll << 100ll;
    QTest::newRow("no frame count")
        << H128 << 417 << 36 << "Xing"_ba << 14u << 10000u << 1'000'000 << -1 << 0ll << 0ll;
    // 1152 * 125 / 32000 = 4.5 and 1152 * 375 / 32000 = 13.5: halves go to the even neighbour.
    QTest::newRow("4.5 s rounds to 4")
        << mpeg1At32k << 576 << 36 << "Xing"_ba << 1u << 125u << 100'000 << -1 << 4ll << 800ll;
    QTest::newRow("13.5 s rounds to 14")
        << mpeg1At32k << 576 << 36 << "Xing"_ba << 1u << 375u << 100'000 << -1 << 14ll << 266ll;
    // 1152 * 1000 / 44100 = 576 * 1000 / 22050 = 26.1; 384 * 1000 / 44100 = 8.7.
    QTest::newRow("MPEG-1 mono: after 17 bytes")
        << Bytes({0xFF, 0xFB, 0x90, 0xC4}) << 417 << 21 << "Xing"_ba << 1u << 1000u << 100'000 << -1
        << 26ll << 100ll;
    QTest::newRow("MPEG-2 stereo: after 17 bytes")
        << Bytes({0xFF, 0xF3, 0x80, 0x44}) << 208 << 21 << "Xing"_ba << 1u << 1000u << 100'000 << -1
        << 26ll << 100ll;
    QTest::newRow("MPEG-2 mono: after 9 bytes")
        << Bytes({0xFF, 0xF3, 0x80, 0xC4}) << 208 << 13 << "Xing"_ba << 1u << 1000u << 100'000 << -1
        << 26ll << 100ll;
    QTest::newRow("Layer I: 384 samples a frame")
        << Bytes({0xFF, 0xFF, 0x90, 0x00}) << 312 << 36 << "Xing"_ba << 1u << 1000u << 100'000 << -1
        << 9ll << 100ll;
    // 1152 * 4294967295 / 44100 = 112195064.03: the count is unsigned and nothing wraps.
    QTest::newRow("largest frame count") << H128 << 417 << 36 << "Xing"_ba << 1u << 0xFFFFFFFFu
                                         << 100'000 << -1 << 112195064ll << 0ll;
    // Stereo MPEG-1 keeps its Xing header after 32 bytes; one at 17 is not looked for.
    QTest::newRow("stereo MPEG-1 with Xing at the mono place")
        << H128 << 417 << 21 << "Xing"_ba << 1u << 1000u << 100'000 << 128 << 6ll << 417ll;
    QTest::newRow("Info (a constant bitrate tag) is not Xing")
        << H128 << 417 << 36 << "Info"_ba << 1u << 1000u << 100'000 << 128 << 6ll << 417ll;
}

void TestMPEGAudio::xingHeaders()
{
    QFETCH(QByteArray, header);
    QFETCH(int, distance);
    QFETCH(int, xingAt);
    QFETCH(QByteArray, id);
    QFETCH(quint32, flags);
    QFETCH(quint32, frames);
    QFETCH(int, size);

    QByteArray xing = id + BigEndian(flags);
    if (flags & 1)
        xing += BigEndian(frames);
    if (flags & 2)
        xing += BigEndian(quint32(size));
    if (flags & 4)
        xing += QByteArray(100, '\x11');
    if (flags & 8)
        xing += BigEndian(50);
    const QString path =
        writeFile(u"xing.mp3"_s, Build(size, {{0, header}, {xingAt, xing}, {distance, header}}));

    TMPEGAudio audio;
    audio.setFileName(path);
    QCOMPARE(audio.headerOffset(), 0);
    QTEST(audio.bitRate(), "bitRate");
    QTEST(audio.duration(), "duration");
    QTEST(audio.frameLength(), "frameLength");
    QVERIFY(audio.sampleRate() > 0);
}

void TestMPEGAudio::truncatedXingHeader_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<qint64>("duration");
    QTest::addColumn<qint64>("frameLength");
    QTest::addColumn<bool>("tagRead");

    // MPEG-2.5 Layer III, 8 kbit/s, 8000 Hz, mono: 72-byte frames, the Xing header 13 bytes in,
    // its 116-byte body ending at 8133. Cut before that, the inspection ends where the read
    // fails: variable bitrate, but the time and frame length still those of the header
    // (8100 * 8 div 8000 = 8 s) and no tag read. Whole: 576 * 1000 / 8000 = 72 s.
    QTest::newRow("body cut by the end of the file") << 8100 << 8ll << 72ll << false;
    QTest::newRow("body whole") << 8200 << 72ll << 8ll << true;
}

void TestMPEGAudio::truncatedXingHeader()
{
    QFETCH(int, size);
    const QByteArray header = Bytes({0xFF, 0xE3, 0x18, 0xC0});
    const QString path = writeFile(u"truncated-xing.mp3"_s,
                                   Build(size, {{8000, header},
                                                {8013, "Xing"_ba + BigEndian(1) + BigEndian(1000)},
                                                {8072, header}}));

    TMPEGAudio audio;
    audio.setFileName(path);
    QCOMPARE(audio.length(), qint64(size));
    QCOMPARE(audio.headerOffset(), 8000);
    QCOMPARE(audio.sampleRate(), 8000);
    QCOMPARE(audio.bitRate(), TMPEGAudio::VariableBitRate);
    QTEST(audio.duration(), "duration");
    QTEST(audio.frameLength(), "frameLength");
    QFETCH(bool, tagRead);
    QCOMPARE(audio.title(), tagRead ? u"truncated-xing.mp3"_s : QString());
}

void TestMPEGAudio::id3v1Tags_data()
{
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("genre");

    const QString name = u"tagged.mp3"_s;
    QTest::newRow("ID3v1.1: track after the comment")
        << Id3v1("Song", "Band" + QByteArray(26, ' '), "Album", "1999",
                 "Nice" + QByteArray(24, '\0') + '\0' + '\x07', 17)
        << name << u"Song"_s << u"Band"_s << u"Album"_s << u"1999"_s << u"Nice"_s << 7 << 17;
    QTest::newRow("ID3v1.0: the comment fills 30 bytes, its last is the track byte")
        << Id3v1("T", "A", "B", "2001", "123456789012345678901234567890", 12) << name << u"T"_s
        << u"A"_s << u"B"_s << u"2001"_s << u"123456789012345678901234567890"_s << int('0') << 12;
    QTest::newRow("a NUL cuts a field, trailing spaces go")
        << Id3v1("Title\0garbage"_ba, "Artist   ", "Album \0 x"_ba, "19\0\0"_ba, "", 255) << name
        << u"Title"_s << u"Artist"_s << u"Album"_s << u"19"_s << QString() << 0 << 255;
    QTest::newRow("fields that fill their width")
        << Id3v1(QByteArray(30, 't'), QByteArray(30, 'a'), QByteArray(30, 'b'), "2024", "", 0)
        << name << QString(30, u't') << QString(30, u'a') << QString(30, u'b') << u"2024"_s
        << QString() << 0 << 0;
    QTest::newRow("8-bit text: UTF-8, else Windows-1252")
        << Id3v1("Bj\xc3\xb6rk", "Caf\xe9 \x80", "", "", "", 1) << name << u"Björk"_s << u"Café €"_s
        << QString() << QString() << QString() << 0 << 1;
    QTest::newRow("no tag: the title is the file name, cut to 30 characters")
        << QByteArray("TAX").append(125, 'x') << u"a-file-name-longer-than-thirty-characters.mp3"_s
        << u"a-file-name-longer-than-thirty"_s << QString() << QString() << QString() << QString()
        << 0 << 255;
}

void TestMPEGAudio::id3v1Tags()
{
    QFETCH(QByteArray, tag);
    QFETCH(QString, name);
    QCOMPARE(tag.size(), 128);
    const QString path = writeFile(name, CbrFile(2000) + tag);

    TMPEGAudio audio;
    audio.setFileName(path);
    QCOMPARE(audio.bitRate(), 128);
    QCOMPARE(audio.length(), 2128);
    QCOMPARE(audio.duration(), 2128 * 8 / 128000);
    QTEST(audio.title(), "title");
    QTEST(audio.artist(), "artist");
    QTEST(audio.album(), "album");
    QTEST(audio.year(), "year");
    QTEST(audio.comment(), "comment");
    QTEST(audio.track(), "track");
    QTEST(audio.genre(), "genre");
}

// ---------------------------------------------------------------------------------------------

void TestMPEGAudio::filesWithoutAudio_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("length");

    QTest::newRow("empty file") << QByteArray() << 0ll;
    QTest::newRow("5 bytes, a header among them") << H128 + '\0' << 0ll;
    QTest::newRow("6 bytes") << QByteArray(6, '\0') << 6ll;
    QTest::newRow("text file") << Repeated("Just a text file.\n", 3000) << 3000ll;
    QTest::newRow("sync, no second header") << Build(2000, {{100, H128}}) << 2000ll;
    QTest::newRow("sync, tag bytes one frame on")
        << Build(1000, {{0, H128}, {417, "TAG"_ba}}) << 1000ll;
    QTest::newRow("sync too close to the end") << Build(1000, {{990, H128}}) << 1000ll;
    // A single frame cannot be confirmed: no partner, however close the end.
    QTest::newRow("one frame, the file ends where the next would start")
        << Build(417, {{0, H128}}) << 417ll;
    QTest::newRow("partner cut after 2 of its 4 bytes")
        << Build(419, {{0, H128}, {417, H128}}) << 419ll;
    QTest::newRow("partner cut after 3 of its 4 bytes")
        << Build(420, {{0, H128}, {417, H128}}) << 420ll;
    QTest::newRow("FF 00 repeated over several blocks")
        << Repeated(Bytes({0xFF, 0x00}), 600'000) << 600'000ll;
    QTest::newRow("FF repeated") << QByteArray(70'000, '\xFF') << 70'000ll;
}

void TestMPEGAudio::filesWithoutAudio()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, length);
    const QString path = writeFile(u"not-audio.mp3"_s, bytes);

    TMPEGAudio audio;
    audio.setFileName(path);
    ExpectNoAudio(audio, length);
    QCOMPARE(audio.fileName(), path);
}

void TestMPEGAudio::invalidHeadersNeverAccepted_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("bitRate");

    // The header fills the file, so a decoder that took it for valid would find a partner at
    // any frame length that is a multiple of four, as Layer I lengths always are.
    QTest::newRow("valid Layer I header (control)") << Bytes({0xFF, 0xFF, 0x90, 0x00}) << 288;
    QTest::newRow("layer bits 00") << Bytes({0xFF, 0xF9, 0x90, 0x00}) << 0;
    QTest::newRow("layer bits 00, MPEG-2") << Bytes({0xFF, 0xF1, 0x80, 0x00}) << 0;
    QTest::newRow("bitrate index 15") << Bytes({0xFF, 0xFF, 0xF0, 0x00}) << 0;
    QTest::newRow("bitrate index 0 (free format)") << Bytes({0xFF, 0xFF, 0x00, 0x00}) << 0;
    QTest::newRow("sample-rate index 3") << Bytes({0xFF, 0xFF, 0x9C, 0x00}) << 0;
    QTest::newRow("reserved version") << Bytes({0xFF, 0xEF, 0x90, 0x00}) << 0;
}

void TestMPEGAudio::invalidHeadersNeverAccepted()
{
    QFETCH(QByteArray, header);
    QFETCH(int, bitRate);
    const QString path = writeFile(u"repeated.mp3"_s, Repeated(header, 8192));

    TMPEGAudio audio;
    audio.setFileName(path);
    QCOMPARE(audio.bitRate(), bitRate);
    QCOMPARE(audio.headerOffset(), bitRate != 0 ? 0 : -1);
    QCOMPARE(audio.length(), 8192);
}

void TestMPEGAudio::searchResumesOneByteAfterRejectedCandidate()
{
    // At 10: FF FF E2 80, MPEG-1 Layer I at 448 kbit/s with a 488-byte frame and nothing there.
    // At 11: FF E2 80 00, MPEG-2.5 Layer III, 64 kbit/s, 11025 Hz, 417-byte frames, whose
    // partner is at 428. Only a search that goes on one byte after a rejected candidate finds it.
    const QString path =
        writeFile(u"overlap.mp3"_s, Build(2000, {{10, Bytes({0xFF, 0xFF, 0xE2, 0x80})},
                                                 {428, Bytes({0xFF, 0xE2, 0x80, 0x00})}}));

    TMPEGAudio audio;
    audio.setFileName(path);
    QCOMPARE(audio.headerOffset(), 11);
    QCOMPARE(audio.version(), 3);
    QCOMPARE(audio.layer(), 3);
    QCOMPARE(audio.bitRate(), 64);
    QCOMPARE(audio.sampleRate(), 11025);
    QCOMPARE(audio.frameLength(), 417);
    QCOMPARE(audio.protectionBit(), 0);
}

void TestMPEGAudio::pairAcrossBlockEdges_data()
{
    QTest::addColumn<qint64>("at");

    // The first read holds FirstBlockSize bytes; the search then reads BlockSize bytes from
    // three bytes before the end of what it has.
    const qint64 first = BlockFileReader::FirstBlockSize;
    const qint64 second = first - 3 + BlockFileReader::BlockSize;
    QTest::newRow("header ends the first read") << first - 4;
    QTest::newRow("header across the first edge, 3 bytes in") << first - 3;
    QTest::newRow("header across the first edge, 2 bytes in") << first - 2;
    QTest::newRow("header across the first edge, 1 byte in") << first - 1;
    QTest::newRow("header starts after the first edge") << first;
    QTest::newRow("partner across the first edge") << first - 417 - 2;
    QTest::newRow("header across the second edge") << second - 2;
    QTest::newRow("partner across the second edge") << second - 417 - 1;
    QTest::newRow("far in") << 3 * BlockFileReader::BlockSize + 5;
}

void TestMPEGAudio::pairAcrossBlockEdges()
{
    QFETCH(qint64, at);
    // FF 00 before the pair: the densest run of sync bytes that holds no header.
    QByteArray bytes = Repeated(Bytes({0xFF, 0x00}), at) + H128;
    bytes += QByteArray(413, '\0') + H128 + QByteArray(100, '\0');
    const QString path = writeFile(u"edges.mp3"_s, bytes);

    TMPEGAudio audio;
    audio.setFileName(path);
    QCOMPARE(audio.headerOffset(), at);
    QCOMPARE(audio.bitRate(), 128);
    QCOMPARE(audio.sampleRate(), 44100);
}

// ---------------------------------------------------------------------------------------------

void TestMPEGAudio::missingOrSpecialPaths_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("notFound");

    QTest::newRow("missing file") << u"missing"_s << true;
    QTest::newRow("missing folder on the way") << u"missing-folder"_s << true;
    QTest::newRow("directory") << u"directory"_s << true;
    // A FIFO would block a plain open and a read: it is refused as unreadable at once.
    QTest::newRow("FIFO") << u"fifo"_s << false;
}

void TestMPEGAudio::missingOrSpecialPaths()
{
    QFETCH(QString, kind);
    QFETCH(bool, notFound);
    QString path;
    if (kind == u"missing") {
        path = m_dir.filePath(u"gone.mp3"_s);
    } else if (kind == u"missing-folder") {
        path = m_dir.filePath(u"no-such-folder/gone.mp3"_s);
    } else if (kind == u"directory") {
        path = m_dir.filePath(u"folder.mp3"_s);
        QVERIFY(QDir(m_dir.path()).mkpath(u"folder.mp3"_s));
    } else {
        path = m_dir.filePath(u"pipe.mp3"_s);
        QFile::remove(path);
        if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            QSKIP("cannot make a FIFO here");
    }

    TMPEGAudio audio;
    audio.setFileName(path);
    ExpectNoAudio(audio, 0);
    QCOMPARE(audio.fileName(), path);
    QCOMPARE(audio.title(), notFound ? (u"[not found: "_s + path + u']').left(30) : QString());
}

void TestMPEGAudio::invalidUtf8NameOpens()
{
    const QByteArray name = "caf\xe9-\xff.mp3";
    const QByteArray path = QFile::encodeName(m_dir.path()) + '/' + name;
    const QByteArray bytes = CbrFile(10'000);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    QVERIFY(written);

    TMPEGAudio audio;
    audio.setFileName(path);
    ::unlink(path.constData()); // QTemporaryDir cannot remove a name it cannot decode
    QCOMPARE(audio.nativeFileName(), path);
    QCOMPARE(audio.length(), 10'000);
    QCOMPARE(audio.bitRate(), 128);
}

void TestMPEGAudio::relativePathIsExpanded()
{
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    writeFile(u"relative.mp3"_s, CbrFile(5000));
    const QByteArray expected = QFile::encodeName(QDir::currentPath()) + "/relative.mp3";

    TMPEGAudio audio;
    audio.setFileName(QByteArray("sub/.././/relative.mp3"));
    const QByteArray viaBytes = audio.nativeFileName();
    const int bitRateViaBytes = audio.bitRate();
    audio.setFileName(u"./relative.mp3"_s);
    QVERIFY(QDir::setCurrent(saved));

    QCOMPARE(viaBytes, expected);
    QCOMPARE(bitRateViaBytes, 128);
    QCOMPARE(audio.nativeFileName(), expected);
    QCOMPARE(audio.bitRate(), 128);
}

void TestMPEGAudio::instanceReuseResetsFields()
{
    const QString tagged = writeFile(
        u"vbr-tagged.mp3"_s,
        Build(100'000, {{0, H128}, {36, "Xing"_ba + BigEndian(1) + BigEndian(1000)}, {417, H128}}) +
            Id3v1("Song", "Band", "Album", "1999", "", 17));
    const QString text = writeFile(u"text.mp3"_s, Repeated("plain text ", 5000));

    TMPEGAudio audio;
    audio.setFileName(tagged);
    QCOMPARE(audio.bitRate(), TMPEGAudio::VariableBitRate);
    QCOMPARE(audio.title(), u"Song"_s);

    audio.setFileName(text);
    ExpectNoAudio(audio, 5000);
    QCOMPARE(audio.title(), QString());
    QCOMPARE(audio.artist(), QString());
    QCOMPARE(audio.genre(), 255);
    QCOMPARE(audio.fileName(), text);

    audio.setFileName(m_dir.filePath(u"gone.mp3"_s));
    ExpectNoAudio(audio, 0);
}

void TestMPEGAudio::sparseFileAbove4GiB_data()
{
    QTest::addColumn<qint64>("pairAt"); // -1: no audio at all

    QTest::newRow("no audio in 5 GB") << qint64(-1);
    QTest::newRow("pair at the start") << qint64(0);
    QTest::newRow("pair above 4 GiB") << (qint64(1) << 32) + 1000;
    QTest::newRow("pair where data starts after a hole") << (qint64(1) << 32);
    QTest::newRow("pair across a block edge after a hole") << (qint64(1) << 32) + 4094;
}

void TestMPEGAudio::sparseFileAbove4GiB()
{
    QFETCH(qint64, pairAt);
    const qint64 size = 5'000'000'000;
    const QString path = m_dir.filePath(u"x.mp3"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!file.resize(size)) {
            file.remove();
            QSKIP("this file system cannot hold a 5 GB file");
        }
        if (pairAt >= 0) {
            QVERIFY(file.seek(pairAt) && file.write(H128) == 4);
            QVERIFY(file.seek(pairAt + 417) && file.write(H128) == 4);
        }
    }
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    if (qint64(info.st_blocks) * 512 > 64 * 1024 * 1024) {
        QFile::remove(path);
        QSKIP("this file system does not keep the 5 GB file sparse");
    }

    TMPEGAudio audio;
    audio.setFileName(path);
    QFile::remove(path);
    if (pairAt < 0) {
        ExpectNoAudio(audio, size);
        return;
    }
    QCOMPARE(audio.length(), size);
    QCOMPARE(audio.headerOffset(), pairAt);
    QCOMPARE(audio.bitRate(), 128);
    // 5,000,000,000 * 8 div 128,000: neither the length nor the time is cut to fewer bits.
    QCOMPARE(audio.duration(), 312'500);
}

void TestMPEGAudio::fileShrinkingWhileRead()
{
    // One thread cuts the file short and writes it back whole, over and over, while this one
    // inspects it. Every inspection must end with either the file's values or no audio.
    const QByteArray whole = CbrFile(200'000) + Id3v1("Song", "", "", "", "", 1);
    const QString path = writeFile(u"shrinking.mp3"_s, whole);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    QVERIFY(fd >= 0);
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        for (int round = 0; !stop; ++round) {
            if (::ftruncate(fd, (round % 3) * 300) != 0)
                break;
            if (::pwrite(fd, whole.constData(), size_t(whole.size()), 0) != whole.size())
                break;
        }
    });

    TMPEGAudio audio;
    bool allDefined = true;
    QString first;
    for (int i = 0; i < 400 && allDefined; ++i) {
        audio.setFileName(path);
        const bool full = audio.bitRate() == 128 && audio.sampleRate() == 44100 &&
                          audio.headerOffset() == 0 &&
                          audio.duration() == audio.length() * 8 / 128000;
        const bool none = audio.bitRate() == 0 && audio.sampleRate() == 0 &&
                          audio.duration() == 0 && audio.headerOffset() == -1;
        allDefined = (full || none) && audio.length() >= 0 && audio.length() <= whole.size();
        if (!allDefined)
            first = u"length %1 bit rate %2 offset %3"_s.arg(audio.length())
                        .arg(audio.bitRate())
                        .arg(audio.headerOffset());
    }
    stop = true;
    writer.join();
    ::close(fd);
    QVERIFY2(allDefined, qPrintable(first));
}
