// The input line's rules over text, caret and selection: command and nickname completion, tag
// insertion, the history walk and the page keys' numbers.

#include "chat/inputline.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

InputLineState at(const QString& text, qsizetype caret = -1)
{
    InputLineState state;
    state.text = text;
    state.caret = caret < 0 ? text.size() : caret;
    return state;
}

} // namespace

class TestInputLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandCompletion_data();
    void commandCompletion();
    void nicknameCompletion_data();
    void nicknameCompletion();
    void insertTag_data();
    void insertTag();
    void historyWalk();
    void historyOfOneLine();
    void pageNumbers_data();
    void pageNumbers();
};

void TestInputLine::commandCompletion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("completed"); // empty: no completion
    QTest::addColumn<int>("selectionStart");

    QTest::newRow("jo") << u"/jo"_s << 3 << u"/join"_s << 3;
    QTest::newRow("one letter") << u"/j"_s << 2 << u"/join"_s << 2;
    QTest::newRow("upper case typed") << u"/JO"_s << 3 << u"/join"_s << 3;
    QTest::newRow("caret inside") << u"/jo"_s << 1 << u"/join"_s << 1;
    QTest::newRow("two commands start with k") << u"/k"_s << 2 << QString() << 0;
    QTest::newRow("three commands start with m") << u"/m"_s << 2 << QString() << 0;
    QTest::newRow("kill and killdebug") << u"/kill"_s << 5 << QString() << 0;
    QTest::newRow("killd") << u"/killd"_s << 6 << u"/killdebug"_s << 6;
    QTest::newRow("msg before me") << u"/ms"_s << 3 << u"/msg"_s << 3;
    QTest::newRow("complete already") << u"/join"_s << 5 << u"/join"_s << 5;
    QTest::newRow("question mark matches two") << u"/?o"_s << 3 << QString() << 0;
    QTest::newRow("question mark matches one") << u"/?ER"_s << 4 << u"/version"_s << 4;
    QTest::newRow("star matches everything") << u"/*"_s << 2 << QString() << 0;
    QTest::newRow("slash alone") << u"/"_s << 1 << QString() << 0;
    QTest::newRow("with a space") << u"/jo "_s << 4 << QString() << 0;
    QTest::newRow("not a command") << u"jo"_s << 2 << QString() << 0;
    QTest::newRow("no such command") << u"/xyz"_s << 4 << QString() << 0;
    QTest::newRow("aliases are not offered") << u"/wa"_s << 3 << u"/wallop"_s << 3;
}

void TestInputLine::commandCompletion()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, completed);
    QFETCH(int, selectionStart);

    const std::optional<InputLineState> result = InputLine::CompleteCommand(at(text, caret));
    if (completed.isEmpty()) {
        QVERIFY(!result);
        return;
    }
    QVERIFY(result);
    QCOMPARE(result->text, completed);
    QCOMPARE(result->caret, qsizetype(selectionStart));
    QCOMPARE(result->selectionStart, qsizetype(selectionStart));
    QCOMPARE(result->selectionLength, completed.size() - selectionStart);
}

void TestInputLine::nicknameCompletion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("resultCaret");

    // The user list, in display order: alice, Bob, bobby, carol.
    QTest::newRow("one match") << u"hi al"_s << 5 << u"hi alice "_s << 9;
    QTest::newRow("letter case ignored, the list's spelling kept")
        << u"CAR"_s << 3 << u"carol "_s << 6;
    QTest::newRow("two matches change nothing") << u"hey bo"_s << 2 << u"hey bo"_s << 2;
    QTest::newRow("exact name that starts another") << u"bob"_s << 3 << u"bob"_s << 3;
    QTest::newRow("after a command with its space") << u"/msg car"_s << 8 << u"/msg carol "_s << 11;
    QTest::newRow("bare command") << u"/msg"_s << 4 << u"/msg"_s << 4;
    QTest::newRow("empty") << QString() << 0 << QString() << 0;
    QTest::newRow("empty word matches everyone") << u"hi "_s << 3 << u"hi "_s << 3;
    QTest::newRow("no match, caret stays") << u"hi zed"_s << 1 << u"hi zed"_s << 1;
    QTest::newRow("question mark") << u"a?i"_s << 3 << u"alice "_s << 6;
    QTest::newRow("last word only") << u"al and ca"_s << 9 << u"al and carol "_s << 13;
}

