// The server list without widgets: servers.dat reading and writing, the model, and the
// user's actions against a fake connection registry.

#include "fakeconnector.h"
#include "protocol/serverlistactions.h"
#include "protocol/serverlistmodel.h"
#include "protocol/serversfile.h"
#include "tests/support/recordingprompts.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using Kind = RecordingPrompts::Kind;

namespace {

// One line per row: groups "+Name protocol" (checked) or "-Name protocol"; networks indented
// by two; servers by four with "*" for the check mark, then the index and the cells.
QString Dump(const ServerListModel& model)
{
    QString out;
    for (int g = 0; g < model.rowCount(); ++g) {
        const QModelIndex group = model.index(g, 0);
        out += (model.isGroupChecked(group) ? u'+' : u'-') + group.data().toString() + u'\n';
        for (int n = 0; n < model.rowCount(group); ++n) {
            const QModelIndex network = model.index(n, 0, group);
            out += u"  "_s + network.data().toString() + u'\n';
            for (const int s : model.networkServers(network)) {
                out += u"    "_s + (model.isServerChecked(s) ? u'*' : u' ') + QString::number(s) +
                       u' ' + model.cell(s, ServerListModel::StatusColumn) + u'|' +
                       model.cell(s, ServerListModel::ServerColumn) + u'|' +
                       model.cell(s, ServerListModel::PortColumn) + u'|' +
                       model.cell(s, ServerListModel::NicknameColumn) + u'|' +
                       model.cell(s, ServerListModel::PasswordColumn) + u'\n';
            }
        }
    }
    return out;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Bytes of a literal that may hold NUL bytes.
template <size_t N> QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1));
}

QModelIndex FindNetwork(const ServerListModel& model, const QString& text)
{
    for (int g = 0; g < model.rowCount(); ++g) {
        const QModelIndex group = model.index(g, 0);
        for (int n = 0; n < model.rowCount(group); ++n) {
            const QModelIndex network = model.index(n, 0, group);
            if (network.data().toString() == text)
                return network;
        }
    }
    return {};
}

// The example list used by most action tests:
//   +Opennap protocol / Net1: *0, 1 / Net2: *2 / Not affiliated: *3    -Soulseek protocol / S: *4
const QByteArray StandardFile = "[Protocols]\n"
                                "Opennap=1\n"
                                "Soulseek=0\n"
                                "\n"
                                "[Net1]\n"
                                "protocol=Opennap\n"
                                "bookmark=0\n"
                                "a.example=8888 alice secret\n"
                                "b.example=7777 \"\" \"\"\n"
                                "\n"
                                "[Net2]\n"
                                "protocol=Opennap\n"
                                "bookmark=0\n"
                                "c.example=8888 carol pw\n"
                                "\n"
                                "[]\n"
                                "protocol=Opennap\n"
                                "bookmark=0\n"
                                "d.example=6666 dave pw\n"
                                "\n"
                                "[S]\n"
                                "protocol=Soulseek\n"
                                "bookmark=0\n"
                                "e.example=2240 eve pw\n"
                                "\n";

// A model loaded from a servers.dat in a temporary directory, with actions over a fake
// registry and recorded boxes.
struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath(u"servers.dat"_s);
    ServerListModel model;
    FakeConnector connector;
    RecordingPrompts prompts;
    ServerListActions actions{model, connector, prompts};

    explicit Fixture(const QByteArray& content = StandardFile)
    {
        WriteFile(path, content);
        model.load(path);
    }
    QByteArray saved() const { return ReadFile(path); }
    QString fileValue(const QString& section, const QString& key) const
    {
        ServersFile file(path);
        file.load();
        return file.value(section, key, u"<none>"_s);
    }
};

} // namespace

class TestServerList final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // servers.dat as text
    void fileParsing_data();
    void fileParsing();
    void fileNamesIgnoreCase();
    void fileSaveIsAtomic();
    void serverValueRoundTrip_data();
    void serverValueRoundTrip();

    // Loading
    void loadExample();
    void loadCorrects_data();
    void loadCorrects();
    void loadHostileFile_data();
    void loadHostileFile();
    void loadWithoutFile();

    // The model as a model
    void modelContract();
    void rolesAndHeader();
    void accessorsByIndex();

    // Check marks
    void checkMarksAreStored();
    void spaceKey();

    // User actions
    void activate_data();
    void activate();
    void popupItems_data();
    void popupItems();
    void connectAll_data();
    void connectAll();
    void disconnectAll();
    void popupConnectAndDisconnect();
    void addNetwork_data();
    void addNetwork();
    void editNetwork();
    void editNetworkRefusals_data();
    void editNetworkRefusals();
    void removeNetwork();
    void addServer();
    void addServerDuplicates();
    void addServerRefusals_data();
    void addServerRefusals();
    void editServer();
    void removeServer();
    void newServerIndex_data();
    void newServerIndex();
    void bookmarkSurvivesEdits();
    void failedSaveIsReported();
};

// --- servers.dat as text -----------------------------------------------------------------------

void TestServerList::fileParsing_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("plain") << QByteArray("[A]\nk=v\n\n[B]\nx=1 2 3\n")
                           << QByteArray("[A]\nk=v\n\n[B]\nx=1 2 3\n\n");
    QTest::newRow("CRLF and CR line ends")
        << QByteArray("[A]\r\nk=v\r\n[B]\rx=1\r") << QByteArray("[A]\nk=v\n\n[B]\nx=1\n\n");
    QTest::newRow("white space trimmed")
        << QByteArray("  [ A ]  \n\t k = v w \t\n") << QByteArray("[A]\nk=v w\n\n");
    QTest::newRow("first = splits") << QByteArray("[A]\nk=a=b\n") << QByteArray("[A]\nk=a=b\n\n");
    QTest::newRow("later key wins, first place kept")
        << QByteArray("[A]\nk=1\nj=2\nK=3\n") << QByteArray("[A]\nk=3\nj=2\n\n");
    QTest::newRow("section seen twice is merged") << QByteArray("[A]\nk=1\n[B]\nj=2\n[a]\nm=3\n")
                                                  << QByteArray("[A]\nk=1\nm=3\n\n[B]\nj=2\n\n");
    QTest::newRow("ignored lines")
        << QByteArray("before=section\n[A]\nno equals sign\n=empty key\n;k=comment\nk=v\n")
        << QByteArray("[A]\nk=v\n\n");
    QTest::newRow("empty section name") << QByteArray("[]\nk=v\n") << QByteArray("[]\nk=v\n\n");
    QTest::newRow("NUL bytes dropped")
        << Bytes("[A\0]\nk\0ey=v\0al\n") << QByteArray("[A]\nkey=val\n\n");
    QTest::newRow("Windows-1252 line becomes UTF-8")
        << QByteArray("[Caf\xe9]\nk=\x80 5\n") << QByteArray("[Caf\xc3\xa9]\nk=\xe2\x82\xac 5\n\n");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("only junk") << Bytes("\xff\xfe\x01\x02]]][[[\n=\n\x00\x00") << QByteArray();
}

