#include "tests/chatmsg/tst_chatlines.h"

#include "chat/channellines.h"
#include "chat/channelusers.h"
#include "chat/hotlist.h"
#include "chat/irctags.h"
#include "chat/privatemessages.h"
#include "chat/servernotices.h"
#include "chat/whois.h"
#include "protocol/wireformat.h"
#include "tests/chatmsg/chatmsgfixture.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QTime Time(9, 5);
const QByteArray Stamp = T("^9[09:05] ");

QColor Palette(int i)
{
    return QColor::fromRgb(TagPalette()[size_t(i)]);
}

} // namespace

void TestChatLines::publicMessageLine_data()
{
    QTest::addColumn<QByteArray>("nickname");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("own");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("someone else, gray") << QByteArray("bob") << QByteArray("hello there") << false
                                        << Stamp + T("^12<^14bob^12>^-1 hello there");
    QTest::newRow("own nickname, yellow")
        << QByteArray("Me") << QByteArray("hi") << true << Stamp + T("^12<^8Me^12>^-1 hi");
    QTest::newRow("quotes and tags stay as sent") << QByteArray("bob")
                                                  << QByteArray("\"quoted\" \x02"
                                                                "bold")
                                                  << false
                                                  << Stamp + T("^12<^14bob^12>^-1 \"quoted\" \x02"
                                                               "bold");
    QTest::newRow("empty text") << QByteArray("bob") << QByteArray() << false
                                << Stamp + T("^12<^14bob^12>^-1 ");
}

void TestChatLines::publicMessageLine()
{
    QFETCH(QByteArray, nickname);
    QFETCH(QByteArray, text);
    QFETCH(bool, own);
    QFETCH(QByteArray, line);
    QCOMPARE(ChannelLines::PublicMessageLine(Time, nickname, text, own), line);
}

void TestChatLines::presenceLines_data()
{
    QTest::addColumn<QByteArray>("speed");
    QTest::addColumn<QByteArray>("speedPart"); // colour and name
    const QByteArray names[] = {"Unknown",   "14.4k", "28.8k", "33.6k", "56k", "64k ISDN",
                                "128k ISDN", "Cable", "DSL",   "T1",    "T3 >"};
    const int colours[] = {14, 3, 4, 10, 6, 12, 0, 7, 13, 8, 9};
    for (int code = 0; code <= 10; ++code)
        QTest::addRow("code %d", code)
            << QByteArray::number(code)
            << T("^") + QByteArray::number(colours[code]) + "(" + names[code] + ")";
    // Not a code: the placeholder is the name and colour of code 0.
    QTest::newRow("code between spaces") << QByteArray(" 3 ") << QByteArray(T("^10(33.6k)"));
    // Not a code: the placeholder is the name and colour of code 0.
    for (const char* bad : {"11", "-1", "x", "", "999999999999999999999", "8x"})
        QTest::addRow("bad code '%s'", bad) << QByteArray(bad) << QByteArray(T("^14(Unknown)"));
}

void TestChatLines::presenceLines()
{
    QFETCH(QByteArray, speed);
    QFETCH(QByteArray, speedPart);
    QCOMPARE(ChannelLines::JoinLine(Time, "bob", "42", speed),
             Stamp + T("^3* bob ") + speedPart + T(" ^3[sharing 42 files] has joined."));
    QCOMPARE(ChannelLines::PartLine(Time, "bob", "42", speed),
             Stamp + T("^4* bob ") + speedPart + T(" ^4[sharing 42 files] has left."));
}

void TestChatLines::speedTables_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("icon");
    QTest::newRow("0") << 0 << 14 << 0;
    QTest::newRow("3") << 3 << 10 << 0;
    QTest::newRow("4") << 4 << 6 << 1;
    QTest::newRow("7") << 7 << 7 << 1;
    QTest::newRow("8") << 8 << 13 << 2;
    QTest::newRow("10") << 10 << 9 << 2;
    QTest::newRow("11") << 11 << 14 << 0;
    QTest::newRow("-1") << -1 << 14 << 0;
    QTest::newRow("min int") << std::numeric_limits<int>::min() << 14 << 0;
    QTest::newRow("max int") << std::numeric_limits<int>::max() << 14 << 0;
}

void TestChatLines::speedTables()
{
    QFETCH(int, code);
    QFETCH(int, colour);
    QFETCH(int, icon);
    QCOMPARE(ChannelLines::SpeedColorNumber(code), colour);
    QCOMPARE(ChannelLines::SpeedIconNumber(code), icon);
}

