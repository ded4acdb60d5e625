// The command interpreter: every command, its aliases and their exact frames, typed into an
// input line of a logged-in connection (so the line is split as Enter splits it), with the
// fake server recording what arrives.

#include "chat/chatlinemodel.h"
#include "chat/chatpages.h"
#include "chat/commandinterpreter.h"
#include "config/configkeys.h"
#include "protocol/server.h"
#include "protocol/wireformat.h"
#include "tests/chat/chatfixture.h"
#include "tests/support/fakeserver.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

enum class On { ServerMessages, Channel, Private };

// Makes channel "#a" and private page "bob", makes the wanted one current and gives its
// output view lines "L1" (oldest) to "L<count>" (newest).
ChatPage* preparePage(ChatCore& core, On on, int lineCount)
{
    ChatPage* channel = core.pages.AddChannelPage(0, u"#a"_s);
    ChatPage* conversation = core.pages.AddPrivatePage(0, u"bob"_s);
    ChatPage* page = on == On::Channel   ? channel
                     : on == On::Private ? conversation
                                         : core.pages.page(0)->serverMessagesPage();
    core.pages.ShowPage(page);
    page->output()->clear();
    for (int i = 1; i <= lineCount; ++i)
        core.pages.AddOutputLine(page, "L" + QByteArray::number(i));
    return page;
}

Frame frame(int type, const char* payload)
{
    return Frame{quint32(type), QByteArray(payload)};
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frames_data();
    void frames();
    void unknownCommand_data();
    void unknownCommand();
    void rawTypeThatIsNotOne_data();
    void rawTypeThatIsNotOne();
    void pingsAreRecorded();
    void listAndKillDebug();
    void versionText_data();
    void versionText();
    void platformText_data();
    void platformText();
    void pasteKeepsItsNumbering();
    void pasteSendsTags();
    void longLineIsCutOnTheWire();
};

