#include "tests/sharedfiles/tst_catalogue.h"

#include "sharing/filekinds.h"
#include "sharing/iconcache.h"
#include "sharing/sharedfilelist.h"
#include "sharing/sharepath.h"
#include "sharing/sharesmodel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

void TestCatalogue::loadSharedList_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QByteArray>>("entries");

    QTest::newRow("ordered without case; a name differing only in case is another file")
        << QByteArray("/m/b\r\n/m/A\r\n/m/a\r\n") << QList<QByteArray>{"/m/A", "/m/a", "/m/b"};
    QTest::newRow("exact duplicates dropped")
        << QByteArray("/x\r\n/x\r\n/x") << QList<QByteArray>{"/x"};
    QTest::newRow("CR, LF and CR LF end lines; empty lines dropped")
        << QByteArray("/c\r/b\n\n\r\n/a\r\n\r") << QList<QByteArray>{"/a", "/b", "/c"};
    QTest::newRow("no line end at the end")
        << QByteArray("/a\r\n/b") << QList<QByteArray>{"/a", "/b"};
    QTest::newRow(
        "binary junk: lines with NUL, quotes or backslashes dropped, others kept as bytes")
        << (QByteArray("\x00\x01\x02", 3) +
            "\r\n/ok\xff\xfe.mp3\r\n\"quoted\"\r\nC:\\win\\path\r\n\x7f\x80")
        << QList<QByteArray>{"/ok\xff\xfe.mp3", "\x7f\x80"};
    QTest::newRow("a line longer than any path is dropped")
        << (QByteArray(100000, 'a') + "\r\n/short.mp3\r\n") << QList<QByteArray>{"/short.mp3"};
    QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
}

void TestCatalogue::loadSharedList()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QByteArray>, entries);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"shared.dat"_s);
    WriteFile(path, content);

    SharedFileList list;
    list.add("/left/over"); // loading replaces
    list.LoadSharedList(path);
    QCOMPARE(list.entries(), entries);

    // A missing file gives an empty list, silently.
    list.LoadSharedList(dir.filePath(u"missing.dat"_s));
    QVERIFY(list.isEmpty());
}

void TestCatalogue::saveSharedList_data()
{
    QTest::addColumn<QList<QByteArray>>("added");
    QTest::addColumn<QByteArray>("file"); // empty: no file

    QTest::newRow("sorted, CR LF after each")
        << QList<QByteArray>{"/m/b", "/m/A"} << QByteArray("/m/A\r\n/m/b\r\n");
    QTest::newRow("raw bytes kept") << QList<QByteArray>{"/m/\xc3\xa9.mp3", "/m/\xff.mp3"}
                                    << QByteArray("/m/\xc3\xa9.mp3\r\n/m/\xff.mp3\r\n");
    QTest::newRow("an empty list removes the file") << QList<QByteArray>{} << QByteArray();
}

void TestCatalogue::saveSharedList()
{
    QFETCH(QList<QByteArray>, added);
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"shared.dat"_s);
    WriteFile(path, "/old\r\n");

    SharedFileList list;
    list.addMany(added);
    QString error;
    QVERIFY2(SharedFileList::SaveSharedList(path, list.fileContent(), &error), qPrintable(error));
    QCOMPARE(QFile::exists(path), !file.isEmpty());
    QCOMPARE(ReadFile(path), file);
    // Nothing but the file itself is left in the folder (no temporary copies).
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             file.isEmpty() ? QStringList() : QStringList{u"shared.dat"_s});

    // What was saved loads back as it was.
    SharedFileList loaded;
    loaded.LoadSharedList(path);
    QCOMPARE(loaded.entries(), list.entries());
}

void TestCatalogue::failedSaveKeepsOldFile()
{
    // A disk that fills up while the list is written: the write stops at a file size limit,
    // which holds for the superuser too.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"shared.dat"_s);
    const QByteArray old = "/music/old.mp3\r\n";
    WriteFile(path, old);
    SharedFileList list;
    for (int i = 0; i < 2000; ++i)
        list.add("/music/file" + QByteArray::number(i) + ".mp3");

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
    rlimit limited = previous;
    limited.rlim_cur = 4096;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    QString error;
    const bool saved = SharedFileList::SaveSharedList(path, list.fileContent(), &error);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved);
    QVERIFY(!error.isEmpty());
    QCOMPARE(ReadFile(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"shared.dat"_s});
    QCOMPARE(SharedFileList::SaveFailedText(path), u"Cannot save shared files list to "_s + path);
}