void TestChatLines::otherChannelLines()
{
    QCOMPARE(ChannelLines::TimeStamp(QTime(0, 0, 59)), QByteArray(T("^9[00:00] ")));
    QCOMPARE(ChannelLines::TimeStamp(QTime(23, 59)), QByteArray(T("^9[23:59] ")));
    QCOMPARE(ChannelLines::TopicLine("#tavolin", "All about \x02us"),
             QByteArray(T("^3Topic for #tavolin: ^-1All about \x02us")));
    QCOMPARE(ChannelLines::EmoteLine(Time, "bob", "waves"), Stamp + T("^12* bob waves"));

    // The lines decode as intended: the topic's words in green, the topic in silver on black
    // (what "-1" selects, the same colours as the view's own).
    const TaggedLineParts topic = ConvertTaggedLine(ChannelLines::TopicLine("#a", "b"));
    QCOMPARE(topic.text, u"Topic for #a: b"_s);
    QCOMPARE(topic.runs.size(), 2);
    QCOMPARE(topic.runs[0].foreground, 3);
    QCOMPARE(topic.runs[1].start, 14);
    QCOMPARE(topic.runs[1].foreground, 15);
    QCOMPARE(topic.runs[1].background, 1);
}

void TestChatLines::channelLabel_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("label");
    QTest::newRow("none") << u"Channel: #a"_s << 0 << u" Channel #a: 0 user(s)"_s;
    QTest::newRow("some") << u"Channel: #a"_s << 12 << u" Channel #a: 12 user(s)"_s;
    QTest::newRow("name with spaces") << u"Channel: a b"_s << 1 << u" Channel a b: 1 user(s)"_s;
    QTest::newRow("no space") << u"x"_s << 1 << u" Channel x: 1 user(s)"_s;
}

void TestChatLines::channelLabel()
{
    QFETCH(QString, caption);
    QFETCH(int, count);
    QFETCH(QString, label);
    QCOMPARE(ChannelLines::ChannelLabel(caption, count), label);
}

void TestChatLines::privateMessageLine_data()
{
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QByteArray>("who");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("received, gray sender")
        << false << QByteArray("bob") << QByteArray("psst") << Stamp + T("^12<^14bob^12> ^-1psst");
    QTest::newRow("sent, own nickname yellow")
        << true << QByteArray("Me") << QByteArray("hi bob") << Stamp + T("^12<^8Me^12> ^-1hi bob");
    // The text starts right after the reset, so a leading digit would not be read as a colour
    // (ParseColor takes the "-1" and stops).
    QTest::newRow("text starting with digits")
        << false << QByteArray("bob") << QByteArray("42 is it")
        << Stamp + T("^12<^14bob^12> ^-142 is it");
}

void TestChatLines::privateMessageLine()
{
    QFETCH(bool, sent);
    QFETCH(QByteArray, who);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, line);
    const auto direction =
        sent ? PrivateMessages::Direction::Sent : PrivateMessages::Direction::Received;
    QCOMPARE(PrivateMessages::PrivateMessageLine(Time, direction, who, text), line);
    QVERIFY(ConvertTaggedLine(line).text.endsWith(QString::fromUtf8(text)));
}

void TestChatLines::announcedUserLevel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("announced");
    QTest::addColumn<QString>("level");
    QTest::newRow("moderator") << u"Boss changed your user level to Moderator (2)."_s << true
                               << u"Moderator"_s;
    QTest::newRow("nothing after the level")
        << u"x changed your user level to Admin"_s << true << QString();
    QTest::newRow("absent") << u"your user level is User"_s << false << QString();
    QTest::newRow("at the start, no space before")
        << u"your user level to Elite now"_s << false << QString();
}

void TestChatLines::announcedUserLevel()
{
    QFETCH(QString, text);
    QFETCH(bool, announced);
    QFETCH(QString, level);
    const std::optional<QString> got = ServerNotices::AnnouncedUserLevel(text);
    QCOMPARE(got.has_value(), announced);
    if (got)
        QCOMPARE(*got, level);
}

void TestChatLines::operatorsChannel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("addressed");
    QTest::addColumn<QString>("channel");
    QTest::newRow("plain") << u"bob [ops/#help]: look"_s << true << u"#help"_s;
    QTest::newRow("no closing bracket") << u"bob [ops/#help look"_s << true << QString();
    // The first "/" of the text counts, wherever it stands.
    QTest::newRow("slash before") << u"a/b [ops/#c]"_s << true << u"b [ops/#c"_s;
    QTest::newRow("not to operators") << u"bob [ops]: hi"_s << false << QString();
}

