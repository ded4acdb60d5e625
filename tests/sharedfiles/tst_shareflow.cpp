#include "tests/sharedfiles/tst_shareflow.h"

#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"
#include "sharing/sharemessages.h"
#include "sharing/sharepath.h"
#include "tests/support/fakeserver.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int WaitMs = 20000;

QByteArray Quoted(const QByteArray& text)
{
    return '"' + text + '"';
}

// The 10300 payload of a file of this size and kind.
Frame Generic(const QByteArray& path, qint64 size, const QByteArray& kind = "text")
{
    return {ShareMessage::ShareGeneric, Quoted(LocalPathToWire(path)) + ' ' +
                                            QByteArray::number(size) +
                                            " 00000000000000000000000000000000 " + kind};
}

Frame Unshared(const QByteArray& path)
{
    return {ShareMessage::UnshareFile, LocalPathToWire(path)};
}

// The rows' file names in row order.
QList<QByteArray> RowNames(const ShareClient& client)
{
    QList<QByteArray> out;
    for (const QByteArray& path : client.rowPaths())
        out.append(PathFileName(path));
    return out;
}

QList<QByteArray> Prefixed(const QByteArray& root, const QList<QByteArray>& names)
{
    QList<QByteArray> out;
    for (const QByteArray& name : names)
        out.append(root + '/' + name);
    SortSharePaths(out);
    return out;
}

// Runs `work` on the main thread and waits for it: for hooks, which run on the workers.
void OnMainThread(QObject* context, const std::function<void()>& work)
{
    QMetaObject::invokeMethod(context, work, Qt::BlockingQueuedConnection);
}

} // namespace

void TestShareFlow::initTestCase()
{
    m_haveMp3 = m_mp3.make(&m_why);
}

#define REQUIRE_MP3()                                                                              \
    do {                                                                                           \
        if (!m_haveMp3)                                                                            \
            QSKIP(qPrintable(m_why));                                                              \
    } while (false)

// ---------------------------------------------------------------------------------------------
// Upload after login

void TestShareFlow::uploadAfterLogin()
{
    REQUIRE_MP3();
    FilesDir files;
    const QByteArray m = QFile::encodeName(files.path()) + "/M";
    QVERIFY(WriteNative(m + "/a.mp3", m_mp3.cbr()));
    QVERIFY(WriteNative(m + "/b.mp3", m_mp3.vbr()));
    QVERIFY(WriteNative(m + "/c.txt", "hello"));

    FakeServer fake;
    ShareClient client({fake.port()});
    client.writeSharedDat(m + "/a.mp3\r\n" + m + "/b.mp3\r\n" + m + "/c.txt\r\n");
    QVERIFY(client.connectAndWaitForUpload(fake, 0));
    QVERIFY(client.client.serverLines.contains(u"0: Sharing 3 file(s)"_s));

    // The generic file first, then one 870 for the folder with b.mp3 then a.mp3. A variable
    // bitrate file goes out with bitrate 8; the tone lasts 3 seconds.
    const QByteArray batch = Quoted(LocalPathToWire(m)) +
                             ExpectedEntry("b.mp3", m_mp3.vbr().size(), 8, 44100, 3) +
                             ExpectedEntry("a.mp3", m_mp3.cbr().size(), Mp3Files::CbrBitRate,
                                           Mp3Files::CbrSampleRate, m_mp3.cbrDuration());
    QCOMPARE(ShareFramesSoFar(fake, client, 0, 0),
             (QList<Frame>{Generic(m + "/c.txt", 5), {ShareMessage::ShareMpegFolder, batch}}));

    // One row per file; the generic file shows 8, 00:00 and 16000.
    SharesModel& model = client.catalogue->model();
    QCOMPARE(RowNames(client), (QList<QByteArray>{"c.txt", "b.mp3", "a.mp3"}));
    const auto cells = [&](int row) {
        QStringList out;
        for (int column = 0; column < SharesModel::ColumnCount; ++column)
            out.append(model.index(row, column).data().toString());
        return out;
    };
    const QString folder = QFile::decodeName(m) + u'/';
    QCOMPARE(cells(0), (QStringList{u"c.txt"_s, u"0"_s, u"8"_s, u"00:00"_s, u"16000"_s, folder}));
    QCOMPARE(cells(2), (QStringList{u"a.mp3"_s, QString::number(m_mp3.cbr().size() / 1024),
                                    u"128"_s, u"00:03"_s, u"44100"_s, folder}));
    QCOMPARE(cells(1).at(SharesModel::BitrateColumn), u"8"_s);
    QCOMPARE(model.statusText(), u"Sharing: 3 file(s), 0.00 GB"_s);

    // The last connection going empties the view with its totals; the list stays.
    client.client.servers->disconnectServer(0);
    QVERIFY(client.client.waitForNoRecord(0));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.statusText(), u"Sharing: 0 file(s), 0.00 GB"_s);
    QCOMPARE(client.catalogue->list().count(), 3);
}