void TestCatalogue::fileKinds_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("kind");

    QTest::newRow("listed under audio and video: audio wins")
        << QByteArray("/m/a.both") << QByteArray("audio");
    QTest::newRow("video") << QByteArray("/m/a.vid") << QByteArray("video");
    QTest::newRow("letter case ignored") << QByteArray("/m/A.VID") << QByteArray("video");
    QTest::newRow("image") << QByteArray("/m/a.png") << QByteArray("image");
    QTest::newRow("text") << QByteArray("/m/a.txt") << QByteArray("text");
    QTest::newRow("application") << QByteArray("/m/a.foo") << QByteArray("application");
    QTest::newRow("another top-level type") << QByteArray("/m/a.bar") << QByteArray();
    QTest::newRow("a type name without slash") << QByteArray("/m/a.ns") << QByteArray();
    QTest::newRow("top-level type in capitals") << QByteArray("/m/a.up") << QByteArray();
    QTest::newRow("last extension counts") << QByteArray("/m/a.txt.bar") << QByteArray();
    QTest::newRow("no dot in the name") << QByteArray("/m/txt") << QByteArray();
    QTest::newRow("a dot in the folder only") << QByteArray("/m.txt/readme") << QByteArray();
}

void TestCatalogue::fileKinds()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, kind);
    FileKinds kinds;
    kinds.loadFrom({
        {u"audio/x-both"_s, {u"both"_s}},
        {u"video/x-both"_s, {u"both"_s, u"VID"_s}},
        {u"image/png"_s, {u"png"_s}},
        {u"text/plain"_s, {u"txt"_s}},
        {u"application/x-foo"_s, {u"foo"_s}},
        {u"x-content/bar"_s, {u"bar"_s}},
        {u"noslash"_s, {u"ns"_s}},
        {u"AUDIO/upper"_s, {u"up"_s}},
        {u"text/empty"_s, {}},
    });
    QCOMPARE(kinds.FileKindOf(path), kind);
    QVERIFY(kinds.extensions("video").contains(".both"));
}

void TestCatalogue::fileKindsFromMimeDatabase_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<bool>("mpeg");

    QTest::newRow("mp3") << QByteArray("/m/song.mp3") << QByteArray("audio") << true;
    QTest::newRow("MP3 in capitals is MPEG audio")
        << QByteArray("/m/song.MP3") << QByteArray("audio") << true;
    QTest::newRow("txt") << QByteArray("/m/a.txt") << QByteArray("text") << false;
    QTest::newRow("avi") << QByteArray("/m/a.avi") << QByteArray("video") << false;
    QTest::newRow("png") << QByteArray("/m/a.png") << QByteArray("image") << false;
    QTest::newRow("pdf") << QByteArray("/m/a.pdf") << QByteArray("application") << false;
    QTest::newRow("no extension") << QByteArray("/m/mp3") << QByteArray() << false;
}

void TestCatalogue::fileKindsFromMimeDatabase()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, kind);
    QFETCH(bool, mpeg);
    FileKinds kinds;
    kinds.LoadFileKinds();
    if (kinds.isEmpty())
        QSKIP("no MIME database on this system (shared-mime-info)");
    QCOMPARE(kinds.FileKindOf(path), kind);
    QCOMPARE(IsMpegAudioPath(path), mpeg);
}

void TestCatalogue::rowValues_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("length");

    QTest::newRow("1536000 bytes") << qint64(1536000) << qint64(0) << u"1500"_s << u"00:00"_s;
    QTest::newRow("kB round toward zero") << qint64(2047) << qint64(59) << u"1"_s << u"00:59"_s;
    QTest::newRow("59:59") << qint64(0) << qint64(59 * 60 + 59) << u"0"_s << u"59:59"_s;
    QTest::newRow("61:05 shows 01:05")
        << qint64(5'000'000'000) << qint64(61 * 60 + 5) << u"4882812"_s << u"01:05"_s;
    QTest::newRow("3725 s shows 02:05") << qint64(1024) << qint64(3725) << u"1"_s << u"02:05"_s;
}

void TestCatalogue::rowValues()
{
    QFETCH(qint64, bytes);
    QFETCH(qint64, seconds);
    QFETCH(QString, size);
    QFETCH(QString, length);
    IconCache icons;
    SharesModel model(icons);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.addRows({ShareRow::fromPath("/music/rock/a b.mp3", bytes, 192, seconds, 44100)}, true);

    const auto cell = [&](int column) { return model.index(0, column).data().toString(); };
    QCOMPARE(cell(SharesModel::FileColumn), u"a b.mp3"_s);
    QCOMPARE(cell(SharesModel::SizeColumn), size);
    QCOMPARE(cell(SharesModel::BitrateColumn), u"192"_s);
    QCOMPARE(cell(SharesModel::LengthColumn), length);
    QCOMPARE(cell(SharesModel::FreqColumn), u"44100"_s);
    QCOMPARE(cell(SharesModel::FolderColumn), u"/music/rock/"_s);
    QCOMPARE(model.index(0, 0).data(SharesModel::FullPathRole).toByteArray(),
             QByteArray("/music/rock/a b.mp3"));
    QCOMPARE(model.runningTotalKb(), quint64(bytes / 1024));
}

