#include "tests/sharedfiles/tst_announce.h"

#include "protocol/wireformat.h"
#include "sharing/folderwalker.h"
#include "sharing/mpegannouncer.h"
#include "sharing/sharemessages.h"
#include "sharing/sharepath.h"
#include "tests/sharedfiles/sharefixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

void TestAnnounce::pathOrder_data()
{
    QTest::addColumn<QList<QByteArray>>("input");
    QTest::addColumn<QList<QByteArray>>("sorted");

    QTest::newRow("letter case ignored, exact duplicates dropped")
        << QList<QByteArray>{"/m/b", "/m/A", "/m/a", "/m/b"}
        << QList<QByteArray>{"/m/A", "/m/a", "/m/b"};
    QTest::newRow("a sub-folder's files stand between its parent's")
        << QList<QByteArray>{"/A/d.mp3", "/A/a.mp3", "/A/b/c.mp3"}
        << QList<QByteArray>{"/A/a.mp3", "/A/b/c.mp3", "/A/d.mp3"};
    QTest::newRow("bytes that are not UTF-8 have a place too")
        << QList<QByteArray>{"/m/\xff", "/m/\xc3\xa9", "/m/z"}
        << QList<QByteArray>{"/m/z", "/m/\xc3\xa9", "/m/\xff"};
}

void TestAnnounce::pathOrder()
{
    QFETCH(QList<QByteArray>, input);
    QFETCH(QList<QByteArray>, sorted);
    SortSharePaths(input);
    QCOMPARE(input, sorted);
}

void TestAnnounce::messages()
{
    QCOMPARE(
        JoinFields(ShareGenericFields("/home/ann/My Docs/a.txt", 1234, "text")),
        QByteArray("\"\\home\\ann\\My Docs\\a.txt\" 1234 00000000000000000000000000000000 text"));
    QCOMPARE(JoinFields(UnshareFileFields("/home/ann/a b.mp3")),
             QByteArray("\\home\\ann\\a b.mp3"));
    QCOMPARE(JoinFields(ShareFileFields("/d/a.mp3", 4000000, 128, 44100, 250)),
             QByteArray("\"\\d\\a.mp3\" 00000000000000000000000000000000 4000000 128 44100 250"));
    QCOMPARE(MpegEntry("/d/a.mp3", 4000000, 128, 44100, 250),
             QByteArray(" \"a.mp3\" 00000000000000000000000000000000 4000000 128 44100 250"));
    QCOMPARE(FolderBatch("/C/Music/a.mp3").text(), QByteArray("\"\\C\\Music\""));

    // A message fits one frame up to 2044 payload bytes, and is never cut.
    QVERIFY(FitsOneFrame({QByteArray(2040, 'a'), "bcd"}));
    QVERIFY(!FitsOneFrame({QByteArray(2041, 'a'), "bcd"}));
    QVERIFY(FitsOneFrame({}));
}

void TestAnnounce::shareablePaths_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("shareable");

    QTest::newRow("spaces and a single quote") << QByteArray("/m/it's a song.mp3") << true;
    QTest::newRow("UTF-8") << QByteArray("/m/caf\xc3\xa9.mp3") << true;
    QTest::newRow("not UTF-8") << QByteArray("/m/\xff\xfe.mp3") << true;
    QTest::newRow("double quote") << QByteArray("/m/say \"hi\".mp3") << false;
    QTest::newRow("backslash") << QByteArray("/m/a\\b.mp3") << false;
    QTest::newRow("line feed") << QByteArray("/m/a\nb.mp3") << false;
    QTest::newRow("carriage return") << QByteArray("/m/a\rb.mp3") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("longer than a path can be") << QByteArray(5000, 'a') << false;
}

void TestAnnounce::shareablePaths()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, shareable);
    QCOMPARE(IsShareablePath(path), shareable);
}

void TestAnnounce::groups_data()
{
    QTest::addColumn<QList<QByteArray>>("sorted");
    QTest::addColumn<QList<QList<QByteArray>>>("groups");

    QTest::newRow("one folder: last file first")
        << QList<QByteArray>{"/M/a.mp3", "/M/b.mp3"}
        << QList<QList<QByteArray>>{{"/M/b.mp3", "/M/a.mp3"}};
    QTest::newRow("a sub-folder splits its parent's files into two groups")
        << QList<QByteArray>{"/A/a.mp3", "/A/b/c.mp3", "/A/d.mp3"}
        << QList<QList<QByteArray>>{{"/A/d.mp3"}, {"/A/b/c.mp3"}, {"/A/a.mp3"}};
    QTest::newRow("folders differing in case are different folders")
        << QList<QByteArray>{"/M/a.mp3", "/m/b.mp3"}
        << QList<QList<QByteArray>>{{"/m/b.mp3"}, {"/M/a.mp3"}};
    QTest::newRow("nothing") << QList<QByteArray>{} << QList<QList<QByteArray>>{};
}