void TestShareFlow::uploadGroups_data()
{
    // Files: "folder/name=content" with content cbr, five (5 bytes of MP3 name), empty, text
    // (5 bytes), or missing (listed in shared.dat, not on disk).
    QTest::addColumn<QStringList>("files");
    // Expected frames: "10300 folder/name" or "870 folder: name name ...".
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<int>("rows");

    QTest::newRow("a sub-folder's file splits its parent's group")
        << QStringList{u"A/a.mp3=cbr"_s, u"A/b/c.mp3=cbr"_s, u"A/d.mp3=cbr"_s}
        << QStringList{u"870 A: d.mp3"_s, u"870 A/b: c.mp3"_s, u"870 A: a.mp3"_s} << 3;
    QTest::newRow("generic files first, in list order")
        << QStringList{u"M/z.txt=text"_s, u"M/a.mp3=cbr"_s, u"M/b.txt=text"_s}
        << QStringList{u"10300 M/b.txt"_s, u"10300 M/z.txt"_s, u"870 M: a.mp3"_s} << 3;
    QTest::newRow("MP3 files of 5 bytes send no 870")
        << QStringList{u"M/a.mp3=five"_s, u"M/b.mp3=five"_s} << QStringList{} << 0;
    QTest::newRow("a text file of 0 bytes is neither announced nor shown")
        << QStringList{u"M/e.txt=empty"_s, u"M/a.mp3=cbr"_s} << QStringList{u"870 M: a.mp3"_s} << 1;
    QTest::newRow("missing files are skipped")
        << QStringList{u"M/gone.txt=missing"_s, u"M/gone.mp3=missing"_s, u"M/a.mp3=cbr"_s}
        << QStringList{u"870 M: a.mp3"_s} << 1;
    QTest::newRow("a file without a kind is not taken for MP3")
        << QStringList{u"M/x.zzqqx=text"_s, u"M/a.mp3=cbr"_s} << QStringList{u"870 M: a.mp3"_s}
        << 1;
}

void TestShareFlow::uploadGroups()
{
    REQUIRE_MP3();
    QFETCH(QStringList, files);
    QFETCH(QStringList, frames);
    QFETCH(int, rows);

    FilesDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    QByteArray sharedDat;
    QHash<QByteArray, qint64> sizes;
    for (const QString& setup : std::as_const(files)) {
        const QByteArray rel = setup.section(u'=', 0, 0).toUtf8();
        const QString content = setup.section(u'=', 1);
        const QByteArray path = root + '/' + rel;
        QByteArray bytes;
        if (content == u"cbr")
            bytes = m_mp3.cbr();
        else if (content == u"five")
            bytes = m_mp3.cbr().left(5);
        else if (content == u"text")
            bytes = "hello";
        if (content != u"missing")
            QVERIFY(WriteNative(path, bytes));
        sizes.insert(rel, bytes.size());
        sharedDat += path + "\r\n";
    }

    FakeServer fake;
    ShareClient client({fake.port()});
    client.writeSharedDat(sharedDat);
    QVERIFY(client.connectAndWaitForUpload(fake, 0));

    QList<Frame> expected;
    for (const QString& frame : std::as_const(frames)) {
        if (frame.startsWith(u"10300 ")) {
            const QByteArray rel = frame.mid(6).toUtf8();
            expected.append(Generic(root + '/' + rel, sizes.value(rel)));
            continue;
        }
        const QByteArray folder = frame.mid(4).section(u':', 0, 0).toUtf8();
        QByteArray batch = Quoted(LocalPathToWire(root + '/' + folder));
        for (const QString& name : frame.section(u": "_s, 1).split(u' '))
            batch += ExpectedEntry(name.toUtf8(), m_mp3.cbr().size(), Mp3Files::CbrBitRate,
                                   Mp3Files::CbrSampleRate, m_mp3.cbrDuration());
        expected.append({ShareMessage::ShareMpegFolder, batch});
    }
    QCOMPARE(ShareFramesSoFar(fake, client, 0, 0), expected);
    QCOMPARE(client.catalogue->model().rowCount(), rows);
}