void TestServerList::fileParsing()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, written);
    ServersFile file;
    file.parse(input);
    QCOMPARE(file.toBytes(), written);
    // What is written reads back as itself.
    ServersFile again;
    again.parse(written);
    QCOMPARE(again.toBytes(), written);
}

void TestServerList::fileNamesIgnoreCase()
{
    ServersFile file;
    file.parse("[Net]\nHost=1\nother=2\nthird=3\n");
    QVERIFY(file.hasSection(u"NET"_s));
    QCOMPARE(file.value(u"net"_s, u"HOST"_s), u"1"_s);
    QCOMPARE(file.value(u"net"_s, u"missing"_s, u"dflt"_s), u"dflt"_s);

    // An existing key keeps its spelling and place.
    file.setValue(u"NET"_s, u"host"_s, u"9"_s);
    // A renamed key keeps its place; renaming onto another existing key merges into that one.
    file.renameKey(u"Net"_s, u"other"_s, u"Other2"_s, u"8"_s);
    QCOMPARE(file.toBytes(), QByteArray("[Net]\nHost=9\nOther2=8\nthird=3\n\n"));
    file.renameKey(u"Net"_s, u"Other2"_s, u"THIRD"_s, u"7"_s);
    QCOMPARE(file.toBytes(), QByteArray("[Net]\nHost=9\nthird=7\n\n"));

    file.removeKey(u"net"_s, u"host"_s);
    file.setValue(u"New"_s, u"k"_s, u"v"_s);
    QCOMPARE(file.toBytes(), QByteArray("[Net]\nthird=7\n\n[New]\nk=v\n\n"));
    file.eraseSection(u"NET"_s);
    QCOMPARE(file.sections(), QStringList{u"New"_s});
    QCOMPARE(file.value(u"new"_s, u"K"_s), u"v"_s);
}

void TestServerList::fileSaveIsAtomic()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"servers.dat"_s);
    QVERIFY(WriteFile(path, "[Old]\nk=v\n\n"));

    ServersFile file(path);
    QVERIFY(file.load());
    file.setValue(u"Old"_s, u"k2"_s, u"v2"_s);
    QVERIFY(file.save());
    QCOMPARE(ReadFile(path), QByteArray("[Old]\nk=v\nk2=v2\n\n"));

    // A path whose parent is a regular file cannot be written: the failure is reported and
    // nothing is written anywhere. (Tests may run as root, so permissions prove nothing.)
    const QString blocker = dir.filePath(u"plainfile"_s);
    QVERIFY(WriteFile(blocker, "not a folder"));
    ServersFile bad(blocker + u"/servers.dat"_s);
    bad.setValue(u"A"_s, u"k"_s, u"v"_s);
    QVERIFY(!bad.save());
    QVERIFY(!bad.errorString().isEmpty());
    QCOMPARE(ReadFile(blocker), QByteArray("not a folder"));
    // No temporary file was left next to the list either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u"plainfile"_s, u"servers.dat"_s}));
}

void TestServerList::serverValueRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("nickname");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("writtenBack");

    QTest::newRow("empty nickname and password")
        << u"8888 \"\" \"\""_s << u"8888"_s << QString() << QString() << u"8888 \"\" \"\""_s;
    QTest::newRow("all three") << u"7777 me pw"_s << u"7777"_s << u"me"_s << u"pw"_s
                               << u"7777 me pw"_s;
    QTest::newRow("password keeps the rest") << u"7777 me my secret"_s << u"7777"_s << u"me"_s
                                             << u"my secret"_s << u"7777 me \"my secret\""_s;
    QTest::newRow("quoted nickname with a space")
        << u"7777 \"my nick\" pw"_s << u"7777"_s << u"my nick"_s << u"pw"_s
        << u"7777 \"my nick\" pw"_s;
    QTest::newRow("port only") << u"8888"_s << u"8888"_s << QString() << QString()
                               << u"8888 \"\" \"\""_s;
    QTest::newRow("missing port") << QString() << QString() << QString() << QString()
                                  << u"\"\" \"\" \"\""_s;
    QTest::newRow("not a number") << u"abc x y"_s << u"abc"_s << u"x"_s << u"y"_s << u"abc x y"_s;
    QTest::newRow("non-ASCII") << u"8888 J\u00f6rg p\u00e4ss"_s << u"8888"_s << u"J\u00f6rg"_s
                               << u"p\u00e4ss"_s << u"8888 J\u00f6rg p\u00e4ss"_s;
}

void TestServerList::serverValueRoundTrip()
{
    QFETCH(QString, value);
    QFETCH(QString, port);
    QFETCH(QString, nickname);
    QFETCH(QString, password);
    QFETCH(QString, writtenBack);

    const ServerEntry entry = ServerEntryFromValue(u"h"_s, value);
    QCOMPARE(entry, (ServerEntry{u"h"_s, port, nickname, password}));
    QCOMPARE(ServerValue(entry), writtenBack);
    QCOMPARE(ServerEntryFromValue(u"h"_s, writtenBack), entry);
}

// --- Loading -----------------------------------------------------------------------------------

void TestServerList::loadExample()
{
    Fixture f("[Protocols]\n"
              "Opennap=0\n"
              "[Net1]\n"
              "protocol=Opennap\n"
              "bookmark=1\n"
              "10.0.0.1=8888 \"\" \"\"\n"
              "10.0.0.2=7777 me pw\n"
              "[]\n"
              "10.0.0.3=8888 a b\n");
    QCOMPARE(Dump(f.model), u"-Opennap protocol\n"
                            "  Net1\n"
                            "     0 Not connected|10.0.0.1|8888||\n"
                            "    *1 Not connected|10.0.0.2|7777|me|pw\n"
                            "  Not affiliated\n"
                            "    *2 Not connected|10.0.0.3|8888|a|b\n"_s);
    // The corrections of the empty-named section are saved; the rest is written as read.
    QCOMPARE(f.saved(), QByteArray("[Protocols]\n"
                                   "Opennap=0\n"
                                   "\n"
                                   "[Net1]\n"
                                   "protocol=Opennap\n"
                                   "bookmark=1\n"
                                   "10.0.0.1=8888 \"\" \"\"\n"
                                   "10.0.0.2=7777 me pw\n"
                                   "\n"
                                   "[]\n"
                                   "10.0.0.3=8888 a b\n"
                                   "protocol=Opennap\n"
                                   "bookmark=0\n"
                                   "\n"));
    QCOMPARE(f.model.serverIndexes(), (QList<int>{0, 1, 2}));
    QVERIFY(f.model.isUnderFirstProtocolGroup(2));
}