void TestChatLines::operatorsChannel()
{
    QFETCH(QString, text);
    QFETCH(bool, addressed);
    QFETCH(QString, channel);
    const std::optional<QString> got = ServerNotices::OperatorsChannel(text);
    QCOMPARE(got.has_value(), addressed);
    if (got)
        QCOMPARE(*got, channel);
}

void TestChatLines::operatorLine()
{
    QCOMPARE(ServerNotices::OperatorLine(Time, "x [Admins]: y"), Stamp + T("^51* x [Admins]: y"));
    QCOMPARE(ServerNotices::OperatorLine(Time, "x [Announcement]: y", true),
             Stamp + T("^51,0* x [Announcement]: y"));
    // Red on white, as the palette maps 51 and a background of 0.
    const TaggedLineParts parts = ConvertTaggedLine(ServerNotices::OperatorLine(Time, "t", true));
    QCOMPARE(parts.runs.constLast().foreground, 7);
    QCOMPARE(parts.runs.constLast().background, 0);
}

void TestChatLines::pongText_data()
{
    QTest::addColumn<QTime>("sent");
    QTest::addColumn<QTime>("received");
    QTest::addColumn<QString>("text");
    QTest::newRow("quick") << QTime(10, 0, 0, 0) << QTime(10, 0, 0, 42)
                           << u"Received pong from alice [0.042]"_s;
    QTest::newRow("seconds") << QTime(10, 0, 0, 500) << QTime(10, 0, 12, 499)
                             << u"Received pong from alice [11.999]"_s;
    QTest::newRow("over a minute: seconds within the minute")
        << QTime(10, 0, 0) << QTime(10, 1, 5, 7) << u"Received pong from alice [5.007]"_s;
    QTest::newRow("across midnight")
        << QTime(23, 59, 59, 900) << QTime(0, 0, 0, 100) << u"Received pong from alice [0.200]"_s;
    QTest::newRow("unreadable send time")
        << QTime() << QTime(1, 2, 3) << u"Received pong from alice [0.000]"_s;
}

void TestChatLines::pongText()
{
    QFETCH(QTime, sent);
    QFETCH(QTime, received);
    QFETCH(QString, text);
    QCOMPARE(ServerNotices::PongText(u"alice"_s, sent, received), text);
}

void TestChatLines::whoisFields_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("expected"); // user class time line status channels client
    QTest::addColumn<QStringList>("extra");    // totalDL totalUL ip listen data server
    QTest::addColumn<int>("lineColour");
    QTest::addColumn<QColor>("classColour");

    QTest::newRow("user, no extra fields")
        << QByteArray("alice User 3725 \"#a #b\" Active 12 1 2 7 \"Tavolin 0.2\"")
        << QStringList{u"alice"_s,  u"User"_s,  u"1 h 2 m 5 s "_s, u"Cable"_s,
                       u"Active"_s, u"#a #b"_s, u"Tavolin 0.2"_s}
        << QStringList{QString(), QString(), QString(), QString(), QString(), QString()} << 7
        << QColor(0xff, 0xff, 0xff);
    QTest::newRow("moderator view with extra fields")
        << QByteArray("bob Moderator 90061 \"\" Active 0 0 0 10 \"x\" 5 6 10.0.0.2 6699 6700 "
                      "srv.example")
        << QStringList{u"bob"_s,  u"Moderator"_s, u"1 d 1 h 1 m 1 s "_s, u"T3 >"_s, u"Active"_s,
                       QString(), u"x"_s}
        << QStringList{u"5"_s, u"6"_s, u"10.0.0.2"_s, u"6699"_s, u"6700"_s, u"srv.example"_s} << 9
        << QColor(0xff, 0xff, 0x00);
    QTest::newRow("bad speed code and time")
        << QByteArray("eve Leech soon \"\" Active 0 0 0 12 c")
        << QStringList{u"eve"_s,    u"Leech"_s, u"soon"_s, u"Unknown"_s,
                       u"Active"_s, QString(),  u"c"_s}
        << QStringList{QString(), QString(), QString(), QString(), QString(), QString()} << 14
        << QColor(0xff, 0x00, 0x00);
    QTest::newRow("empty payload")
        << QByteArray() << QStringList{QString(), QString(), QString(), u"Unknown"_s,
                                       QString(), QString(), QString()}
        << QStringList{QString(), QString(), QString(), QString(), QString(), QString()} << 14
        << QColor(0xff, 0xff, 0xff);
}