void TestShareFlow::uploadBatchSplitting()
{
    REQUIRE_MP3();
    FilesDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/Many";
    QByteArray sharedDat;
    QList<QByteArray> names;
    for (int i = 0; i < 60; ++i) {
        const QByteArray name =
            "track " + QByteArray::number(100 + i) + QByteArray(30, 'x') + ".mp3";
        QVERIFY(WriteNative(folder + '/' + name, m_mp3.cbr()));
        sharedDat += folder + '/' + name + "\r\n";
        names.prepend(name); // announced last first
    }
    FakeServer fake;
    ShareClient client({fake.port()});
    client.writeSharedDat(sharedDat);
    QVERIFY(client.connectAndWaitForUpload(fake, 0));

    const QByteArray head = Quoted(LocalPathToWire(folder));
    QList<QByteArray> entries;
    for (const QByteArray& name : std::as_const(names))
        entries.append(ExpectedEntry(name, m_mp3.cbr().size(), Mp3Files::CbrBitRate,
                                     Mp3Files::CbrSampleRate, m_mp3.cbrDuration()));
    const QList<Frame> frames = ShareFramesSoFar(fake, client, 0, 0);
    QVERIFY(frames.size() > 1);
    qsizetype next = 0;
    for (const Frame& frame : frames) {
        QCOMPARE(frame.type, quint32(ShareMessage::ShareMpegFolder));
        QVERIFY(frame.payload.size() <= 2044);
        QVERIFY(frame.payload.startsWith(head));
        QByteArray rest = frame.payload.mid(head.size());
        while (!rest.isEmpty() && next < entries.size() && rest.startsWith(entries.at(next)))
            rest.remove(0, entries.at(next++).size());
        QVERIFY(rest.isEmpty());
        // Each batch but the last went out because the next entry would not fit.
        if (next < entries.size())
            QVERIFY(frame.payload.size() + entries.at(next).size() > 2044);
    }
    QCOMPARE(next, entries.size());
}

void TestShareFlow::uploadStopsOnDisconnect()
{
    REQUIRE_MP3();
    FilesDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/M";
    QByteArray sharedDat;
    for (int i = 0; i < 6; ++i) {
        const QByteArray path = folder + "/f" + QByteArray::number(i) + ".mp3";
        QVERIFY(WriteNative(path, m_mp3.cbr()));
        sharedDat += path + "\r\n";
    }
    QVERIFY(WriteNative(folder + "/t.txt", "hello"));
    sharedDat += folder + "/t.txt\r\n";

    FakeServer fake;
    ShareClient client({fake.port()});
    client.writeSharedDat(sharedDat);
    // The connection ends while the third MP3 file (f3, counting down from f5) is next.
    QList<QByteArray> inspected;
    client.uploads->setFileHookForTests([&](const QByteArray& path) {
        inspected.append(PathFileName(path));
        if (path.endsWith("/f3.mp3")) {
            OnMainThread(client.client.servers.get(), [&] {
                client.client.servers->DisconnectServer(client.client.servers->FindServer(0),
                                                        u"Not connected"_s);
            });
        }
    });
    QSignalSpy finished(client.uploads.get(), &ShareUploads::uploadFinished);
    QVERIFY(client.client.connectAndLogin(fake, 0));
    QVERIFY(finished.count() > 0 || finished.wait(WaitMs));
    QVERIFY(fake.waitForDisconnected(0));

    // The worker stopped before the next file; the half-built batch never went out (and what
    // was not yet written when the connection ended is dropped with it).
    QCOMPARE(inspected, (QList<QByteArray>{"t.txt", "f5.mp3", "f4.mp3", "f3.mp3"}));
    for (const Frame& frame : fake.frames(0))
        QVERIFY(frame.type != quint32(ShareMessage::ShareMpegFolder));
    QVERIFY(!client.uploads->isUploading(0));
}