void TestCatalogue::totalsAndStatusText()
{
    IconCache icons;
    SharesModel model(icons);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy status(&model, &SharesModel::statusTextChanged);

    model.addRows({ShareRow::fromPath("/m/a.mp3", 1536000, 128, 1, 44100)}, true);
    QCOMPARE(model.statusText(), u"Sharing: 1 file(s), 0.00 GB"_s);
    QCOMPARE(status.count(), 1);

    // 1 GiB and 512 MiB in kilobytes: 1.50 GB with the first row's 1500 kB.
    model.addRows({ShareRow::fromPath("/m/b.avi", qint64(1) << 30, 8, 0, 16000),
                   ShareRow::fromPath("/m/c.avi", qint64(1) << 29, 8, 0, 16000)},
                  true);
    QCOMPARE(model.runningTotalKb(), quint64(1500 + 1048576 + 524288));
    QCOMPARE(model.statusText(), u"Sharing: 3 file(s), 1.50 GB"_s);
    QCOMPARE(icons.extensions(), (QList<QByteArray>{".mp3", ".avi"}));
    QCOMPARE(model.shareRow(2).icon, 1);

    // Removal rule: the total goes down with the row.
    model.removeShareRows({1});
    QCOMPARE(model.runningTotalKb(), quint64(1500 + 524288));
    QCOMPARE(model.statusText(), u"Sharing: 2 file(s), 0.50 GB"_s);
    QVERIFY(!model.hasRow("/m/b.avi"));

    // Emptied with totals (the last connection went).
    model.emptyWithTotals();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.runningTotalKb(), quint64(0));
    QCOMPARE(model.statusText(), u"Sharing: 0 file(s), 0.00 GB"_s);

    // Emptied with reset (a scan found nothing).
    model.addRows({ShareRow::fromPath("/m/a.mp3", 4096, 128, 1, 44100)}, true);
    model.emptyReset();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.runningTotalKb(), quint64(0));
    QCOMPARE(model.statusText(), u"Sharing: 0 file(s), 0 GB"_s);

    // Without the removal rule (the program's close) the text stays.
    model.addRows({ShareRow::fromPath("/m/a.mp3", 4096, 128, 1, 44100)}, true);
    const QString before = model.statusText();
    model.setRemovalRuleEnabled(false);
    model.emptyWithTotals();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.statusText(), before);
}

void TestCatalogue::rowsShownOnce()
{
    IconCache icons;
    SharesModel model(icons);
    model.addRows({ShareRow::fromPath("/m/a.mp3", 2048, 128, 1, 44100),
                   ShareRow::fromPath("/m/a.mp3", 2048, 128, 1, 44100),
                   ShareRow::fromPath("/m/A.mp3", 2048, 128, 1, 44100)},
                  true);
    QCOMPARE(model.rowCount(), 2);
    model.addRows({ShareRow::fromPath("/m/a.mp3", 2048, 128, 1, 44100)}, true);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.runningTotalKb(), quint64(4));
    QCOMPARE(model.findRow("/m/A.mp3"), 1);
}

void TestCatalogue::sortsOnRawValues()
{
    IconCache icons;
    SharesModel model(icons);
    model.addRows({ShareRow::fromPath("/m/b.mp3", 100 * 1024, 320, 100, 8000),
                   ShareRow::fromPath("/m/C.mp3", 99 * 1024, 64, 9, 48000),
                   ShareRow::fromPath("/m/a.mp3", 1000 * 1024, 128, 60, 44100)},
                  true);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setSortRole(SharesModel::RawValueRole);
    proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
    const auto order = [&](int column) {
        proxy.sort(column);
        QStringList names;
        for (int row = 0; row < proxy.rowCount(); ++row)
            names.append(proxy.index(row, SharesModel::FileColumn).data().toString());
        return names.join(u' ');
    };
    QCOMPARE(order(SharesModel::FileColumn), u"a.mp3 b.mp3 C.mp3"_s);
    QCOMPARE(order(SharesModel::SizeColumn), u"C.mp3 b.mp3 a.mp3"_s);
    QCOMPARE(order(SharesModel::BitrateColumn), u"C.mp3 a.mp3 b.mp3"_s);
    QCOMPARE(order(SharesModel::LengthColumn), u"C.mp3 a.mp3 b.mp3"_s);
    QCOMPARE(order(SharesModel::FreqColumn), u"b.mp3 a.mp3 C.mp3"_s);
}