void TestChatLines::whoisFields()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, extra);
    QFETCH(int, lineColour);
    QFETCH(QColor, classColour);

    const WhoisInfo info = WhoisInfo::fromFields(SplitFields(payload, 11), u"127.0.0.1"_s);
    QCOMPARE(info.caption, expected[0] + u"@127.0.0.1"_s);
    QCOMPARE((QStringList{info.user, info.userClass, info.time, info.line, info.status,
                          info.channels, info.client}),
             expected);
    QCOMPARE((QStringList{info.totalDownloads, info.totalUploads, info.ip, info.listenPort,
                          info.dataPort, info.server}),
             extra);
    QCOMPARE(info.extraEnabled, !extra.constFirst().isEmpty());
    QCOMPARE(info.lineColor, Palette(lineColour));
    QCOMPARE(info.classColor, classColour);
}

void TestChatLines::channelUsersStaySorted()
{
    ChannelUsers users;
    QAbstractItemModelTester tester(&users, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy counts(&users, &ChannelUsers::countChanged);

    users.addUser(u"carol"_s, u"5"_s, "8");
    users.addUser(u"Bob"_s, u"100"_s, "2");
    users.addUser(u"alice"_s, u"x"_s, "99");
    users.addUser(u"bob"_s, u"7"_s, "4"); // a second row for the same user, after the first
    QCOMPARE(users.nicknames(), (QStringList{u"alice"_s, u"Bob"_s, u"bob"_s, u"carol"_s}));
    QCOMPARE(counts.size(), 4);
    QCOMPARE(counts.constLast().constFirst().toInt(), 4);

    const QModelIndex alice = users.index(0, ChannelUsers::UsersColumn);
    QCOMPARE(users.data(users.index(0, ChannelUsers::SpeedColumn)).toString(), u"Unknown"_s);
    QCOMPARE(users.data(alice, ChannelUsers::SpeedIconRole).toInt(), 0);
    QCOMPARE(users.data(users.index(3, 0), ChannelUsers::SpeedIconRole).toInt(), 2);
    QCOMPARE(users.headerData(2, Qt::Horizontal).toString(), u"Shared"_s);

    // A header click re-sorts, and new rows follow the new order.
    users.sort(ChannelUsers::SharedColumn, Qt::DescendingOrder);
    QCOMPARE(users.nicknames(), (QStringList{u"Bob"_s, u"bob"_s, u"carol"_s, u"alice"_s}));
    users.addUser(u"dave"_s, u"50"_s, "1");
    QCOMPARE(users.nicknames().indexOf(u"dave"_s), 1);

    // Rows go by nickname in any letter case, the first match only.
    QVERIFY(users.removeUser(u"BOB"_s));
    QCOMPARE(users.nicknames(), (QStringList{u"dave"_s, u"bob"_s, u"carol"_s, u"alice"_s}));
    QVERIFY(!users.removeUser(u"zed"_s));
    QCOMPARE(users.count(), 4);
}

void TestChatLines::nicknameListFindsAnyCase()
{
    NicknameList list({u"Online Users"_s, u"Speed"_s});
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    list.addRow({u"zoe"_s, u"DSL"_s});
    list.addRow({u"Adam"_s});
    QCOMPARE(list.nicknames(), (QStringList{u"Adam"_s, u"zoe"_s}));
    QCOMPARE(list.cell(0, 1), QString());
    QVERIFY(list.contains(u"ZOE"_s));
    QCOMPARE(list.find(u"adam"_s), 0);

    list.sort(1, Qt::AscendingOrder);
    QCOMPARE(list.nicknames(), (QStringList{u"Adam"_s, u"zoe"_s}));
    // Changing the sort column's cell moves the row.
    list.setCell(list.find(u"zoe"_s), 1, QString());
    list.setCell(list.find(u"adam"_s), 1, u"T1"_s);
    QCOMPARE(list.nicknames(), (QStringList{u"zoe"_s, u"Adam"_s}));
    QVERIFY(list.removeRow(u"aDaM"_s));
    QVERIFY(!list.contains(u"adam"_s));
    QVERIFY(!list.removeRow(u"adam"_s));
    list.clear();
    QVERIFY(!list.contains(u"zoe"_s));
}