void TestShareFlow::uploadToTwoServers()
{
    REQUIRE_MP3();
    FilesDir dir;
    const QByteArray m = QFile::encodeName(dir.path()) + "/M";
    QVERIFY(WriteNative(m + "/a.mp3", m_mp3.cbr()));
    QVERIFY(WriteNative(m + "/t.txt", "hello"));
    FakeServer one;
    FakeServer two;
    ShareClient client({one.port(), two.port()});
    client.writeSharedDat(m + "/a.mp3\r\n" + m + "/t.txt\r\n");
    QVERIFY(client.connectAndWaitForUpload(one, 0));
    QVERIFY(client.connectAndWaitForUpload(two, 1));

    const QList<Frame> expected{
        Generic(m + "/t.txt", 5),
        {ShareMessage::ShareMpegFolder,
         Quoted(LocalPathToWire(m)) +
             ExpectedEntry("a.mp3", m_mp3.cbr().size(), 128, 44100, m_mp3.cbrDuration())}};
    QCOMPARE(ShareFramesSoFar(one, client, 0, 0), expected);
    QCOMPARE(ShareFramesSoFar(two, client, 1, 0), expected);
    // Each file shows once, however many servers it was announced to.
    QCOMPARE(RowNames(client), (QList<QByteArray>{"t.txt", "a.mp3"}));
}

// ---------------------------------------------------------------------------------------------
// Folder scan

void TestShareFlow::scanAnnouncesAndLists()
{
    REQUIRE_MP3();
    FilesDir dir;
    const QByteArray f = QFile::encodeName(dir.path()) + "/F";
    QVERIFY(WriteNative(f + "/a.txt", "aaa"));
    QVERIFY(WriteNative(f + "/b.txt", "bbbbbb"));
    QVERIFY(WriteNative(f + "/c.mp3", m_mp3.cbr()));
    FakeServer fake;
    ShareClient client({fake.port()});
    QVERIFY(client.connectAndWaitForUpload(fake, 0));

    QSignalSpy captions(client.scanner.get(), &ShareScanner::buttonCaptionChanged);
    QVERIFY(client.scan({QFile::decodeName(f)}));
    QCOMPARE(captions.count(), 2);
    QCOMPARE(captions.at(0).at(0).toString(), u"Stop"_s);
    QCOMPARE(client.scanner->buttonCaption(), u"Shared Folders"_s);

    const Frame mp3Batch{ShareMessage::ShareMpegFolder,
                         Quoted(LocalPathToWire(f)) + ExpectedEntry("c.mp3", m_mp3.cbr().size(),
                                                                    128, 44100,
                                                                    m_mp3.cbrDuration())};
    QCOMPARE(ShareFramesSoFar(fake, client, 0, 0),
             (QList<Frame>{Generic(f + "/a.txt", 3), Generic(f + "/b.txt", 6), mp3Batch}));
    const QList<QByteArray> all = Prefixed(f, {"a.txt", "b.txt", "c.mp3"});
    QCOMPARE(client.catalogue->list().entries(), all);
    QCOMPARE(RowNames(client), QList<QByteArray>{"c.mp3"});
    QCOMPARE(client.sharedDat(), all.join("\r\n") + "\r\n");

    // Re-scan after c.mp3 went: its row goes with a 102; a.txt and b.txt have no row, so they
    // are announced again, and stay listed.
    QVERIFY(QFile::remove(QFile::decodeName(f + "/c.mp3")));
    const qsizetype before = ShareFramesSoFar(fake, client, 0, 0).size();
    QVERIFY(client.scan({QFile::decodeName(f)}));
    QCOMPARE(
        ShareFramesSoFar(fake, client, 0, 0).mid(before),
        (QList<Frame>{Unshared(f + "/c.mp3"), Generic(f + "/a.txt", 3), Generic(f + "/b.txt", 6)}));
    QCOMPARE(client.catalogue->list().entries(), Prefixed(f, {"a.txt", "b.txt"}));
    QCOMPARE(client.catalogue->model().rowCount(), 0);
    QCOMPARE(client.sharedDat(), Prefixed(f, {"a.txt", "b.txt"}).join("\r\n") + "\r\n");
}

void TestShareFlow::scanFindingNothing_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("connected: 110, everything emptied, shared.dat removed") << true;
    QTest::newRow("not connected: nothing changes, shared.dat written again") << false;
}