void TestCommands::frames_data()
{
    QTest::addColumn<On>("on");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<Frame>>("sent");

    const auto row = [](const char* name, On on, const QString& typed, QList<Frame> sent,
                        int lineCount = 0) {
        QTest::newRow(name) << on << lineCount << typed << sent;
    };
    const On server = On::ServerMessages;
    const On channel = On::Channel;
    const On conversation = On::Private;

    // JOIN, J
    row("join, any letter case", server, u"/JoIn #a"_s, {frame(400, "#a")});
    row("j alias, trimmed", server, u"/j  #a "_s, {frame(400, "#a")});
    row("join without a name", server, u"/join"_s, {frame(400, "")});
    // LEAVE, L
    row("leave on a channel page", channel, u"/leave"_s, {frame(401, "#a")});
    row("leave on a private page", conversation, u"/leave"_s, {});
    row("leave on server messages", server, u"/leave   "_s, {});
    row("l alias with a name", conversation, u"/l  #b "_s, {frame(401, "#b")});
    // HOTLIST
    row("hotlist, trimmed", server, u"/hotlist  bob "_s, {frame(207, "bob")});
    row("hotlist without a name", server, u"/hotlist   "_s, {});
    // WHOIS, W
    row("whois", server, u"/whois alice"_s, {frame(603, "alice")});
    row("whois without a name asks about us", server, u"/whois"_s, {frame(603, "me")});
    row("w alias", server, u"/W alice"_s, {frame(603, "alice")});
    // LIST
    row("list", channel, u"/list"_s, {frame(617, "")});
    // MSG, M
    row("msg without text", server, u"/msg bob"_s, {});
    row("msg keeps all but one space", server, u"/msg bob  hi"_s, {frame(205, "bob  hi")});
    row("m alias, leading spaces", server, u"/m   bob hi there "_s, {frame(205, "bob hi there ")});
    row("msg alone", server, u"/msg"_s, {});
    // ME
    row("me on a channel", channel, u"/me waves"_s, {frame(824, "#a \"waves\"")});
    row("me on a private page", conversation, u"/me  waves"_s, {frame(824, "bob \" waves\"")});
    row("me on server messages", server, u"/me"_s, {frame(824, "Messages \"\"")});
    // RAW
    row("raw with a payload", server, u"/raw 10 a b"_s, {frame(10, "a b")});
    row("raw without a payload", server, u"/raw 214"_s, {frame(214, "")});
    row("raw keeps the payload's spaces", server, u"/raw  10  a "_s, {frame(10, " a ")});
    // SPING, PING
    row("sping without a name", server, u"/sping"_s, {frame(750, "")});
    row("sping takes the first word", server, u"/sping irc.x extra"_s, {frame(750, "irc.x")});
    row("ping", server, u"/ping bob"_s, {frame(751, "bob")});
    row("ping with a leading space", server, u"/ping  bob"_s, {frame(751, "")});
    // Operator commands: the argument as typed.
    row("setuserlevel, three fields", server, u"/setuserlevel bob admin for good"_s,
        {frame(606, "bob admin for good")});
    row("setuserlevel, missing fields stay empty", server, u"/setuserlevel bob"_s,
        {frame(606, "bob  ")});
    row("kill", server, u"/kill bob  flooding"_s, {frame(610, "bob  flooding")});
    row("kill without a name", server, u"/kill"_s, {frame(610, "")});
    row("nuke", server, u"/nuke bob"_s, {frame(611, "bob")});
    row("ban", server, u"/ban 10.0.0.1 go"_s, {frame(612, "10.0.0.1 go")});
    row("setdataport", server, u"/setdataport bob 6699"_s, {frame(613, "bob 6699")});
    row("unban", server, u"/unban 10.0.0.1"_s, {frame(614, "10.0.0.1")});
    row("muzzle", server, u"/muzzle bob"_s, {frame(622, "bob")});
    row("unmuzzle", server, u"/unmuzzle bob"_s, {frame(623, "bob")});
    row("setlinespeed", server, u"/setlinespeed bob 7"_s, {frame(625, "bob 7")});
    row("wallop", server, u"/wallop hi ops"_s, {frame(627, "hi ops")});
    row("wal alias", server, u"/wal hi"_s, {frame(627, "hi")});
    row("announce", server, u"/announce up"_s, {frame(628, "up")});
    row("opsay", server, u"/opsay careful"_s, {frame(10208, "careful")});
    row("topic", channel, u"/topic #a new topic"_s, {frame(410, "#a new topic")});
    // KILLDEBUG and unknown commands send nothing.
    row("killdebug", server, u"/killdebug"_s, {});
    row("unknown", channel, u"/foo bar"_s, {});
    row("slash alone", channel, u"/"_s, {});
    // PASTE: lines "L1" (oldest) to "L5" (newest) in the current page.
    row("paste alone: newest line to the channel", channel, u"/paste"_s,
        {frame(402, "#a [  1] L5")}, 5);
    row("paste a range to a user, oldest first", channel, u"/paste 3-5 -m bob"_s,
        {frame(205, "bob [  1] L1"), frame(205, "bob [  2] L2"), frame(205, "bob [  3] L3")}, 5);
    row("paste to another channel", channel, u"/paste 2-3 -C #b"_s,
        {frame(402, "#b [  1] L3"), frame(402, "#b [  2] L4")}, 5);
    row("paste a topic: one line, no number", channel, u"/paste 2-4 -t #x"_s, {frame(410, "#x L4")},
        5);
    row("paste one line by number", channel, u"/paste 2 -t #x"_s, {frame(410, "#x L4")}, 5);
    row("paste up to", channel, u"/paste -2"_s,
        {frame(402, "#a [  1] L4"), frame(402, "#a [  2] L5")}, 5);
    row("paste with an option only", channel, u"/paste -m bob"_s, {frame(205, "bob [  1] L5")}, 5);
    row("paste with a word for a range", channel, u"/paste xyz"_s, {frame(402, "#a [  1] L5")}, 5);
    row("paste on a private page goes to the nickname", conversation, u"/paste"_s,
        {frame(402, "bob [  1] L2")}, 2);
    row("paste from server messages with a target", server, u"/paste 1-2 -m alice"_s,
        {frame(205, "alice [  1] L1"), frame(205, "alice [  2] L2")}, 2);
    row("paste two-digit numbers", channel, u"/paste 10-12"_s,
        {frame(402, "#a [  1] L1"), frame(402, "#a [  2] L2"), frame(402, "#a [  3] L3")}, 12);
    row("paste the whole view", channel, u"/paste 12"_s, {frame(402, "#a [  1] L1")}, 12);
    row("paste on server messages without a target", server, u"/paste"_s, {}, 3);
    row("paste above 999", channel, u"/paste 1-1000"_s, {}, 5);
    row("paste beyond the view", channel, u"/paste 6"_s, {}, 5);
    row("paste backwards range", channel, u"/paste 4-2"_s, {}, 5);
    row("paste with a word before the dash", channel, u"/paste x-3"_s, {}, 5);
    row("paste line 0", channel, u"/paste 0"_s, {}, 5);
    row("paste range from 0", channel, u"/paste 0-2"_s, {}, 5);
    row("paste option without a target", channel, u"/paste 2 -m"_s, {}, 5);
    row("paste a huge number", channel, u"/paste 99999999999999999999"_s, {}, 5);
    row("paste a signed number is no range", channel, u"/paste +2 -m bob"_s,
        {frame(402, "#a [  1] L5")}, 5);
    row("paste to server messages by name", channel, u"/paste 1 -c Server Messages"_s, {}, 5);
}

