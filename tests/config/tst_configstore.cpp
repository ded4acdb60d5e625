// The configuration store over real files in a temporary folder, and the fixed tables.
#include "config/configkeys.h"
#include "config/configstore.h"
#include "config/fixedtables.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

void WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Keeps embedded NUL bytes of a literal.
template <size_t N> QByteArray Bytes(const char (&literal)[N])
{
    return QByteArray(literal, qsizetype(N - 1));
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

// Lowers the process's file-size limit for its lifetime: writes that would grow a file past
// the limit fail with EFBIG, like a full disk, and this works even when the tests run as root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool IsActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class TestConfigStore : public QObject {
    Q_OBJECT

private:
    // A fresh folder for every test function and every data row.
    std::unique_ptr<QTemporaryDir> m_tempDir;
    QString DirPath(const QString& name) const { return m_tempDir->filePath(name); }
    QString IniPath() const { return DirPath(u"Tavolin.ini"_s); }

private Q_SLOTS:
    void init()
    {
        m_tempDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tempDir->isValid());
    }

    void missingKeyGivesEachReaderItsOwnDefault_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("defaultValue");
        const auto rows = [](bool fileExists, const char* suffix) {
            const auto row = [&](const char* name, QStringView key, const QVariant& value) {
                QTest::addRow("%s %s", name, suffix) << fileExists << key.toString() << value;
            };
            row("transfer_timeout state machine", ConfigKey::TransferTimeout, 30);
            row("transfer_timeout dialog", ConfigKey::TransferTimeout, 180);
            row("max_downloads StartNextDownload", ConfigKey::MaxDownloads, 1);
            row("max_downloads spin control", ConfigKey::MaxDownloads, 3);
            row("reconnect_interval disconnect", ConfigKey::ReconnectInterval, 10);
            row("reconnect_interval dialog", ConfigKey::ReconnectInterval, 15);
            row("default_dataport", ConfigKey::DefaultDataport, ConfigDefault::DefaultDataport);
            row("version", ConfigKey::Version, ConfigDefault::Version.toString());
            row("download_directory", ConfigKey::DownloadDirectory, u"/start/Downloads/"_s);
            row("chat_switch_connect", ConfigKey::ChatSwitchConnect, true);
            row("auto_reconnect", ConfigKey::AutoReconnect, false);
        };
        rows(false, "(no file)");
        rows(true, "(file without the key)");
    }

    void missingKeyGivesEachReaderItsOwnDefault()
    {
        QFETCH(bool, fileExists);
        QFETCH(QString, key);
        QFETCH(QVariant, defaultValue);
        if (fileExists)
            WriteFileBytes(IniPath(),
                           "[Tavolin]\nsomething_else=1\n[Other]\n" + key.toUtf8() + "=999\n");
        const ConfigStore store(IniPath());
        switch (defaultValue.typeId()) {
        case QMetaType::Int:
            QCOMPARE(store.ReadInteger(key, defaultValue.toInt()), defaultValue.toInt());
            break;
        case QMetaType::Bool:
            QCOMPARE(store.ReadBool(key, defaultValue.toBool()), defaultValue.toBool());
            break;
        default:
            QCOMPARE(store.ReadString(key, defaultValue.toString()), defaultValue.toString());
        }
    }

    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");
        const int fallback = 77;
        QTest::newRow("decimal") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-7") << -7;
        QTest::newRow("plus sign") << QByteArray("+5") << 5;
        QTest::newRow("leading zero is decimal") << QByteArray("010") << 10;
        QTest::newRow("hex lower x") << QByteArray("0x1F") << 31;
        QTest::newRow("hex upper X") << QByteArray("0X1f") << 31;
        QTest::newRow("negative hex") << QByteArray("-0x10") << -16;
        QTest::newRow("spaces around") << QByteArray("  12 \t") << 12;
        QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("int min") << QByteArray("-2147483648") << int(-2147483648LL);
        QTest::newRow("hex int max") << QByteArray("0x7FFFFFFF") << 2147483647;
        QTest::newRow("empty") << QByteArray("") << fallback;
        QTest::newRow("only spaces") << QByteArray("   ") << fallback;
        QTest::newRow("letters") << QByteArray("abc") << fallback;
        QTest::newRow("trailing junk") << QByteArray("12x") << fallback;
        QTest::newRow("inner space") << QByteArray("1 2") << fallback;
        QTest::newRow("sign only") << QByteArray("-") << fallback;
        QTest::newRow("space after sign") << QByteArray("- 5") << fallback;
        QTest::newRow("0x alone") << QByteArray("0x") << fallback;
        QTest::newRow("sign after 0x") << QByteArray("0x-5") << fallback;
        QTest::newRow("bad hex digit") << QByteArray("0x1G") << fallback;
        QTest::newRow("decimal point") << QByteArray("1.5") << fallback;
        QTest::newRow("exponent") << QByteArray("1e3") << fallback;
        QTest::newRow("above int max") << QByteArray("2147483648") << fallback;
        QTest::newRow("below int min") << QByteArray("-2147483649") << fallback;
        QTest::newRow("hex above int max") << QByteArray("0x80000000") << fallback;
        QTest::newRow("hex all ones is not -1") << QByteArray("0xFFFFFFFF") << fallback;
        QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999999") << fallback;
        QTest::newRow("non-ASCII digits") << QByteArray("\xd9\xa3") << fallback;
    }

    void readInteger()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        WriteFileBytes(IniPath(), "[Tavolin]\nmax_downloads=" + stored + "\n");
        const ConfigStore store(IniPath());
        QCOMPARE(store.ReadInteger(ConfigKey::MaxDownloads, 77), expected);
    }

    void readBool_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1") << QByteArray("1") << false << true;
        QTest::newRow("0") << QByteArray("0") << true << false;
        QTest::newRow("2 is true") << QByteArray("2") << false << true;
        QTest::newRow("-1 is true") << QByteArray("-1") << false << true;
        QTest::newRow("hex zero") << QByteArray("0x0") << true << false;
        QTest::newRow("abc, default true") << QByteArray("abc") << true << true;
        QTest::newRow("abc, default false") << QByteArray("abc") << false << false;
        QTest::newRow("word true is not a number") << QByteArray("true") << false << false;
        QTest::newRow("empty, default true") << QByteArray("") << true << true;
    }

    void readBool()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        WriteFileBytes(IniPath(), "[Tavolin]\nauto_reconnect=" + stored + "\n");
        const ConfigStore store(IniPath());
        QCOMPARE(store.ReadBool(ConfigKey::AutoReconnect, defaultValue), expected);
    }

    // Which line a key is read from, and what its text value is.
    void readString_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const QString fallback = u"<default>"_s;
        QTest::newRow("plain") << QByteArray("[Tavolin]\nversion=v1\n") << u"v1"_s;
        QTest::newRow("= inside value") << QByteArray("[Tavolin]\nversion=a=b=c\n") << u"a=b=c"_s;
        QTest::newRow("empty value") << QByteArray("[Tavolin]\nversion=\n") << QString();
        QTest::newRow("spaces in value kept")
            << QByteArray("[Tavolin]\nversion= spaced \n") << u" spaced "_s;
        QTest::newRow("spaces around key") << QByteArray("[Tavolin]\n  version  =x\n") << u"x"_s;
        QTest::newRow("CRLF file")
            << QByteArray("[Tavolin]\r\nversion=x y\r\nother=1\r\n") << u"x y"_s;
        QTest::newRow("no final line end") << QByteArray("[Tavolin]\nversion=last") << u"last"_s;
        QTest::newRow("section upper case") << QByteArray("[TAVOLIN]\nversion=x\n") << u"x"_s;
        QTest::newRow("key mixed case") << QByteArray("[tavolin]\nVeRsIoN=x\n") << u"x"_s;
        QTest::newRow("section with spaces and comment")
            << QByteArray("  [ Tavolin ] ; main\nversion=x\n") << u"x"_s;
        QTest::newRow("UTF-8 value")
            << QByteArray("[Tavolin]\nversion=caf\xc3\xa9\n") << u"caf\u00e9"_s;
        QTest::newRow("Latin-1 value")
            << QByteArray("[Tavolin]\nversion=caf\xe9\n") << u"caf\u00e9"_s;
        QTest::newRow("byte order mark")
            << QByteArray("\xef\xbb\xbf[Tavolin]\nversion=x\n") << u"x"_s;
        QTest::newRow("key of another section")
            << QByteArray("[Other]\nversion=x\n[Tavolin]\nmax_uploads=1\n") << fallback;
        QTest::newRow("key before any section")
            << QByteArray("version=x\n[Tavolin]\nmax_uploads=1\n") << fallback;
        QTest::newRow("Tavolin after another section")
            << QByteArray("[Other]\nversion=o\n[Tavolin]\nversion=t\n") << u"t"_s;
        QTest::newRow("duplicate key: first wins")
            << QByteArray("[Tavolin]\nversion=first\nversion=second\n") << u"first"_s;
        QTest::newRow("commented out")
            << QByteArray("[Tavolin]\n;version=x\n#version=y\n") << fallback;
        QTest::newRow("key name is only a prefix")
            << QByteArray("[Tavolin]\nversion_old=x\n") << fallback;
        QTest::newRow("garbage around")
            << Bytes("\0\x01\xff\n[\n=nokey\n[unterminated\n]\n[Tavolin]\nnoequals\n"
                     "version=ok\n\xfe\xfd=\0\n")
            << u"ok"_s;
    }

    void readString()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        WriteFileBytes(IniPath(), file);
        const ConfigStore store(IniPath());
        QCOMPARE(store.ReadString(ConfigKey::Version, u"<default>"), expected);
    }

    // The bytes a flush writes after a series of writes; unknown content survives byte for byte.
    void writeLayout_data()
    {
        QTest::addColumn<QByteArray>("file");    // "<none>": no file at start
        QTest::addColumn<QStringList>("writes"); // key, value, key, value, ...
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("new file") << QByteArray("<none>")
                                  << QStringList{u"version"_s, u"v"_s, u"max_downloads"_s, u"3"_s}
                                  << QByteArray("[Tavolin]\nversion=v\nmax_downloads=3\n");
        QTest::newRow("existing key keeps its line, place and spelling")
            << QByteArray("[Tavolin]\nMax_Downloads=2\nother=1\n")
            << QStringList{u"max_downloads"_s, u"5"_s, u"MAX_DOWNLOADS"_s, u"6"_s}
            << QByteArray("[Tavolin]\nMax_Downloads=6\nother=1\n");
        QTest::newRow("new key stays inside the section")
            << QByteArray("[tavolin]\nversion=v\n\n[Other]\nx=y\n")
            << QStringList{u"winamp"_s, u"/usr/bin/player"_s}
            << QByteArray("[tavolin]\nversion=v\nwinamp=/usr/bin/player\n\n[Other]\nx=y\n");
        QTest::newRow("foreign content and CRLF kept")
            << QByteArray("; comment\r\nstray=1\r\n[Other]\r\nversion=other\r\n\r\n[TAVOLIN]\r\n"
                          "Version=old\r\ngarbage line\r\n\xff\xfe bin\r\n\r\n[Third]\r\nx=y\r\n")
            << QStringList{u"version"_s, u"new"_s, u"max_uploads"_s, u"4"_s}
            << QByteArray("; comment\r\nstray=1\r\n[Other]\r\nversion=other\r\n\r\n[TAVOLIN]\r\n"
                          "Version=new\r\ngarbage line\r\n\xff\xfe bin\r\nmax_uploads=4\r\n\r\n"
                          "[Third]\r\nx=y\r\n");
        QTest::newRow("no Tavolin section yet")
            << QByteArray("[Other]\nx=y") << QStringList{u"version"_s, u"v"_s}
            << QByteArray("[Other]\nx=y\n[Tavolin]\nversion=v\n");
        QTest::newRow("duplicate key: the first is the one replaced")
            << QByteArray("[Tavolin]\nversion=a\nversion=b\n") << QStringList{u"version"_s, u"c"_s}
            << QByteArray("[Tavolin]\nversion=c\nversion=b\n");
        QTest::newRow("line breaks in a value become spaces")
            << QByteArray("<none>") << QStringList{u"version"_s, u"a\r\nb\nc"_s}
            << QByteArray("[Tavolin]\nversion=a  b c\n");
        QTest::newRow("keys that cannot be read back are not written")
            << QByteArray("[Tavolin]\nversion=v\n")
            << QStringList{u"a=b"_s, u"1"_s, u""_s, u"2"_s, u"[x"_s, u"3"_s, u"x\ny"_s, u"4"_s}
            << QByteArray("[Tavolin]\nversion=v\n");
    }

    void writeLayout()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, writes);
        QFETCH(QByteArray, expected);
        if (file != "<none>")
            WriteFileBytes(IniPath(), file);
        ConfigStore store(IniPath());
        for (qsizetype i = 0; i + 1 < writes.size(); i += 2)
            store.WriteString(writes[i], writes[i + 1]);
        QString error;
        QVERIFY2(store.Flush(&error), qPrintable(error));
        QCOMPARE(ReadFileBytes(IniPath()), expected);
    }

    void writesReachTheFileOnlyAtFlush()
    {
        const QByteArray original("[Tavolin]\nmax_downloads=2\n");
        WriteFileBytes(IniPath(), original);
        ConfigStore store(IniPath());
        store.WriteInteger(ConfigKey::MaxDownloads, 9);
        store.WriteBool(ConfigKey::AutoReconnect, true);
        QCOMPARE(store.ReadInteger(ConfigKey::MaxDownloads, 1), 9);
        QCOMPARE(store.ReadBool(ConfigKey::AutoReconnect, false), true);
        QCOMPARE(ReadFileBytes(IniPath()), original);
        QVERIFY(store.Flush());
        QCOMPARE(ConfigStore(IniPath()).ReadInteger(ConfigKey::MaxDownloads, 1), 9);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << u"Tavolin v0.2"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("spaces at both ends") << u"  padded  "_s;
        QTest::newRow("equals signs") << u"a=b==c="_s;
        QTest::newRow("brackets and semicolon") << u"[Tavolin];x"_s;
        QTest::newRow("non-ASCII") << u"n\u00efck \u2713 \u65e5\u672c"_s;
        QTest::newRow("long") << QString(20000, u'z');
    }

    void roundTrip()
    {
        QFETCH(QString, text);
        {
            ConfigStore store(IniPath());
            store.WriteString(ConfigKey::Version, text);
            store.WriteInteger(ConfigKey::DefaultDataport, -2147483647 - 1);
            store.WriteInteger(ConfigKey::PacketSize, 2147483647);
            store.WriteInteger(ConfigKey::DefaultSpeed, -1);
            store.WriteBool(ConfigKey::ChatSwitchConnect, false);
            store.WriteBool(ConfigKey::AutoReconnect, true);
            QString error;
            QVERIFY2(store.Flush(&error), qPrintable(error));
        }
        const ConfigStore reread(IniPath());
        QCOMPARE(reread.ReadString(ConfigKey::Version, u"<default>"), text);
        QCOMPARE(reread.ReadInteger(ConfigKey::DefaultDataport, 0), -2147483647 - 1);
        QCOMPARE(reread.ReadInteger(ConfigKey::PacketSize, 0), 2147483647);
        QCOMPARE(reread.ReadInteger(ConfigKey::DefaultSpeed, 0), -1);
        QCOMPARE(reread.ReadBool(ConfigKey::ChatSwitchConnect, true), false);
        QCOMPARE(reread.ReadBool(ConfigKey::AutoReconnect, false), true);
    }

    void failedFlushWhenFolderIsAFile()
    {
        // A regular file where the folder should be: fails for root too.
        const QString notAFolder = DirPath(u"plain"_s);
        WriteFileBytes(notAFolder, "just a file\n");
        const QString path = notAFolder + u"/Tavolin.ini"_s;
        ConfigStore store(path);
        store.WriteInteger(ConfigKey::MaxDownloads, 4);
        QString error;
        QVERIFY(!store.Flush(&error));
        QVERIFY2(error.contains(u"Tavolin.ini"_s), qPrintable(error));
        QCOMPARE(ReadFileBytes(notAFolder), QByteArray("just a file\n"));
        // The memory copy is still there to retry with.
        QCOMPARE(store.ReadInteger(ConfigKey::MaxDownloads, 1), 4);
    }

    void failedFlushLeavesOldFileByteIdentical()
    {
        const QByteArray original("[Tavolin]\r\nversion=old\r\n[Keep]\r\nx=\xe9\r\n");
        WriteFileBytes(IniPath(), original);
        ConfigStore store(IniPath());
        store.WriteString(ConfigKey::Version, QString(64 * 1024, u'n'));
        QString error;
        bool flushed = true;
        {
            // Like a full disk: the new content cannot be written in full.
            FileSizeLimit limit(4096);
            if (!limit.IsActive())
                QSKIP("cannot lower the file size limit here");
            flushed = store.Flush(&error);
        }
        QVERIFY(!flushed);
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadFileBytes(IniPath()), original);
        // No half-written temporary file is left beside it.
        QCOMPARE(QDir(m_tempDir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"Tavolin.ini"_s});
        // Once there is room again, the same store flushes.
        QVERIFY2(store.Flush(&error), qPrintable(error));
        QCOMPARE(ConfigStore(IniPath()).ReadString(ConfigKey::Version, u""),
                 QString(64 * 1024, u'n'));
    }

    void failedFlushIntoReadOnlyFolder()
    {
        if (geteuid() == 0)
            QSKIP("root may write into read-only folders");
        const QString folder = DirPath(u"ro"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + u"/Tavolin.ini"_s;
        const QByteArray original("[Tavolin]\nversion=old\n");
        WriteFileBytes(path, original);
        ConfigStore store(path);
        store.WriteString(ConfigKey::Version, u"new");
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QString error;
        const bool flushed = store.Flush(&error);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!flushed);
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadFileBytes(path), original);
    }

    // A file that exists but cannot be read must not be replaced by the (empty) memory copy.
    void unreadableFileIsNotOverwritten()
    {
        if (geteuid() == 0)
            QSKIP("root can read any file");
        const QByteArray original("[Tavolin]\nversion=precious\n");
        WriteFileBytes(IniPath(), original);
        QVERIFY(QFile::setPermissions(IniPath(), QFileDevice::Permissions()));
        ConfigStore store(IniPath());
        QCOMPARE(store.ReadString(ConfigKey::Version, u"<default>"), u"<default>"_s);
        store.WriteInteger(ConfigKey::MaxDownloads, 2);
        QString error;
        const bool flushed = store.Flush(&error);
        QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!flushed);
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadFileBytes(IniPath()), original);
    }

    void folderInPlaceOfFileIsAnEmptyStore()
    {
        QVERIFY(QDir().mkpath(IniPath()));
        ConfigStore store(IniPath());
        QCOMPARE(store.ReadInteger(ConfigKey::PacketSize, 8192), 8192);
        store.WriteInteger(ConfigKey::PacketSize, 1);
        QVERIFY(!store.Flush());
        QVERIFY(QFileInfo(IniPath()).isDir());
        QVERIFY(QDir(IniPath()).removeRecursively());
    }

    // Readers on worker threads while this thread writes (growing the line list as well) and
    // another thread flushes. A torn read would show a value that was never written.
    void concurrentReadsDuringWrites()
    {
        WriteFileBytes(IniPath(), "[Tavolin]\nversion=start\nmax_downloads=1\n");
        ConfigStore store(IniPath());
        const QString a(300, u'a');
        const QString b(700, u'b');
        std::atomic<bool> done{false};
        std::atomic<int> badReads{0};
        std::atomic<int> flushFailures{0};

        std::vector<std::thread> threads;
        for (int t = 0; t < 3; ++t) {
            threads.emplace_back([&] {
                while (!done.load()) {
                    const QString v = store.ReadString(ConfigKey::Version, u"");
                    if (v != u"start" && v != a && v != b)
                        ++badReads;
                    const int n = store.ReadInteger(ConfigKey::MaxDownloads, -1);
                    if (n != 1 && n != 2 && n != 5)
                        ++badReads;
                    if (!store.ReadBool(ConfigKey::ChatSwitchConnect, true))
                        ++badReads;
                }
            });
        }
        threads.emplace_back([&] {
            while (!done.load()) {
                if (!store.Flush())
                    ++flushFailures;
            }
        });

        for (int i = 0; i < 3000; ++i) {
            store.WriteString(ConfigKey::Version, i % 2 ? a : b);
            store.WriteInteger(ConfigKey::MaxDownloads, i % 2 ? 2 : 5);
            if (i % 10 == 0)
                store.WriteInteger(u"extra_%1"_s.arg(i), i);
        }
        done = true;
        for (std::thread& thread : threads)
            thread.join();

        QCOMPARE(badReads.load(), 0);
        QCOMPARE(flushFailures.load(), 0);
        QVERIFY(store.Flush());
        const ConfigStore reread(IniPath());
        QCOMPARE(reread.ReadString(ConfigKey::Version, u""), a);
        QCOMPARE(reread.ReadInteger(ConfigKey::MaxDownloads, -1), 2);
        QCOMPARE(reread.ReadInteger(u"extra_2990", -1), 2990);
    }

    void lineSpeedName_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0 << u"Unknown"_s;
        QTest::newRow("8") << 8 << u"DSL"_s;
        QTest::newRow("10") << 10 << u"T3 >"_s;
        QTest::newRow("-1") << -1 << u"Unknown"_s;
        QTest::newRow("11") << 11 << u"Unknown"_s;
        QTest::newRow("255") << 255 << u"Unknown"_s;
        QTest::newRow("int min") << int(-2147483648LL) << u"Unknown"_s;
    }

    void lineSpeedName()
    {
        QFETCH(int, code);
        QFETCH(QString, expected);
        QCOMPARE(LineSpeedName(code), expected);
    }

    void lineSpeedFromText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("8") << QByteArray("8") << 8;
        QTest::newRow("10") << QByteArray("10") << 10;
        QTest::newRow("spaces") << QByteArray(" 7 ") << 7;
        QTest::newRow("leading zeros") << QByteArray("0009") << 9;
        QTest::newRow("x") << QByteArray("x") << -1;
        QTest::newRow("empty") << QByteArray("") << -1;
        QTest::newRow("-1") << QByteArray("-1") << -1;
        QTest::newRow("11") << QByteArray("11") << -1;
        QTest::newRow("255") << QByteArray("255") << -1;
        QTest::newRow("8x") << QByteArray("8x") << -1;
        QTest::newRow("huge") << QByteArray("99999999999999999999999999") << -1;
        QTest::newRow("high byte") << QByteArray("\xb8") << -1;
    }

    void lineSpeedFromText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, code);
        const QString expected = code < 0 ? UnknownLineSpeedName.toString() : LineSpeedName(code);
        QCOMPARE(LineSpeedCodeFromText(QByteArrayView(text)), code);
        QCOMPARE(LineSpeedNameFromText(QByteArrayView(text)), expected);
        const QString asText = QString::fromLatin1(text);
        QCOMPARE(LineSpeedCodeFromText(QStringView(asText)), code);
        QCOMPARE(LineSpeedNameFromText(QStringView(asText)), expected);
    }

    void lineSpeedTablesDifferOnlyInLastEntry()
    {
        for (int code = 0; code < LineSpeedCount - 1; ++code)
            QCOMPARE(LineSpeedDialogNames[code].toString(), LineSpeedNames[code].toString());
        QCOMPARE(LineSpeedNames[10].toString(), u"T3 >"_s);
        QCOMPARE(LineSpeedDialogNames[10].toString(), u"T3 or greater"_s);
    }

    // The interpreter tests names in upper case and the completion list must not offer the
    // short aliases; an alias must lead to a listed command.
    void commandTableAndAliases()
    {
        QSet<QString> names;
        for (QStringView name : ChatCommandNames) {
            QCOMPARE(name.toString(), name.toString().toUpper());
            names.insert(name.toString());
        }
        QCOMPARE(names.size(), qsizetype(ChatCommandNames.size()));
        const auto position = [](QStringView name) {
            return std::find(ChatCommandNames.begin(), ChatCommandNames.end(), name) -
                   ChatCommandNames.begin();
        };
        QCOMPARE(position(u"MSG") + 1, position(u"ME"));
        for (const ChatCommandAlias& alias : ChatCommandAliases) {
            QVERIFY2(!names.contains(alias.alias.toString()), qPrintable(alias.alias.toString()));
            QVERIFY2(names.contains(alias.command.toString()),
                     qPrintable(alias.command.toString()));
        }
    }

    void mpegTables_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("layer");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("bitrate");
        QTest::newRow("MPEG-1 L3 128") << 1 << 3 << 9 << 128;
        QTest::newRow("MPEG-1 L3 320") << 1 << 3 << 14 << 320;
        QTest::newRow("MPEG-1 L2 384") << 1 << 2 << 14 << 384;
        QTest::newRow("MPEG-1 L1 448") << 1 << 1 << 14 << 448;
        QTest::newRow("MPEG-2 L3 8") << 2 << 3 << 1 << 8;
        QTest::newRow("MPEG-2 L1 256") << 2 << 1 << 14 << 256;
        QTest::newRow("MPEG-2.5 uses MPEG-2 table") << 3 << 3 << 14 << 160;
        QTest::newRow("free format") << 1 << 3 << 0 << 0;
        QTest::newRow("index 15") << 1 << 3 << 15 << 0;
        QTest::newRow("index 16") << 1 << 3 << 16 << 0;
        QTest::newRow("index -1") << 1 << 3 << -1 << 0;
        QTest::newRow("version 0") << 0 << 3 << 9 << 0;
        QTest::newRow("version 4") << 4 << 3 << 9 << 0;
        QTest::newRow("layer 0") << 1 << 0 << 9 << 0;
        QTest::newRow("layer 4") << 1 << 4 << 9 << 0;
    }

    void mpegTables()
    {
        QFETCH(int, version);
        QFETCH(int, layer);
        QFETCH(int, index);
        QFETCH(int, bitrate);
        QCOMPARE(MpegBitrate(version, layer, index), bitrate);
    }

    void mpegSampleRates()
    {
        QCOMPARE(MpegSampleRate(1, 0), 44100);
        QCOMPARE(MpegSampleRate(2, 2), 16000);
        QCOMPARE(MpegSampleRate(3, 2), 8000);
        QCOMPARE(MpegSampleRate(1, 3), 0);
        QCOMPARE(MpegSampleRate(0, 0), 0);
        QCOMPARE(MpegSampleRate(4, 0), 0);
        QCOMPARE(MpegSampleRate(1, -1), 0);
        QCOMPARE(MpegSampleRate(1, 4), 0);
        // The search pickers offer only rates that MPEG audio has, in rising order.
        int previous = 0;
        for (QStringView text : SearchSampleRates) {
            const int rate = text.toInt();
            QVERIFY(rate > previous);
            previous = rate;
            bool found = false;
            for (const auto& row : MpegSampleRateTable)
                found = found || std::find(std::begin(row), std::end(row), rate) != std::end(row);
            QVERIFY2(found, qPrintable(text.toString()));
        }
    }
};

QTEST_MAIN(TestConfigStore)
#include "tst_configstore.moc"