void TestShareFlow::scanFindingNothing()
{
    QFETCH(bool, connected);
    FilesDir dir;
    const QByteArray t = QFile::encodeName(dir.path()) + "/t.txt";
    QVERIFY(WriteNative(t, "hello"));
    FakeServer fake;
    ShareClient client({fake.port()});
    const QByteArray saved = t + "\r\n";
    client.writeSharedDat(saved);
    if (connected) {
        QVERIFY(client.connectAndWaitForUpload(fake, 0));
        QCOMPARE(client.catalogue->model().rowCount(), 1);
    }
    // Every folder removed in the dialog, then OK.
    QVERIFY(client.scan({}));
    if (connected) {
        QCOMPARE(ShareFramesSoFar(fake, client, 0, 0),
                 (QList<Frame>{Generic(t, 5), {ShareMessage::UnshareAll, {}}}));
        QCOMPARE(client.catalogue->model().rowCount(), 0);
        QCOMPARE(client.catalogue->model().statusText(), u"Sharing: 0 file(s), 0 GB"_s);
        QVERIFY(client.catalogue->list().isEmpty());
        QVERIFY(!client.sharedDatExists());
    } else {
        QCOMPARE(client.catalogue->list().entries(), QList<QByteArray>{t});
        QCOMPARE(client.sharedDat(), saved);
    }
}

void TestShareFlow::scanChoices_data()
{
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QByteArrayList>("kinds");
    QTest::addColumn<QList<QByteArray>>("listed");
    QTest::addColumn<QList<QByteArray>>("rows");

    const QByteArrayList all = ShareClient::AllKinds();
    // album.mp3 is a folder: found by its name, listed, never announced.
    QTest::newRow("every kind, sub-folders")
        << true << all << QList<QByteArray>{"album.mp3",    "pic.png", "sub/deep.mp3",
                                            "sub/deep.txt", "top.mp3", "top.txt"}
        << QList<QByteArray>{"top.mp3", "deep.mp3"};
    QTest::newRow("no sub-folders: a folder with a wanted name is still listed")
        << false << all << QList<QByteArray>{"album.mp3", "pic.png", "top.mp3", "top.txt"}
        << QList<QByteArray>{"top.mp3"};
    QTest::newRow("audio only") << true << QByteArrayList{"audio"}
                                << QList<QByteArray>{"album.mp3", "sub/deep.mp3", "top.mp3"}
                                << QList<QByteArray>{"top.mp3", "deep.mp3"};
    QTest::newRow("image only") << true << QByteArrayList{"image"} << QList<QByteArray>{"pic.png"}
                                << QList<QByteArray>{};
    QTest::newRow("no kind chosen")
        << true << QByteArrayList{} << QList<QByteArray>{} << QList<QByteArray>{};
}

void TestShareFlow::scanChoices()
{
    REQUIRE_MP3();
    QFETCH(bool, subfolders);
    QFETCH(QByteArrayList, kinds);
    QFETCH(QList<QByteArray>, listed);
    QFETCH(QList<QByteArray>, rows);

    FilesDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    QVERIFY(WriteNative(root + "/top.txt", "t"));
    QVERIFY(WriteNative(root + "/top.mp3", m_mp3.cbr()));
    QVERIFY(WriteNative(root + "/pic.png", "png"));
    QVERIFY(WriteNative(root + "/sub/deep.txt", "d"));
    QVERIFY(WriteNative(root + "/sub/deep.mp3", m_mp3.cbr()));
    QVERIFY(WriteNative(root + "/.hidden.txt", "h"));
    QVERIFY(WriteNative(root + "/.hidden.mp3", m_mp3.cbr()));
    QVERIFY(WriteNative(root + "/.dot/in.txt", "i"));
    QVERIFY(QDir().mkpath(dir.filePath(u"album.mp3"_s)));

    ShareClient client({});
    QVERIFY(client.scan({dir.path()}, subfolders, kinds));
    QCOMPARE(client.catalogue->list().entries(), Prefixed(root, listed));
    QCOMPARE(RowNames(client), rows);
}