void TestAnnounce::groups()
{
    QFETCH(QList<QByteArray>, sorted);
    QFETCH(QList<QList<QByteArray>>, groups);
    QCOMPARE(MpegAnnouncer::Groups(sorted), groups);
}

void TestAnnounce::batchSplitting()
{
    // Entries of 100 bytes into a folder of 20 (with its quotes): the 21st entry would make
    // 2120 bytes, so the batch goes out with 20 entries (2020 bytes) and the next one starts
    // with the same quoted folder.
    const QByteArray path = "/music/some/folder/x.mp3";
    FolderBatch batch(path);
    const QByteArray head = "\"\\music\\some\\folder\"";
    QCOMPARE(batch.text(), head);
    QVERIFY(!batch.hasEntries());
    const QByteArray entry(100, 'e');
    QList<QByteArray> sent;
    for (int i = 0; i < 45; ++i) {
        QByteArray full;
        if (batch.append(entry, &full))
            sent.append(full);
    }
    QCOMPARE(sent.size(), 2);
    for (const QByteArray& text : std::as_const(sent)) {
        QVERIFY(text.startsWith(head));
        QCOMPARE(text.size(), head.size() + 20 * 100);
    }
    QVERIFY(batch.hasEntries());
    QCOMPARE(batch.text(), head + QByteArray(5 * 100, 'e'));

    // The boundary: a batch may be exactly 2044 bytes long.
    FolderBatch exact(path);
    QByteArray none;
    QVERIFY(!exact.append(QByteArray(FolderBatch::MaxLength - head.size(), 'x'), &none));
    QCOMPARE(exact.text().size(), FolderBatch::MaxLength);
    QVERIFY(exact.append("y", &none));
    QCOMPARE(none.size(), FolderBatch::MaxLength);
    QCOMPARE(exact.text(), head + "y");
}

void TestAnnounce::entryTooLongForOneFrame()
{
    // A file deep enough that its entry cannot fit one frame beside its quoted folder is not
    // announced (a cut batch would name a file that does not exist); a file elsewhere is.
    Mp3Files mp3;
    QString why;
    if (!mp3.make(&why))
        QSKIP(qPrintable(why));
    FilesDir dir;
    QByteArray deep = QFile::encodeName(dir.path());
    while (deep.size() < 2000)
        deep += '/' + QByteArray(250, 'd');
    const QByteArray deepFile = deep + "/x.mp3";
    const QByteArray shallowFile = QFile::encodeName(dir.path()) + "/y.mp3";
    QVERIFY(WriteNative(deepFile, mp3.cbr()));
    QVERIFY(WriteNative(shallowFile, mp3.cbr()));

    QList<ShareStep> steps;
    {
        ShareStepSink sink([&](QList<ShareStep> chunk) { steps += chunk; });
        std::atomic_bool stop{false};
        MpegAnnouncer announcer(stop, MpegAnnouncer::StopCheck::BeforeEachFile,
                                MpegAnnouncer::EmptyBatch::Skip, sink);
        QList<QByteArray> files{deepFile, shallowFile};
        SortSharePaths(files);
        QVERIFY(announcer.run(files));
    }
    QList<QByteArray> batches;
    for (const ShareStep& step : std::as_const(steps)) {
        if (step.kind == ShareStep::Kind::Mpeg)
            QCOMPARE(step.announced, step.path == shallowFile);
        else
            batches.append(step.batch);
    }
    QCOMPARE(batches.size(), 1);
    QVERIFY(
        batches.constFirst().endsWith(ExpectedEntry("y.mp3", mp3.cbr().size(), Mp3Files::CbrBitRate,
                                                    Mp3Files::CbrSampleRate, mp3.cbrDuration())));
}