void TestServerList::loadCorrects_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("no Protocols section")
        << QByteArray("[Net]\nh=1 a b\n")
        << u"+Opennap protocol\n  Net\n    *0 Not connected|h|1|a|b\n"_s
        << QByteArray("[Net]\nh=1 a b\nprotocol=Opennap\nbookmark=0\n\n[Protocols]\nOpennap=1\n\n");
    QTest::newRow("Opennap missing from Protocols, unreadable mark counts as checked")
        << QByteArray("[Protocols]\nSoulseek=yes\n[N]\nprotocol=Soulseek\nbookmark=0\nh=1\n")
        << u"+Soulseek protocol\n  N\n    *0 Not connected|h|1||\n+Opennap protocol\n"_s
        << QByteArray("[Protocols]\nSoulseek=yes\nOpennap=1\n\n"
                      "[N]\nprotocol=Soulseek\nbookmark=0\nh=1\n\n");
    QTest::newRow("unknown or missing protocol moves to Opennap")
        << QByteArray("[Protocols]\nOpennap=1\nSoulseek=0\n"
                      "[A]\nprotocol=Gnutella\nbookmark=0\nh=1\n"
                      "[B]\nbookmark=0\nk=2\n"
                      "[C]\nPROTOCOL=soulseek\nbookmark=0\nm=3\n")
        << u"+Opennap protocol\n  A\n    *0 Not connected|h|1||\n  B\n    *1 Not connected|k|2||\n"
           "-Soulseek protocol\n  C\n    *2 Not connected|m|3||\n"_s
        << QByteArray("[Protocols]\nOpennap=1\nSoulseek=0\n\n"
                      "[A]\nprotocol=Opennap\nbookmark=0\nh=1\n\n"
                      "[B]\nbookmark=0\nk=2\nprotocol=Opennap\n\n"
                      "[C]\nPROTOCOL=soulseek\nbookmark=0\nm=3\n\n");
    QTest::newRow("bookmark missing, beyond, negative, unreadable")
        << QByteArray("[Protocols]\nOpennap=1\n"
                      "[A]\nprotocol=Opennap\nh=1\nh2=1\n"
                      "[B]\nprotocol=Opennap\nbookmark=5\nk=2\n"
                      "[C]\nprotocol=Opennap\nbookmark=-1\nm=3\n"
                      "[D]\nprotocol=Opennap\nBookmark=x\nn=4\nn2=4\n")
        << u"+Opennap protocol\n"
           "  A\n    *0 Not connected|h|1||\n     1 Not connected|h2|1||\n"
           "  B\n     2 Not connected|k|2||\n"
           "  C\n     3 Not connected|m|3||\n"
           "  D\n    *4 Not connected|n|4||\n     5 Not connected|n2|4||\n"_s
        << QByteArray("[Protocols]\nOpennap=1\n\n"
                      "[A]\nprotocol=Opennap\nh=1\nh2=1\nbookmark=0\n\n"
                      "[B]\nprotocol=Opennap\nbookmark=5\nk=2\n\n"
                      "[C]\nprotocol=Opennap\nbookmark=-1\nm=3\n\n"
                      "[D]\nprotocol=Opennap\nBookmark=x\nn=4\nn2=4\n\n");
    QTest::newRow("network without servers")
        << QByteArray("[Protocols]\nOpennap=1\n[Empty]\nprotocol=Opennap\n")
        << u"+Opennap protocol\n  Empty\n"_s
        << QByteArray("[Protocols]\nOpennap=1\n\n[Empty]\nprotocol=Opennap\nbookmark=0\n\n");
}

void TestServerList::loadCorrects()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, rows);
    QFETCH(QByteArray, saved);
    Fixture f(input);
    QCOMPARE(Dump(f.model), rows);
    QCOMPARE(f.saved(), saved);
    // Loading the corrected file again changes nothing.
    ServerListModel again;
    QVERIFY(again.load(f.path));
    QCOMPARE(Dump(again), rows);
    QCOMPARE(f.saved(), saved);
}

void TestServerList::loadHostileFile_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("rows");

    const QString head = u"+Opennap protocol\n  N\n"_s;
    const QByteArray top = "[Protocols]\nOpennap=1\n[N]\nprotocol=Opennap\nbookmark=0\n";

    QTest::newRow("missing port") << top + "h=\nbare\n" << head + u"    *0 Not connected|h|||\n"_s;
    QTest::newRow("port not a number") << top + "h=http me pw\n"
                                       << head + u"    *0 Not connected|h|http|me|pw\n"_s;
    QTest::newRow("same host twice: the later entry wins")
        << top + "h=1 a b\nH=2 c d\n"
        << head + u"    *0 Not connected|h|2|c|d\n"_s;
    QTest::newRow("section key spelled otherwise is no server")
        << top + "Protocol=Opennap\nBOOKMARK=0\nh=1\n"
        << head + u"    *0 Not connected|h|1||\n"_s;
    QTest::newRow("CRLF") << QByteArray(top).replace("\n", "\r\n") + "h=1 a b\r\n"
                          << head + u"    *0 Not connected|h|1|a|b\n"_s;
    QTest::newRow("NUL bytes") << top + Bytes("h\0=1\0 a b\0\n")
                               << head + u"    *0 Not connected|h|1|a|b\n"_s;
    QTest::newRow("binary junk around an entry")
        << top + Bytes("\x00\xff\xfe\x01\x02\x03\n\x80\x81=\x9d\n\x1b[2J\nh=1 a b\n")
        << head + u"    *0 Not connected|\u20ac\u0081|\u009d||\n     1 Not connected|h|1|a|b\n"_s;
    QTest::newRow("unbalanced quotes") << top + "h=1 \"a b\n"
                                       << head + u"    *0 Not connected|h|1|a b|\n"_s;

    const QByteArray longHost(200000, 'x');
    QTest::newRow("very long line")
        << top + longHost + "=1 " + QByteArray(100000, 'n') + " p\n"
        << head + u"    *0 Not connected|"_s + QString::fromLatin1(longHost) + u"|1|"_s +
               QString(100000, u'n') + u"|p\n"_s;
}

void TestServerList::loadHostileFile()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, rows);
    Fixture f(input);
    QCOMPARE(Dump(f.model), rows);
    // Whatever was loaded is saved in a form that loads the same way again.
    ServerListModel again;
    QVERIFY(again.load(f.path));
    QCOMPARE(Dump(again), rows);
}