void TestShareFlow::stopDuringWalk()
{
    FilesDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    for (int i = 0; i < 20; ++i)
        QVERIFY(WriteNative(root + "/f" + QByteArray::number(i) + ".txt", "x"));
    const QByteArray old = QFile::encodeName(dir.path()) + "/old.txt";
    FakeServer fake;
    ShareClient client({fake.port()});
    client.writeSharedDat(old + "\r\n");
    QVERIFY(client.client.connectAndLogin(fake, 0));

    // "Stop" is pressed while the walk looks at its second entry.
    int entries = 0;
    client.scanner->setFileHookForTests([&](const QByteArray&) {
        if (++entries == 2)
            OnMainThread(client.scanner.get(), [&] { client.scanner->stop(); });
    });
    QSignalSpy captions(client.scanner.get(), &ShareScanner::buttonCaptionChanged);
    QVERIFY(client.scan({dir.path()}));
    QCOMPARE(entries, 2);
    QCOMPARE(captions.count(), 2); // "Stop", then back at the press
    QCOMPARE(client.scanner->buttonCaption(), u"Shared Folders"_s);
    // Nothing found was announced or listed; shared.dat was written with the list as it was.
    QCOMPARE(ShareFramesSoFar(fake, client, 0, 0), QList<Frame>{});
    QCOMPARE(client.catalogue->list().entries(), QList<QByteArray>{old});
    QCOMPARE(client.sharedDat(), old + "\r\n");
}

void TestShareFlow::scanConfirmedWhileStoppedScanEnds()
{
    FilesDir dir;
    const QByteArray a = dir.native() + "/A";
    const QByteArray b = dir.native() + "/B";
    QVERIFY(WriteNative(a + "/a.txt", "a"));
    QVERIFY(WriteNative(b + "/b.txt", "b"));
    ShareClient client({});
    // The first scan's walk waits at its first entry until the test lets it go on.
    QSemaphore reached;
    QSemaphore goOn;
    std::atomic_int calls{0};
    client.scanner->setFileHookForTests([&](const QByteArray&) {
        if (calls.fetch_add(1) == 0) {
            reached.release();
            goOn.acquire();
        }
    });
    struct Release {
        QSemaphore& semaphore;
        ~Release() { semaphore.release(1000); }
    } release{goOn};

    QSignalSpy finished(client.scanner.get(), &ShareScanner::scanFinished);
    client.scanner->start({{QFile::decodeName(a)}, true, ShareClient::AllKinds()});
    QVERIFY(reached.tryAcquire(1, 5000));
    client.scanner->stop();
    QCOMPARE(client.scanner->buttonCaption(), u"Shared Folders"_s);
    // Confirmed again before the stopped scan has ended: it runs right after that one.
    client.scanner->start({{QFile::decodeName(b)}, true, ShareClient::AllKinds()});
    QCOMPARE(client.scanner->buttonCaption(), u"Stop"_s);
    goOn.release(1000);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, WaitMs);
    QCOMPARE(client.catalogue->list().entries(), QList<QByteArray>{b + "/b.txt"});
    QCOMPARE(client.scanner->buttonCaption(), u"Shared Folders"_s);
    QVERIFY(!client.scanner->isScanning());
}

void TestShareFlow::shutdownDuringScan()
{
    FilesDir dir;
    for (int i = 0; i < 50; ++i)
        QVERIFY(WriteNative(dir.native() + "/f" + QByteArray::number(i) + ".txt", "x"));
    const QByteArray old = dir.native() + "/f0.txt";
    ShareClient client({});
    client.writeSharedDat(old + "\r\n");
    QSignalSpy finished(client.scanner.get(), &ShareScanner::scanFinished);
    client.scanner->start({{dir.path()}, true, ShareClient::AllKinds()});
    // The program closes at once: the scan stops, saves the list as it was, and is over when
    // shutdown() returns.
    client.scanner->shutdown();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!client.scanner->isScanning());
    QCOMPARE(client.scanner->buttonCaption(), u"Shared Folders"_s);
    QCOMPARE(client.catalogue->list().entries(), QList<QByteArray>{old});
    QCOMPARE(client.sharedDat(), old + "\r\n");
}