void TestCommands::frames()
{
    QFETCH(On, on);
    QFETCH(int, lineCount);
    QFETCH(QString, typed);
    QFETCH(QList<Frame>, sent);

    FakeServer fake;
    ChatCore core(fake.port());
    core.uptimeSeconds = 26 * 3600 + 3 * 60 + 4;
    QVERIFY(core.login(fake));
    ChatPage* page = preparePage(core, on, lineCount);
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitInput(page, typed);
    QCOMPARE(core.sentSince(fake, before), sent);
    QCOMPARE(core.servers.FindServer(0)->inputHistory().constLast(), typed);
}

void TestCommands::unknownCommand_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");

    QTest::newRow("lower case") << u"/foo"_s << u"FOO"_s;
    QTest::newRow("mixed case with arguments") << u"/FoO bar baz"_s << u"FOO"_s;
    QTest::newRow("an alias in the table's place") << u"/joinx #a"_s << u"JOINX"_s;
    QTest::newRow("nothing after the slash") << u"/ x"_s << QString();
}

void TestCommands::unknownCommand()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    core.notices.serversTabLines().clear();

    core.pages.SubmitServerInput(0, typed);
    const QString notice = u"\x03"_s + u"16Tavolin\x03 Unknown Command: "_s + name;
    QCOMPARE(core.serverMessages().constLast(), u"* "_s + notice);
    QCOMPARE(core.notices.serversTabLines().lines().constLast(), u"[127.0.0.1 (0)] "_s + notice);
}

void TestCommands::rawTypeThatIsNotOne_data()
{
    QTest::addColumn<QString>("typed");

    QTest::newRow("a word") << u"/raw x a b"_s;
    QTest::newRow("nothing") << u"/raw"_s;
    QTest::newRow("above 65535") << u"/raw 65536 a"_s;
    QTest::newRow("negative") << u"/raw -5"_s;
    QTest::newRow("a number and a letter") << u"/raw 12a b"_s;
    QTest::newRow("a sign") << u"/raw +7 b"_s;
}

void TestCommands::rawTypeThatIsNotOne()
{
    QFETCH(QString, typed);

    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitServerInput(0, typed);
    QCOMPARE(core.sentSince(fake, before), QList<Frame>());
    const QStringList warnings = core.prompts.texts(RecordingPrompts::Kind::Warning);
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.constFirst().contains(u"not a message type"_s), qPrintable(warnings.at(0)));
}

void TestCommands::pingsAreRecorded()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    TServer* record = core.servers.FindServer(0);

    core.timeOfDay = QTime(9, 5, 7, 42);
    core.pages.SubmitServerInput(0, u"/sping"_s);
    core.timeOfDay = QTime(23, 59, 59, 999);
    core.pages.SubmitServerInput(0, u"/PING bob now"_s);
    core.pages.SubmitServerInput(0, u"/whois bob"_s);

    QCOMPARE(record->pingedNicknames(), (QStringList{QString(), u"bob"_s}));
    QCOMPARE(record->pingTimes(), (QStringList{u"09:05:07.042"_s, u"23:59:59.999"_s}));
    QCOMPARE(CommandInterpreter::PingTimeFromText(record->pingTimes().at(0)), QTime(9, 5, 7, 42));
    QVERIFY(!CommandInterpreter::PingTimeFromText(u"junk"_s).isValid());
}

void TestCommands::listAndKillDebug()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    core.debugLog.setEnabled(true);
    QSignalSpy window(&core.commands, &CommandInterpreter::channelListWindowRequested);
    QSignalSpy killed(&core.commands, &CommandInterpreter::debugKilled);

    core.pages.SubmitServerInput(0, u"/LIST"_s);
    QCOMPARE(window.size(), 1);
    QCOMPARE(window.constFirst().constFirst().toInt(), 0);
    QVERIFY(fake.waitForFrame(617));

    core.pages.SubmitServerInput(0, u"/killdebug"_s);
    QCOMPARE(killed.size(), 1);
    QVERIFY(!core.debugLog.isEnabled());
    // From now on nothing is recorded.
    const qsizetype outgoing = core.debugLog.lineCount(DebugLog::Direction::Outgoing);
    core.pages.SubmitServerInput(0, u"/join #x"_s);
    QVERIFY(fake.waitForFrame(400));
    QCOMPARE(core.debugLog.lineCount(DebugLog::Direction::Outgoing), outgoing);
}