void TestServerList::loadWithoutFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"servers.dat"_s);
    ServerListModel model;
    FakeConnector connector;
    RecordingPrompts prompts;
    ServerListActions actions(model, connector, prompts);

    QVERIFY(model.load(path));
    QCOMPARE(Dump(model), u"+Opennap protocol\n"_s);
    QVERIFY(!QFile::exists(path)); // nothing written until the first change

    prompts.inputAnswers = {u"Net"_s};
    actions.addNetwork(model.index(0, 0));
    QVERIFY(!QFile::exists(path)); // a network without servers stays out of the file
    QCOMPARE(actions.addServer(FindNetwork(model, u"Net"_s),
                               {u"h.example"_s, u"8888"_s, u"me"_s, QString()}),
             0);
    QCOMPARE(ReadFile(path), QByteArray("[Protocols]\nOpennap=1\n\n"
                                        "[Net]\nprotocol=Opennap\nh.example=8888 me \"\"\n"
                                        "bookmark=0\n\n"));
    QCOMPARE(Dump(model), u"+Opennap protocol\n  Net\n    *0 Not Connected|h.example|8888|me|\n"_s);
}

// --- The model as a model ----------------------------------------------------------------------

void TestServerList::modelContract()
{
    Fixture f;
    QAbstractItemModelTester tester(&f.model,
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);

    f.prompts.inputAnswers = {u"Fresh"_s, u"Renamed"_s};
    f.prompts.confirmAnswers = {true, true};
    f.actions.addNetwork(f.model.index(0, 0));
    const QModelIndex fresh = FindNetwork(f.model, u"Fresh"_s);
    const int added = f.actions.addServer(fresh, {u"n.example"_s, u"1"_s, {}, {}});
    f.model.setCell(added, ServerListModel::UsersColumn, u"12"_s);
    f.model.setRowColour(added, ServerListModel::RowColour::Green);
    f.model.setData(f.model.indexOfServer(1), Qt::Checked, Qt::CheckStateRole);
    f.actions.editNetwork(FindNetwork(f.model, u"Net1"_s));
    f.actions.removeServer(f.model.indexOfServer(2));
    f.actions.removeNetwork(FindNetwork(f.model, u"Renamed"_s));
    QVERIFY(f.model.load(f.path));
    QVERIFY(!QTest::currentTestFailed());
}