void TestShareFlow::scanSkipsWhatCannotBeRead()
{
    REQUIRE_MP3();
    FilesDir dir;
    const QByteArray f = QFile::encodeName(dir.path()) + "/F";
    QVERIFY(WriteNative(f + "/good.txt", "good"));
    QVERIFY(WriteNative(f + "/good.mp3", m_mp3.cbr()));
    QVERIFY(WriteNative(f + "/gone.txt", "gone"));
    QVERIFY(WriteNative(f + "/gone.mp3", m_mp3.cbr()));
    // Named like shared files, but reading them would block or never end.
    QCOMPARE(mkfifo((f + "/fifo.txt").constData(), 0600), 0);
    QCOMPARE(mkfifo((f + "/fifo.mp3").constData(), 0600), 0);
    QCOMPARE(symlink("/nonexistent/target", (f + "/dangling.txt").constData()), 0);
    QCOMPARE(symlink("..", (f + "/loop").constData()), 0);
    // 5 GB of nothing named like an MP3 file (a sparse file: no disk space used).
    constexpr qint64 sparseSize = 5'000'000'000;
    QVERIFY(WriteNative(f + "/sparse.mp3", {}));
    QCOMPARE(truncate((f + "/sparse.mp3").constData(), sparseSize), 0);
    QCOMPARE(symlink(".", (f + "/self").constData()), 0);

    FakeServer fake;
    ShareClient client({fake.port()});
    QVERIFY(client.client.connectAndLogin(fake, 0));
    // gone.* vanish between the walk and their reading: the second time the hook sees them
    // (the first is the walk's entry).
    QHash<QByteArray, int> seen;
    client.scanner->setFileHookForTests([&](const QByteArray& path) {
        if (PathFileName(path).startsWith("gone.") && ++seen[path] == 2)
            unlink(path.constData());
    });
    QVERIFY(client.scan({QFile::decodeName(f)}));

    // Only what could be read is announced. An MP3 file that could not be read is listed but
    // not announced, as a file whose inspection found nothing; the huge empty one is announced
    // with its size and no audio found in it.
    QCOMPARE(
        ShareFramesSoFar(fake, client, 0, 0),
        (QList<Frame>{
            Generic(f + "/good.txt", 4),
            {ShareMessage::ShareMpegFolder,
             Quoted(LocalPathToWire(f)) + ExpectedEntry("sparse.mp3", sparseSize, 8, 0, 0) +
                 ExpectedEntry("good.mp3", m_mp3.cbr().size(), 128, 44100, m_mp3.cbrDuration())}}));
    QCOMPARE(client.catalogue->list().entries(),
             Prefixed(f, {"fifo.mp3", "gone.mp3", "good.mp3", "good.txt", "sparse.mp3"}));
    QCOMPARE(RowNames(client), (QList<QByteArray>{"sparse.mp3", "good.mp3"}));
}

void TestShareFlow::failedSaveWarns()
{
    FilesDir dir;
    const QByteArray t = QFile::encodeName(dir.path()) + "/t.txt";
    QVERIFY(WriteNative(t, "hello"));
    ShareClient client({});
    // A folder where shared.dat should be: it cannot be replaced by a file.
    QVERIFY(QDir().mkpath(client.sharedDatPath()));
    QVERIFY(client.scan({dir.path()}));
    QCOMPARE(client.client.prompts.texts(RecordingPrompts::Kind::Warning),
             QStringList{u"Cannot save shared files list to "_s + client.sharedDatPath()});
    // The list in memory is kept for later scans and for the peers' requests.
    QCOMPARE(client.catalogue->list().entries(), QList<QByteArray>{t});
    QCOMPARE(client.scanner->buttonCaption(), u"Shared Folders"_s);
}

// ---------------------------------------------------------------------------------------------
// Names, Unshare, opening a file

void TestShareFlow::namesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("shared");

    QTest::newRow("spaces") << QByteArray("with  two spaces.mp3") << true;
    QTest::newRow("single quote") << QByteArray("it's here.txt") << true;
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xe2\x99\xab.mp3") << true;
    QTest::newRow("not UTF-8 (Latin-1 bytes)") << QByteArray("\xe9t\xe9 \xff.txt") << true;
    QTest::newRow("not UTF-8, MP3") << QByteArray("\xff\xfe bytes.mp3") << true;
    QTest::newRow("double quote: cannot travel, not shared")
        << QByteArray("say \"hi\".txt") << false;
    QTest::newRow("backslash: the wire's separator, not shared") << QByteArray("a\\b.mp3") << false;
}