void TestCommands::versionText_data()
{
    QTest::addColumn<QString>("configured"); // empty: the key is not set
    QTest::addColumn<qint64>("uptime");
    QTest::addColumn<QString>("text");

    QTest::newRow("default, a day and more") << QString() << qint64(26 * 3600 + 3 * 60 + 4)
                                             << u"Tavolin v0.2 Linux 6.1 Uptime: 26:03:04"_s;
    QTest::newRow("just started") << QString() << qint64(0)
                                  << u"Tavolin v0.2 Linux 6.1 Uptime: 00:00:00"_s;
    QTest::newRow("own version text, long uptime")
        << u"MyNap 1.0"_s << qint64(120 * 3600 + 59) << u"MyNap 1.0 Linux 6.1 Uptime: 120:00:59"_s;
}

void TestCommands::versionText()
{
    QFETCH(QString, configured);
    QFETCH(qint64, uptime);
    QFETCH(QString, text);

    FakeServer fake;
    ChatCore core(fake.port());
    if (!configured.isEmpty())
        core.config.WriteString(ConfigKey::Version, configured);
    core.uptimeSeconds = uptime;
    QVERIFY(core.login(fake));
    ChatPage* page = preparePage(core, On::Channel, 0);
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitInput(page, u"/ver"_s);
    const QList<Frame> expected{Frame{402, "#a " + text.toUtf8()}};
    QCOMPARE(core.sentSince(fake, before), expected);
}

void TestCommands::platformText_data()
{
    QTest::addColumn<QString>("kernel");
    QTest::addColumn<QString>("text");

    QTest::newRow("Debian kernel") << u"6.1.0-13-amd64"_s << u" Linux 6.1"_s;
    QTest::newRow("two numbers") << u"5.15"_s << u" Linux 5.15"_s;
    QTest::newRow("one number") << u"7"_s << u" Linux"_s;
    QTest::newRow("unknown") << QString() << u" Linux"_s;
}

void TestCommands::platformText()
{
    QFETCH(QString, kernel);
    QFETCH(QString, text);
    QCOMPARE(CommandInterpreter::LinuxPlatformText(kernel), text);
}

void TestCommands::pasteKeepsItsNumbering()
{
    // Pasting a conversation's lines back to its own user: every send echoes into the same
    // view, and still the lines and their numbers are those from before the command.
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ChatPage* page = preparePage(core, On::Private, 3);
    core.servers.setPrivateMessageEcho([&core, page](int, const QByteArrayList& fields) {
        core.pages.AddOutputLine(page, "echo " + fields.value(1));
    });
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitInput(page, u"/paste 1-3 -m bob"_s);
    QCOMPARE(core.sentSince(fake, before),
             (QList<Frame>{frame(205, "bob [  1] L1"), frame(205, "bob [  2] L2"),
                           frame(205, "bob [  3] L3")}));
    QCOMPARE(page->output()->lineCount(), 6);
}

void TestCommands::pasteSendsTags()
{
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ChatPage* page = preparePage(core, On::Channel, 0);
    core.pages.AddOutputLine(page, "\x03"
                                   "9[12:00] \x03"
                                   "12<\x03"
                                   "14al\x03"
                                   "12>\x03-1 \x02hi");
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitInput(page, u"/paste"_s);
    QCOMPARE(core.sentSince(fake, before), QList<Frame>{frame(402, "#a [  1] \x03"
                                                                   "9[12:00] \x03"
                                                                   "12<\x03"
                                                                   "14al\x03"
                                                                   "12>\x03-1 \x02hi")});
}

void TestCommands::longLineIsCutOnTheWire()
{
    // A line of 10,000 characters typed into a channel: the history keeps it whole, the
    // frame carries as much as a frame may.
    FakeServer fake;
    ChatCore core(fake.port());
    QVERIFY(core.login(fake));
    ChatPage* page = preparePage(core, On::Channel, 0);
    const QString line(10000, u'w');
    const qsizetype before = fake.frames(0).size();

    core.pages.SubmitInput(page, line);
    const QList<Frame> sent = core.sentSince(fake, before);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.constFirst().type, 402u);
    QCOMPARE(sent.constFirst().payload.size(), MaxSentPayloadSize);
    QVERIFY(sent.constFirst().payload.startsWith("#a www"));
    QCOMPARE(core.servers.FindServer(0)->inputHistory().constLast(), line);

    // And as a command argument, too.
    core.pages.SubmitInput(page, u"/msg bob "_s + line);
    QVERIFY(fake.waitForFrame(205));
}

int runTestCommands(int argc, char** argv)
{
    TestCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