void TestAnnounce::walk_data()
{
    QTest::addColumn<bool>("recurse");
    QTest::addColumn<QStringList>("wanted");
    QTest::addColumn<QList<QByteArray>>("found"); // relative to the folder

    const QList<QByteArray> everything{
        "My Music/a b.mp3",  "My Music/album.mp3", "My Music/deep/x.txt",
        "My Music/it's.txt", "caf\xc3\xa9.mp3",    "loop/inner.txt",
        "top.txt",           "\xff\xfe.mp3"};
    QTest::newRow("sub-folders, every kind")
        << true << QStringList{u".mp3"_s, u".txt"_s} << everything;
    QTest::newRow("no sub-folders: a folder with a wanted name is still found")
        << false << QStringList{u".mp3"_s, u".txt"_s}
        << QList<QByteArray>{"caf\xc3\xa9.mp3", "top.txt", "\xff\xfe.mp3"};
    QTest::newRow("only .txt") << true << QStringList{u".txt"_s}
                               << QList<QByteArray>{"My Music/deep/x.txt", "My Music/it's.txt",
                                                    "loop/inner.txt", "top.txt"};
}

void TestAnnounce::walk()
{
    QFETCH(bool, recurse);
    QFETCH(QStringList, wanted);
    QFETCH(QList<QByteArray>, found);

    FilesDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    for (const QByteArray& name :
         {QByteArray("top.txt"), QByteArray("top.TXTX"), QByteArray("noext"),
          QByteArray("caf\xc3\xa9.mp3"), QByteArray("\xff\xfe.mp3"), QByteArray("say \"hi\".txt"),
          QByteArray("back\\slash.mp3"), QByteArray(".hidden.txt"), QByteArray(".dir/x.mp3"),
          QByteArray("My Music/a b.mp3"), QByteArray("My Music/it's.txt"),
          QByteArray("My Music/deep/x.txt"), QByteArray("loop/inner.txt")})
        QVERIFY(WriteNative(root + '/' + name, "data"));
    QVERIFY(QDir().mkpath(dir.filePath(u"My Music/album.mp3"_s)));
    // A link back up (a loop), a dangling link, and a folder no one may read (skipped; the
    // superuser reads it anyway, and it is empty).
    QCOMPARE(symlink("..", (root + "/loop/up").constData()), 0);
    QCOMPARE(symlink("/nonexistent/target", (root + "/loop/dangling").constData()), 0);
    QVERIFY(QDir().mkpath(dir.filePath(u"locked"_s)));
    chmod((root + "/locked").constData(), 0);

    QSet<QByteArray> extensions;
    for (const QString& extension : std::as_const(wanted))
        extensions.insert(extension.toUtf8());
    std::atomic_bool stop{false};
    FolderWalker walker(extensions, recurse, stop);
    QVERIFY(walker.walk(root));
    QVERIFY(walker.walk(root + '/')); // walked already: nothing new
    QVERIFY(walker.walk(root + "/does/not/exist"));
    QList<QByteArray> expected;
    for (const QByteArray& name : std::as_const(found))
        expected.append(root + '/' + name);
    SortSharePaths(expected);
    QCOMPARE(walker.takeFound(), expected);
    chmod((root + "/locked").constData(), 0700);
}

void TestAnnounce::walkVisitsEachFolderOnce()
{
    // Two links to one folder and a link inside it back to its parent: its file is found once,
    // under whichever way was walked first, and the walk ends.
    FilesDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    QVERIFY(WriteNative(root + "/real/f.txt", "x"));
    QCOMPARE(symlink((root + "/real").constData(), (root + "/one").constData()), 0);
    QCOMPARE(symlink((root + "/real").constData(), (root + "/two").constData()), 0);
    QCOMPARE(symlink("..", (root + "/real/parent").constData()), 0);
    std::atomic_bool stop{false};
    FolderWalker walker({".txt"}, true, stop);
    QVERIFY(walker.walk(root + "/one"));
    QVERIFY(walker.walk(root));
    const QList<QByteArray> found = walker.takeFound();
    QCOMPARE(found.size(), 1);
    QVERIFY(found.constFirst().endsWith("/f.txt"));
}

void TestAnnounce::walkStopsBetweenEntries()
{
    FilesDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    for (int i = 0; i < 10; ++i)
        QVERIFY(WriteNative(root + "/f" + QByteArray::number(i) + ".txt", "x"));
    std::atomic_bool stop{false};
    int seen = 0;
    FolderWalker walker({".txt"}, true, stop, [&](const QByteArray&) {
        if (++seen == 3)
            stop.store(true);
    });
    QVERIFY(!walker.walk(root));
    QCOMPARE(seen, 3);
    QCOMPARE(walker.takeFound().size(), 3);
}