void TestShareFlow::namesRoundTrip()
{
    REQUIRE_MP3();
    QFETCH(QByteArray, name);
    QFETCH(bool, shared);
    const bool mp3 = IsMpegAudioPath(name);

    FilesDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/Music";
    const QByteArray path = folder + '/' + name;
    QVERIFY(WriteNative(path, mp3 ? m_mp3.cbr() : QByteArray("hello")));
    const Frame announced =
        mp3 ? Frame{ShareMessage::ShareMpegFolder,
                    Quoted(LocalPathToWire(folder)) +
                        ExpectedEntry(name, m_mp3.cbr().size(), 128, 44100, m_mp3.cbrDuration())}
            : Generic(path, 5);

    // Scan: announced byte for byte and saved byte for byte.
    QByteArray sharedDat;
    {
        FakeServer fake;
        ShareClient client({fake.port()});
        QVERIFY(client.client.connectAndLogin(fake, 0));
        QVERIFY(client.scan({QFile::decodeName(folder)}));
        // A scan that finds nothing tells the server so.
        const QList<Frame> expected =
            shared ? QList<Frame>{announced} : QList<Frame>{{ShareMessage::UnshareAll, {}}};
        QCOMPARE(ShareFramesSoFar(fake, client, 0, 0), expected);
        sharedDat = client.sharedDat();
        QCOMPARE(sharedDat, shared ? path + "\r\n" : QByteArray());
    }
    if (!shared)
        return;

    // Restart with that shared.dat: the upload after login announces the same bytes.
    FakeServer fake;
    ShareClient client({fake.port()});
    client.writeSharedDat(sharedDat);
    QCOMPARE(client.catalogue->list().entries(), QList<QByteArray>{path});
    QVERIFY(client.connectAndWaitForUpload(fake, 0));
    QCOMPARE(ShareFramesSoFar(fake, client, 0, 0), QList<Frame>{announced});
    QCOMPARE(client.rowPaths(), QList<QByteArray>{path});
    QCOMPARE(client.catalogue->model().index(0, SharesModel::FileColumn).data().toString(),
             WireToDisplay(name));

    // Unshare: the same bytes again.
    client.catalogue->Unshare({0});
    QCOMPARE(ShareFramesSoFar(fake, client, 0, 0), (QList<Frame>{announced, Unshared(path)}));
    QVERIFY(client.catalogue->list().isEmpty());
}

void TestShareFlow::unshare_data()
{
    QTest::addColumn<int>("connections");
    QTest::newRow("no connection: only rows and list entries go") << 0;
    QTest::newRow("one connection") << 1;
    QTest::newRow("two connections") << 2;
}

void TestShareFlow::unshare()
{
    REQUIRE_MP3();
    QFETCH(int, connections);
    FilesDir dir;
    const QByteArray m = QFile::encodeName(dir.path()) + "/M";
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        QVERIFY(WriteNative(m + '/' + name, m_mp3.cbr()));

    FakeServer one;
    FakeServer two;
    ShareClient client({one.port(), two.port()});
    QVERIFY(client.scan({QFile::decodeName(m)}));
    QCOMPARE(RowNames(client), (QList<QByteArray>{"d.mp3", "c.mp3", "b.mp3", "a.mp3"}));
    QList<FakeServer*> fakes{&one, &two};
    fakes.resize(connections);
    QList<qsizetype> before;
    for (int i = 0; i < connections; ++i) {
        QVERIFY(client.connectAndWaitForUpload(*fakes[i], i));
        before.append(ShareFramesSoFar(*fakes[i], client, i, 0).size());
    }

    // Three rows selected, in the order a, d, c.
    client.catalogue->Unshare({3, 0, 1});
    const QList<Frame> expected{Unshared(m + "/a.mp3"), Unshared(m + "/d.mp3"),
                                Unshared(m + "/c.mp3")};
    for (int i = 0; i < connections; ++i)
        QCOMPARE(ShareFramesSoFar(*fakes[i], client, i, 0).mid(before[i]), expected);
    QCOMPARE(RowNames(client), QList<QByteArray>{"b.mp3"});
    QCOMPARE(client.catalogue->list().entries(), QList<QByteArray>{m + "/b.mp3"});
    // shared.dat changes at the end of the next scan only.
    QCOMPARE(client.sharedDat(),
             Prefixed(m, {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}).join("\r\n") + "\r\n");
}

void TestShareFlow::openFile()
{
    ShareClient client({});
    client.catalogue->model().addRows(
        {ShareRow::fromPath("/music/\xff b#1%.mp3", 4096, 128, 1, 44100)}, true);
    client.catalogue->openFile(0);
    client.catalogue->openFile(5); // no such row: nothing
    QCOMPARE(client.client.prompts.texts(RecordingPrompts::Kind::OpenWithDesktop),
             QStringList{u"file:///music/%FF%20b%231%25.mp3"_s});
}