void TestInputLine::nicknameCompletion()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, result);
    QFETCH(int, resultCaret);

    const QStringList users{u"alice"_s, u"Bob"_s, u"bobby"_s, u"carol"_s};
    const InputLineState state = InputLine::CompleteNickname(at(text, caret), users);
    QCOMPARE(state.text, result);
    QCOMPARE(state.caret, qsizetype(resultCaret));
    QCOMPARE(state.selectionLength, qsizetype(0));
}

void TestInputLine::insertTag_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("resultCaret");

    QTest::newRow("at the caret") << u"ab"_s << 1 << 0 << 0 << u"a\x02"_s + u"b"_s << 2;
    QTest::newRow("at the end") << u"ab"_s << 2 << 0 << 0 << u"ab\x02"_s << 3;
    QTest::newRow("over a selection") << u"abcd"_s << 3 << 1 << 2 << u"a\x02"_s + u"d"_s << 2;
    QTest::newRow("into nothing") << QString() << 0 << 0 << 0 << u"\x02"_s << 1;
}

void TestInputLine::insertTag()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);
    QFETCH(QString, result);
    QFETCH(int, resultCaret);

    InputLineState state = at(text, caret);
    state.selectionStart = selectionStart;
    state.selectionLength = selectionLength;
    const InputLineState after = InputLine::InsertText(state, u"\x02"_s);
    QCOMPARE(after.text, result);
    QCOMPARE(after.caret, qsizetype(resultCaret));
}

void TestInputLine::historyWalk()
{
    // "a" and "b" were sent from an empty input line.
    QStringList history{u"a"_s, u"b"_s};
    InputLineState state = at(QString());

    QVERIFY(InputLine::HistoryUp(history, state));
    QCOMPARE(state.text, u"b"_s);
    QCOMPARE(state.caret, qsizetype(1));
    QVERIFY(InputLine::HistoryUp(history, state));
    QCOMPARE(state.text, u"a"_s);
    QVERIFY(InputLine::HistoryDown(history, state));
    QCOMPARE(state.text, u"b"_s);
    QVERIFY(InputLine::HistoryDown(history, state));
    QCOMPARE(state.text, QString());

    // An edited text travels along.
    state = at(u"draft"_s);
    QVERIFY(InputLine::HistoryUp(history, state));
    QVERIFY(InputLine::HistoryDown(history, state));
    QCOMPARE(state.text, u"draft"_s);

    QStringList empty;
    state = at(u"typed"_s, 2);
    QVERIFY(!InputLine::HistoryUp(empty, state));
    QVERIFY(!InputLine::HistoryDown(empty, state));
    QCOMPARE(state.text, u"typed"_s);
    QCOMPARE(state.caret, qsizetype(2));
    QVERIFY(empty.isEmpty());
}

void TestInputLine::historyOfOneLine()
{
    QStringList history{u"only"_s};
    InputLineState state = at(u"now"_s);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(InputLine::HistoryUp(history, state));
        QCOMPARE(history.size(), 1);
    }
    QCOMPARE(state.text, u"only"_s);
    QCOMPARE(history, QStringList{u"now"_s});
}

void TestInputLine::pageNumbers_data()
{
    QTest::addColumn<int>("digit");
    QTest::addColumn<int>("page");

    QTest::newRow("1") << 1 << 0;
    QTest::newRow("5") << 5 << 4;
    QTest::newRow("9") << 9 << 8;
    QTest::newRow("0 is the eleventh page") << 0 << 10;
    QTest::newRow("not a digit") << 10 << -1;
    QTest::newRow("negative") << -1 << -1;
}

void TestInputLine::pageNumbers()
{
    QFETCH(int, digit);
    QFETCH(int, page);
    QCOMPARE(InputLine::PageNumberForDigit(digit), page);
}

int runTestInputLine(int argc, char** argv)
{
    TestInputLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inputline.moc"