void TestServerList::rolesAndHeader()
{
    Fixture f;
    const QStringList captions{u"Index"_s,    u"Status"_s, u"Server"_s, u"Port"_s,  u"Nickname"_s,
                               u"Password"_s, u"Users"_s,  u"Files"_s,  u"Gbytes"_s};
    const QList<int> widths{135, 150, 120, 120, 120, 120, 85, 85, 85};
    QCOMPARE(f.model.columnCount(), int(captions.size()));
    for (int c = 0; c < captions.size(); ++c) {
        QCOMPARE(f.model.headerData(c, Qt::Horizontal).toString(), captions.at(c));
        QCOMPARE(ServerListModel::columnWidth(c), widths.at(c));
    }

    const QModelIndex group = f.model.index(0, 0);
    const QModelIndex network = FindNetwork(f.model, u"Net1"_s);
    const QModelIndex server = f.model.indexOfServer(0);
    QCOMPARE(group.data().toString(), u"Opennap protocol"_s);
    QCOMPARE(group.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(!network.data(Qt::CheckStateRole).isValid());
    QVERIFY(!(f.model.flags(network) & Qt::ItemIsUserCheckable));
    QVERIFY(f.model.flags(group) & Qt::ItemIsUserCheckable);
    QVERIFY(f.model.flags(server) & Qt::ItemIsUserCheckable);
    QCOMPARE(server.data().toString(), u"0"_s);
    QCOMPARE(server.siblingAtColumn(ServerListModel::PasswordColumn).data().toString(),
             u"secret"_s); // the Password cell shows the stored text
    QCOMPARE(server.data(ServerListModel::RawValueRole).toInt(), 0);

    // Row colours: the default colour sets no role so the view's palette applies.
    struct Case {
        ServerListModel::RowColour colour;
        QColor expected;
    };
    const QList<Case> cases{{ServerListModel::RowColour::Olive, QColor(0x80, 0x80, 0x00)},
                            {ServerListModel::RowColour::Green, QColor(0x00, 0x80, 0x00)},
                            {ServerListModel::RowColour::Red, QColor(0xFF, 0x00, 0x00)}};
    for (const Case& c : cases) {
        f.model.setRowColour(0, c.colour);
        for (int column = 0; column < ServerListModel::ColumnCount; ++column) {
            const QVariant fg = server.siblingAtColumn(column).data(Qt::ForegroundRole);
            QCOMPARE(qvariant_cast<QBrush>(fg).color(), c.expected);
        }
    }
    f.model.setRowColour(0, ServerListModel::RowColour::Default);
    QVERIFY(!server.data(Qt::ForegroundRole).isValid());
    QVERIFY(!network.data(Qt::ForegroundRole).isValid());
}

void TestServerList::accessorsByIndex()
{
    Fixture f;
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    f.model.setCell(3, ServerListModel::StatusColumn, u"Connecting..."_s);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>(),
             f.model.indexOfServer(3, ServerListModel::StatusColumn));
    QCOMPARE(f.model.cell(3, ServerListModel::StatusColumn), u"Connecting..."_s);
    QVERIFY(f.model.isBusy(3));
    f.model.setCell(3, ServerListModel::StatusColumn, u"Connecting... again"_s);
    QVERIFY(f.model.isBusy(3));
    f.model.setCell(3, ServerListModel::StatusColumn, u"Connection refused...3"_s);
    QVERIFY(!f.model.isBusy(3));

    // The Index cell is the index itself and cannot be overwritten; unknown indexes are inert.
    f.model.setCell(3, ServerListModel::IndexColumn, u"99"_s);
    QCOMPARE(f.model.cell(3, ServerListModel::IndexColumn), u"3"_s);
    f.model.setCell(42, ServerListModel::StatusColumn, u"x"_s);
    QVERIFY(!f.model.hasServer(42));
    QVERIFY(f.model.cell(42, ServerListModel::StatusColumn).isEmpty());

    QVERIFY(f.model.isUnderFirstProtocolGroup(3));
    QVERIFY(!f.model.isUnderFirstProtocolGroup(4));
    QCOMPARE(f.model.serverIndexes(), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(f.model.serverEntry(1), (ServerEntry{u"b.example"_s, u"7777"_s, {}, {}}));
}

// --- Check marks -------------------------------------------------------------------------------

void TestServerList::checkMarksAreStored()
{
    Fixture f;
    // A group's click stores its state under the protocol name.
    QVERIFY(f.model.setData(f.model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(f.fileValue(u"Protocols"_s, u"Opennap"_s), u"0"_s);
    QVERIFY(f.model.setData(f.model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(f.fileValue(u"Protocols"_s, u"Soulseek"_s), u"1"_s);

    // A server's click makes it the bookmark; the network's other server loses the mark.
    QVERIFY(f.model.setData(f.model.indexOfServer(1), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(f.model.isServerChecked(1));
    QVERIFY(!f.model.isServerChecked(0));
    QVERIFY(f.model.isServerChecked(2)); // another network is not touched
    QCOMPARE(f.fileValue(u"Net1"_s, u"bookmark"_s), u"1"_s);
    // Unchecking a radio mark is refused: another server has to take it.
    QVERIFY(!f.model.setData(f.model.indexOfServer(1), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(f.model.isServerChecked(1));

    // "Not affiliated" reads and writes the empty section name.
    f.actions.addServer(FindNetwork(f.model, u"Not affiliated"_s),
                        {u"d2.example"_s, u"1"_s, {}, {}});
    QVERIFY(f.model.setData(f.model.indexOfServer(5), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(f.fileValue(QString(), u"bookmark"_s), u"1"_s);
    QVERIFY(!f.saved().contains("[Not affiliated]"));

    ServerListModel again;
    again.load(f.path);
    QCOMPARE(Dump(again),
             u"-Opennap protocol\n"
             "  Net1\n     0 Not connected|a.example|8888|alice|secret\n"
             "    *1 Not connected|b.example|7777||\n"
             "  Net2\n    *2 Not connected|c.example|8888|carol|pw\n"
             "  Not affiliated\n     3 Not connected|d.example|6666|dave|pw\n"
             "    *4 Not connected|d2.example|1||\n"
             "+Soulseek protocol\n  S\n    *5 Not connected|e.example|2240|eve|pw\n"_s);
}

void TestServerList::spaceKey()
{
    Fixture f;
    f.actions.toggleMark(f.model.index(0, 0));
    QCOMPARE(f.fileValue(u"Protocols"_s, u"Opennap"_s), u"0"_s);
    QVERIFY(!f.model.isGroupChecked(f.model.index(0, 0)));
    f.actions.toggleMark(f.model.index(0, 0));
    QCOMPARE(f.fileValue(u"Protocols"_s, u"Opennap"_s), u"1"_s);

    f.actions.toggleMark(f.model.indexOfServer(1));
    QCOMPARE(f.fileValue(u"Net1"_s, u"bookmark"_s), u"1"_s);
    // Space on a checked server keeps it checked; on a network it does nothing.
    f.actions.toggleMark(f.model.indexOfServer(1));
    QVERIFY(f.model.isServerChecked(1));
    const QByteArray before = f.saved();
    f.actions.toggleMark(FindNetwork(f.model, u"Net1"_s));
    QCOMPARE(f.saved(), before);
}

// --- User actions ------------------------------------------------------------------------------

void TestServerList::activate_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("countingDown");
    QTest::addColumn<QString>("call");

    QTest::newRow("idle connects") << false << false << u"connect 1"_s;
    QTest::newRow("busy disconnects") << true << false << u"disconnect 1"_s;
    QTest::newRow("countdown disconnects") << false << true << u"disconnect 1"_s;
}

void TestServerList::activate()
{
    QFETCH(bool, busy);
    QFETCH(bool, countingDown);
    QFETCH(QString, call);
    Fixture f;
    if (busy)
        f.connector.busy.insert(1);
    if (countingDown)
        f.connector.countingDown.insert(1);
    QVERIFY(f.actions.activate(f.model.indexOfServer(1, ServerListModel::PortColumn)));
    QCOMPARE(f.connector.calls, QStringList{call});

    // Group and network rows are not servers: the view expands or collapses them instead.
    QVERIFY(!f.actions.activate(f.model.index(0, 0)));
    QVERIFY(!f.actions.activate(FindNetwork(f.model, u"Net1"_s)));
    QVERIFY(!f.actions.activate({}));
    QCOMPARE(f.connector.calls.size(), 1);
}

void TestServerList::popupItems_data()
{
    using Item = ServerListActions::PopupItem;
    using Items = ServerListActions::PopupItems;
    QTest::addColumn<QString>("row"); // "group", "network", "server", "none"
    QTest::addColumn<QString>("status0");
    QTest::addColumn<QString>("status1");
    QTest::addColumn<Items>("items");

    const QString idle = u"Not connected"_s;
    QTest::newRow("nothing selected") << u"none"_s << idle << idle << Items();
    QTest::newRow("group") << u"group"_s << idle << idle << Items(Item::AddNetwork);
    QTest::newRow("server not connected")
        << u"server"_s << idle << idle << (Item::Connect | Item::EditServer | Item::RemoveServer);
    QTest::newRow("server connecting") << u"server"_s << u"Connecting..."_s << idle
                                       << (Item::Connect | Item::EditServer | Item::RemoveServer);
    QTest::newRow("server connected") << u"server"_s << u"Connected"_s << idle
                                      << (Item::Disconnect | Item::ListChannels | Item::ShowLinks);
    QTest::newRow("network, none connected")
        << u"network"_s << u"Connecting..."_s << u"Timed out"_s
        << (Item::AddServer | Item::EditNetwork | Item::RemoveNetwork);
    QTest::newRow("network with a connected server")
        << u"network"_s << idle << u"Connected"_s << (Item::AddServer | Item::EditNetwork);
}

void TestServerList::popupItems()
{
    QFETCH(QString, row);
    QFETCH(QString, status0);
    QFETCH(QString, status1);
    QFETCH(ServerListActions::PopupItems, items);
    Fixture f;
    f.model.setCell(0, ServerListModel::StatusColumn, status0);
    f.model.setCell(1, ServerListModel::StatusColumn, status1);
    QModelIndex selected;
    if (row == u"group")
        selected = f.model.index(0, 0);
    else if (row == u"network")
        selected = FindNetwork(f.model, u"Net1"_s);
    else if (row == u"server")
        selected = f.model.indexOfServer(0);
    QCOMPARE(ServerListActions::popupItems(f.model, selected), items);
}

void TestServerList::connectAll_data()
{
    QTest::addColumn<QList<int>>("busy");
    QTest::addColumn<QList<int>>("countingDown");
    QTest::addColumn<QStringList>("calls");

    // Net1 *0 1, Net2 *2, Not affiliated *3 under the checked Opennap group; S *4 under the
    // unchecked Soulseek group; Net3 (5, 6) has no check mark.
    QTest::newRow("all idle") << QList<int>{} << QList<int>{}
                              << QStringList{u"connect 0"_s, u"connect 2"_s, u"connect 3"_s};
    QTest::newRow("a network with a busy server is skipped")
        << QList<int>{1} << QList<int>{} << QStringList{u"connect 2"_s, u"connect 3"_s};
    QTest::newRow("a checked busy server is left alone")
        << QList<int>{0, 2} << QList<int>{} << QStringList{u"connect 3"_s};
    QTest::newRow("a countdown is not busy")
        << QList<int>{} << QList<int>{1, 2}
        << QStringList{u"connect 0"_s, u"connect 2"_s, u"connect 3"_s};
}

void TestServerList::connectAll()
{
    QFETCH(QList<int>, busy);
    QFETCH(QList<int>, countingDown);
    QFETCH(QStringList, calls);
    Fixture f(StandardFile + "[Net3]\nprotocol=Opennap\nbookmark=7\nf=1\ng=1\n");
    f.connector.busy = QSet<int>(busy.begin(), busy.end());
    f.connector.countingDown = QSet<int>(countingDown.begin(), countingDown.end());
    f.actions.connectAll();
    QCOMPARE(f.connector.calls, calls);
}

void TestServerList::disconnectAll()
{
    Fixture f;
    f.connector.busy = {1, 4};
    f.connector.countingDown = {2};
    f.actions.disconnectAll();
    QCOMPARE(f.connector.calls, (QStringList{u"disconnect 1"_s, u"disconnect 4"_s}));
}

void TestServerList::popupConnectAndDisconnect()
{
    Fixture f;
    f.connector.busy = {0};
    f.connector.countingDown = {1};
    f.actions.connectServer(f.model.indexOfServer(0)); // busy: nothing
    f.actions.connectServer(f.model.indexOfServer(1)); // countdown: the registry restarts it
    f.actions.disconnectServer(f.model.indexOfServer(0));
    f.actions.connectServer(FindNetwork(f.model, u"Net1"_s)); // not a server
    QCOMPARE(f.connector.calls, (QStringList{u"connect 1"_s, u"disconnect 0"_s}));
}

void TestServerList::addNetwork_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("addedText"); // empty: nothing added
    QTest::addColumn<bool>("invalid");

    QTest::newRow("cancelled") << std::optional<QString>() << QString() << false;
    QTest::newRow("empty") << std::optional<QString>(u"  "_s) << QString() << true;
    QTest::newRow("same name, other case")
        << std::optional<QString>(u"NET1"_s) << QString() << true;
    QTest::newRow("name used under another group")
        << std::optional<QString>(u"s"_s) << QString() << true;
    QTest::newRow("the groups' own section")
        << std::optional<QString>(u"protocols"_s) << QString() << true;
    QTest::newRow("control character") << std::optional<QString>(u"a\nb"_s) << QString() << true;
    QTest::newRow("new name, trimmed") << std::optional<QString>(u" Net9 "_s) << u"Net9"_s << false;
}

void TestServerList::addNetwork()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, addedText);
    QFETCH(bool, invalid);
    Fixture f;
    const QByteArray before = f.saved();
    const QString rowsBefore = Dump(f.model);
    f.prompts.inputAnswers = {answer};
    f.actions.addNetwork(f.model.index(0, 0));

    QCOMPARE(f.prompts.calls.size(), invalid ? 2 : 1);
    QCOMPARE(f.prompts.calls.at(0).caption, u"Add Network"_s);
    QCOMPARE(f.prompts.calls.at(0).text, u"Network"_s);
    QCOMPARE(f.prompts.texts(Kind::Information),
             invalid ? QStringList{u"Invalid network name"_s} : QStringList{});
    if (addedText.isEmpty()) {
        QCOMPARE(Dump(f.model), rowsBefore);
    } else {
        const QModelIndex added = FindNetwork(f.model, addedText);
        QVERIFY(added.isValid());
        QCOMPARE(added.parent(), f.model.index(0, 0));
        QCOMPARE(added.row(), 3); // after Net1, Net2 and Not affiliated
    }
    QCOMPARE(f.saved(), before); // a network reaches the file with its first server
}

void TestServerList::editNetwork()
{
    Fixture f;
    f.model.checkServer(1);
    f.prompts.inputAnswers = {u"Renamed"_s};
    f.actions.editNetwork(FindNetwork(f.model, u"Net1"_s));
    QCOMPARE(f.prompts.calls.at(0).caption, u"Edit network name"_s);
    QCOMPARE(f.prompts.calls.at(0).text, u"New network name:"_s);
    QCOMPARE(f.prompts.calls.at(0).preset, u"Net1"_s);
    QVERIFY(!FindNetwork(f.model, u"Net1"_s).isValid());
    QVERIFY(!f.saved().contains("[Net1]"));
    QVERIFY(f.saved().endsWith("[Renamed]\n"
                               "a.example=8888 alice secret\n"
                               "b.example=7777 \"\" \"\"\n"
                               "protocol=Opennap\n"
                               "bookmark=1\n"
                               "\n"));

    // "Not affiliated" becomes a named network: the empty section goes away.
    f.prompts.inputAnswers = {u"Named"_s};
    f.actions.editNetwork(FindNetwork(f.model, u"Not affiliated"_s));
    QCOMPARE(f.prompts.calls.at(1).preset, u"Not affiliated"_s);
    QVERIFY(!f.saved().contains("[]"));
    QCOMPARE(f.fileValue(u"Named"_s, u"d.example"_s), u"6666 dave pw"_s);

    // Renaming a network that has no servers keeps it out of the file.
    f.prompts.inputAnswers = {u"Empty"_s, u"StillEmpty"_s};
    f.actions.addNetwork(f.model.index(0, 0));
    f.actions.editNetwork(FindNetwork(f.model, u"Empty"_s));
    QVERIFY(FindNetwork(f.model, u"StillEmpty"_s).isValid());
    QVERIFY(!f.saved().contains("Empty"));

    ServerListModel again;
    again.load(f.path);
    // Indexes follow the file order again after a restart.
    QCOMPARE(Dump(again),
             u"+Opennap protocol\n"
             "  Net2\n    *0 Not connected|c.example|8888|carol|pw\n"
             "  Renamed\n     2 Not connected|a.example|8888|alice|secret\n"
             "    *3 Not connected|b.example|7777||\n"
             "  Named\n    *4 Not connected|d.example|6666|dave|pw\n"
             "-Soulseek protocol\n  S\n    *1 Not connected|e.example|2240|eve|pw\n"_s);
}

void TestServerList::editNetworkRefusals_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<bool>("invalid");

    QTest::newRow("cancelled") << std::optional<QString>() << false;
    QTest::newRow("empty") << std::optional<QString>(QString()) << false;
    QTest::newRow("unchanged") << std::optional<QString>(u"Net1"_s) << false;
    QTest::newRow("name of another network") << std::optional<QString>(u"net2"_s) << true;
    QTest::newRow("the groups' own section") << std::optional<QString>(u"Protocols"_s) << true;
}

void TestServerList::editNetworkRefusals()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(bool, invalid);
    Fixture f;
    const QByteArray before = f.saved();
    f.prompts.inputAnswers = {answer};
    f.actions.editNetwork(FindNetwork(f.model, u"Net1"_s));
    QVERIFY(FindNetwork(f.model, u"Net1"_s).isValid());
    QCOMPARE(f.saved(), before);
    QCOMPARE(f.prompts.texts(Kind::Information),
             invalid ? QStringList{u"Invalid network name"_s} : QStringList{});
}

void TestServerList::removeNetwork()
{
    Fixture f;
    const QByteArray before = f.saved();
    f.actions.removeNetwork(FindNetwork(f.model, u"Net1"_s)); // answered Cancel
    QCOMPARE(f.prompts.calls.at(0).text, u"Are you sure you want to remove this network?"_s);
    QCOMPARE(f.prompts.calls.at(0).caption, u"Remove Network"_s);
    QCOMPARE(f.saved(), before);
    QVERIFY(f.connector.calls.isEmpty());

    f.prompts.confirmAnswers = {true};
    f.actions.removeNetwork(FindNetwork(f.model, u"Net1"_s));
    QCOMPARE(f.connector.calls, (QStringList{u"release 0"_s, u"release 1"_s}));
    QVERIFY(!FindNetwork(f.model, u"Net1"_s).isValid());
    QVERIFY(!f.model.hasServer(0));
    QVERIFY(!f.model.hasServer(1));
    QCOMPARE(f.model.serverIndexes(), (QList<int>{2, 3, 4}));
    QVERIFY(!f.saved().contains("Net1"));
    QVERIFY(!f.saved().contains("a.example"));
}

void TestServerList::addServer()
{
    Fixture f;
    f.prompts.inputAnswers = {u"New"_s};
    f.actions.addNetwork(f.model.index(0, 0));
    const QModelIndex network = FindNetwork(f.model, u"New"_s);

    QCOMPARE(f.actions.addServer(network, {u" n.example "_s, u"8888"_s, u"me"_s, {}}), 5);
    QCOMPARE(f.actions.addServer(network, {u"m.example"_s, u"7777"_s, {}, u"two words"_s}), 6);
    QVERIFY(f.saved().endsWith("[New]\n"
                               "protocol=Opennap\n"
                               "n.example=8888 me \"\"\n"
                               "bookmark=0\n"
                               "m.example=7777 \"\" \"two words\"\n"
                               "\n"));
    // The first server of a network is its bookmark; a new server shows "Not Connected".
    QVERIFY(f.model.isServerChecked(5));
    QVERIFY(!f.model.isServerChecked(6));
    QCOMPARE(f.model.cell(5, ServerListModel::StatusColumn), u"Not Connected"_s);
    QCOMPARE(f.model.cell(6, ServerListModel::PasswordColumn), u"two words"_s);
    QVERIFY(f.prompts.texts(Kind::Information).isEmpty());

    // A server added under the Soulseek group writes that protocol into its section.
    f.actions.addServer(FindNetwork(f.model, u"S"_s), {u"s2.example"_s, u"1"_s, {}, {}});
    QCOMPARE(f.fileValue(u"S"_s, u"s2.example"_s), u"1 \"\" \"\""_s);
    QCOMPARE(f.fileValue(u"S"_s, u"protocol"_s), u"Soulseek"_s);
    QVERIFY(!f.model.isUnderFirstProtocolGroup(7));
}

void TestServerList::addServerDuplicates()
{
    Fixture f;
    const QModelIndex net1 = FindNetwork(f.model, u"Net1"_s);
    const QByteArray before = f.saved();
    QCOMPARE(f.actions.addServer(net1, {u"A.EXAMPLE"_s, u"8888"_s, u"alice"_s, u"other"_s}), -1);
    QCOMPARE(f.prompts.texts(Kind::Information), QStringList{u"Server already exists!"_s});
    QCOMPARE(f.saved(), before);
    QCOMPARE(f.model.networkServers(net1), (QList<int>{0, 1}));

    // The same host with another port is stored over the old entry of that host in the file;
    // both rows stay until the next start.
    QCOMPARE(f.actions.addServer(net1, {u"a.example"_s, u"9999"_s, u"alice"_s, {}}), 5);
    QCOMPARE(f.model.networkServers(net1), (QList<int>{0, 1, 5}));
    QCOMPARE(f.fileValue(u"Net1"_s, u"a.example"_s), u"9999 alice \"\""_s);
    // Every row with that host counts for the duplicate test, not only the first.
    QCOMPARE(f.actions.addServer(net1, {u"a.example"_s, u"9999"_s, u"alice"_s, {}}), -1);
    // The same host under another network is a server of its own.
    QCOMPARE(f.actions.addServer(FindNetwork(f.model, u"Net2"_s),
                                 {u"a.example"_s, u"8888"_s, u"alice"_s, {}}),
             6);
}

void TestServerList::addServerRefusals_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("warning");

    QTest::newRow("protocol key") << u"Protocol"_s << u"8888"_s << u"Invalid server name"_s;
    QTest::newRow("bookmark key") << u"bookmark"_s << u"8888"_s << u"Invalid server name"_s;
    QTest::newRow("empty") << u"   "_s << u"8888"_s << u"Invalid server name"_s;
    QTest::newRow("equals sign") << u"a=b"_s << u"8888"_s << u"Invalid server name"_s;
    QTest::newRow("inner space") << u"a b"_s << u"8888"_s << u"Invalid server name"_s;
    QTest::newRow("section-like") << u"[x]"_s << u"8888"_s << u"Invalid server name"_s;
    QTest::newRow("line break") << u"a\nb"_s << u"8888"_s << u"Invalid server name"_s;
    QTest::newRow("empty port") << u"h"_s << QString() << u"Invalid port"_s;
    QTest::newRow("port 0") << u"h"_s << u"0"_s << u"Invalid port"_s;
    QTest::newRow("port too large") << u"h"_s << u"65536"_s << u"Invalid port"_s;
    QTest::newRow("port not digits") << u"h"_s << u"+80"_s << u"Invalid port"_s;
}

void TestServerList::addServerRefusals()
{
    QFETCH(QString, server);
    QFETCH(QString, port);
    QFETCH(QString, warning);
    Fixture f;
    const QByteArray before = f.saved();
    const QModelIndex net1 = FindNetwork(f.model, u"Net1"_s);
    QCOMPARE(f.actions.addServer(net1, {server, port, u"me"_s, {}}), -1);
    QCOMPARE(f.prompts.texts(Kind::Warning), QStringList{warning});
    QCOMPARE(f.saved(), before);
    QCOMPARE(f.model.networkServers(net1).size(), 2);
    // Editing is held to the same rules.
    QVERIFY(!f.actions.editServer(f.model.indexOfServer(0), {server, port, u"me"_s, {}}));
    QCOMPARE(f.saved(), before);
}

void TestServerList::editServer()
{
    Fixture f;
    f.model.checkServer(1);
    f.model.setCell(1, ServerListModel::StatusColumn, u"Timed out"_s);
    QCOMPARE(f.actions.editPreset(f.model.indexOfServer(1)),
             (ServerEntry{u"b.example"_s, u"7777"_s, {}, {}}));

    // A new host replaces the old key in its place, so the bookmark still points at it.
    QVERIFY(f.actions.editServer(f.model.indexOfServer(1),
                                 {u"z.example"_s, u"1234"_s, u"zed"_s, u"p \"q\""_s}));
    QCOMPARE(f.model.serverEntry(1), (ServerEntry{u"z.example"_s, u"1234"_s, u"zed"_s, u"p q"_s}));
    QCOMPARE(f.model.cell(1, ServerListModel::StatusColumn), u"Timed out"_s);
    QVERIFY(f.saved().contains("[Net1]\n"
                               "protocol=Opennap\n"
                               "bookmark=1\n"
                               "a.example=8888 alice secret\n"
                               "z.example=1234 zed \"p q\"\n"
                               "\n"));
    // Editing the first server's host onto the second's: one key is left, holding the edit.
    QVERIFY(
        f.actions.editServer(f.model.indexOfServer(0), {u"Z.example"_s, u"1"_s, u"a"_s, u"b"_s}));
    QVERIFY(!f.saved().contains("a.example"));
    QCOMPARE(f.fileValue(u"Net1"_s, u"z.example"_s), u"1 a b"_s);
    QVERIFY(f.prompts.texts(Kind::Information).isEmpty()); // no duplicate test when editing
}

void TestServerList::removeServer()
{
    Fixture f;
    f.actions.removeServer(f.model.indexOfServer(0)); // answered Cancel
    QCOMPARE(f.prompts.calls.at(0).text, u"Are you sure you want to remove this server?"_s);
    QCOMPARE(f.prompts.calls.at(0).caption, u"Remove Server"_s);
    QVERIFY(f.model.hasServer(0));
    QVERIFY(f.connector.calls.isEmpty());

    f.prompts.confirmAnswers = {true};
    f.actions.removeServer(f.model.indexOfServer(0));
    QCOMPARE(f.connector.calls, QStringList{u"release 0"_s});
    QVERIFY(!f.model.hasServer(0));
    QVERIFY(!f.saved().contains("a.example"));
    QCOMPARE(f.model.networkServers(FindNetwork(f.model, u"Net1"_s)), QList<int>{1});

    // Removing one of two rows with the same host keeps the key for the other row.
    const QModelIndex net2 = FindNetwork(f.model, u"Net2"_s);
    const int twin = f.actions.addServer(net2, {u"c.example"_s, u"1"_s, u"x"_s, {}});
    f.prompts.confirmAnswers = {true};
    f.actions.removeServer(f.model.indexOfServer(twin));
    QCOMPARE(f.fileValue(u"Net2"_s, u"c.example"_s), u"8888 carol pw"_s);
}

void TestServerList::newServerIndex_data()
{
    QTest::addColumn<QList<int>>("removed");
    QTest::addColumn<int>("expected");

    // Five servers 0..4 after loading.
    QTest::newRow("dense list: the count") << QList<int>{} << 5;
    QTest::newRow("last removed: the count is free") << QList<int>{4} << 4;
    QTest::newRow("count still in use: smallest free") << QList<int>{1} << 1;
    QTest::newRow("several gaps") << QList<int>{0, 2} << 0;
    QTest::newRow("count free while lower numbers are free too") << QList<int>{0, 1, 2} << 2;
}

void TestServerList::newServerIndex()
{
    QFETCH(QList<int>, removed);
    QFETCH(int, expected);
    Fixture f;
    for (const int serverIndex : removed)
        QVERIFY(f.model.removeServer(serverIndex));
    QCOMPARE(f.model.nextServerIndex(), expected);
    const int added =
        f.actions.addServer(FindNetwork(f.model, u"Net2"_s), {u"new.example"_s, u"1"_s, {}, {}});
    QCOMPARE(added, expected);
    // Indexes stay unique and each finds its own row.
    const QList<int> all = f.model.serverIndexes();
    QCOMPARE(QSet<int>(all.begin(), all.end()).size(), all.size());
    for (const int serverIndex : all)
        QCOMPARE(f.model.serverIndexAt(f.model.indexOfServer(serverIndex)), serverIndex);
}

void TestServerList::bookmarkSurvivesEdits()
{
    // The bookmark is a position; removing an earlier server must not move it to another one.
    Fixture f("[Protocols]\nOpennap=1\n[N]\nprotocol=Opennap\nbookmark=2\n"
              "a=1\nb=1\nc=1\nd=1\n");
    f.prompts.confirmAnswers = {true};
    f.actions.removeServer(f.model.indexOfServer(0));
    QCOMPARE(f.fileValue(u"N"_s, u"bookmark"_s), u"1"_s);
    ServerListModel again;
    again.load(f.path);
    QVERIFY(again.isServerChecked(1)); // c is server 1 after the restart
    QCOMPARE(again.cell(1, ServerListModel::ServerColumn), u"c"_s);

    // Removing the bookmarked server leaves no mark rather than marking a neighbour.
    f.prompts.confirmAnswers = {true};
    f.actions.removeServer(f.model.indexOfServer(2));
    ServerListModel third;
    third.load(f.path);
    QCOMPARE(Dump(third), u"+Opennap protocol\n  N\n     0 Not connected|b|1||\n"
                          "     1 Not connected|d|1||\n"_s);
}

void TestServerList::failedSaveIsReported()
{
    QTemporaryDir root;
    const QString folder = root.filePath(u"list"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/servers.dat"_s;
    QVERIFY(WriteFile(path, StandardFile));

    ServerListModel model;
    FakeConnector connector;
    RecordingPrompts prompts;
    ServerListActions actions(model, connector, prompts);
    QVERIFY(model.load(path));
    const QByteArray good = ReadFile(path);

    // The folder of the list turns into a plain file: every save must fail from now on.
    const QString moved = root.filePath(u"moved"_s);
    QVERIFY(QDir().rename(folder, moved));
    QVERIFY(WriteFile(folder, "blocker"));
    QSignalSpy failed(&model, &ServerListModel::saveFailed);
    QVERIFY(!model.setGroupChecked(model.index(0, 0), false));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(prompts.texts(Kind::Warning).size(), 1);
    QVERIFY(prompts.texts(Kind::Warning).at(0).contains(path));
    QVERIFY(!model.isGroupChecked(model.index(0, 0))); // the list itself still changed

    // The old file is as the last good save left it, and the next good save holds everything.
    QCOMPARE(ReadFile(moved + u"/servers.dat"_s), good);
    QVERIFY(QFile::remove(folder));
    QVERIFY(QDir().rename(moved, folder));
    QVERIFY(model.checkServer(1));
    QCOMPARE(ReadFile(path), QByteArray(good)
                                 .replace("Opennap=1", "Opennap=0")
                                 .replace("bookmark=0\na.example", "bookmark=1\na.example"));
}

QTEST_GUILESS_MAIN(TestServerList)
#include "tst_serverlist.moc"
