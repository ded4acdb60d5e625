// The chat output view, drawn offscreen: bottom alignment, the stick rule, the line cap, link
// clicks and selection, and hostile lines that must draw without a crash.

#include "chat/chatlinemodel.h"
#include "ui/fatmemo.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Tag bytes are written as octal escapes below: \002 bold, \003 colour, \017 reset,
// \026 reverse, \031 link start, \037 underline.

// A model and a shown view over it.
struct Fixture {
    explicit Fixture(int cap = ChatLineModel::DefaultMaxLines)
        : model(cap)
    {
        memo.setModel(&model);
        memo.resize(400, 300);
        memo.show();
    }

    // Lets the view catch up with the appends and draw them.
    void settle()
    {
        QVERIFY(QTest::qWaitFor([this] { return !memo.isSyncPending(); }, 5000));
        QCoreApplication::processEvents();
    }

    void appendNumbered(int count, int first = 0)
    {
        QList<QByteArray> lines;
        for (int i = 0; i < count; ++i)
            lines << "line " + QByteArray::number(first + i);
        model.appendLines(lines);
    }

    int charWidth() const { return QFontMetrics(memo.font()).horizontalAdvance(u'x'); }
    // Just right of the left edge of character `pos`, so that the gap before it is nearest.
    QPoint leftEdge(int row, int pos) const
    {
        const QPoint center = memo.characterCenter(row, pos);
        return center.isNull() ? center : center - QPoint(charWidth() / 2 - 1, 0);
    }

    void press(const QPoint& at) { QTest::mousePress(memo.viewport(), Qt::LeftButton, {}, at); }
    void dragTo(const QPoint& at)
    {
        QMouseEvent move(QEvent::MouseMove, at, memo.viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(memo.viewport(), &move);
    }
    void release(const QPoint& at) { QTest::mouseRelease(memo.viewport(), Qt::LeftButton, {}, at); }

    // Pixels of the default text colour in a band of the drawn view.
    int textPixels(int top, int height)
    {
        const QImage image = memo.viewport()->grab().toImage();
        const QRgb silver = memo.defaultForeground().rgb();
        int found = 0;
        for (int y = qMax(0, top); y < qMin(image.height(), top + height); ++y) {
            for (int x = 0; x < image.width(); ++x)
                found += image.pixel(x, y) == silver;
        }
        return found;
    }

    ChatLineModel model;
    TFatMemo memo;
};

} // namespace

class TestFatMemo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linesSitAtTheBottom();
    void floodKeepsCapAndFollows();
    void stickRule();
    void stickKeepsLinesWhileOldOnesDrop();
    void scrollBarCountsLines();
    void linkClick_data();
    void linkClick();
    void dragSelectsInsteadOfClicking();
    void tallLineScrollsByRows();
    void hostileLinesDraw();
    void clearEmptiesView();
};

void TestFatMemo::linesSitAtTheBottom()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    f.model.appendLine("first");
    f.model.appendLine("\0039second"); // in lime
    f.settle();
    const int height = f.memo.viewport()->height();
    const int row = f.memo.rowHeight();
    const QPoint second = f.memo.characterCenter(1, 0);
    const QPoint first = f.memo.characterCenter(0, 0);
    QVERIFY(!second.isNull() && !first.isNull());
    QVERIFY(second.y() > height - row);
    QCOMPARE(first.y(), second.y() - row);
    // Nothing to scroll while the lines do not fill the view.
    QCOMPARE(f.memo.verticalScrollBar()->minimum(), f.memo.verticalScrollBar()->maximum());
    QVERIFY(f.textPixels(height - 2 * row, row) > 0);
    QCOMPARE(f.textPixels(0, height - 2 * row), 0);
}

void TestFatMemo::floodKeepsCapAndFollows()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    for (int i = 0; i < 10000; ++i)
        f.model.appendLine("\0039[12:00]\017 <\00312nick\017> message " + QByteArray::number(i));
    f.settle();
    QCOMPARE(f.model.lineCount(), 9999);
    QCOMPARE(f.memo.bottomLine(), 9998);
    QVERIFY(f.memo.isAtBottom());
    QCOMPARE(f.memo.verticalScrollBar()->maximum(), 9998);
    QCOMPARE(f.memo.verticalScrollBar()->value(), 9998);
    QCOMPARE(f.model.storedText(9998).right(4), QByteArray("9999"));
    const int height = f.memo.viewport()->height();
    QVERIFY(f.textPixels(height - f.memo.rowHeight(), f.memo.rowHeight()) > 0);
}

void TestFatMemo::stickRule()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    f.appendNumbered(100);
    f.settle();
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::Bottom);
    QCOMPARE(f.memo.bottomLine(), 99);

    // The user scrolls up: new lines leave the view where it is.
    QSignalSpy scrolled(&f.memo, &TFatMemo::scrolled);
    QTest::keyClick(&f.memo, Qt::Key_PageUp);
    QCOMPARE(scrolled.size(), 1);
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::None);
    const int reading = f.memo.bottomLine();
    QVERIFY(reading < 99);
    f.appendNumbered(5, 100);
    f.settle();
    QCOMPARE(f.memo.bottomLine(), reading);
    QVERIFY(!f.memo.isAtBottom());

    // Back at the bottom, the view follows again.
    QScrollBar* bar = f.memo.verticalScrollBar();
    bar->setValue(bar->maximum());
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::Bottom);
    f.appendNumbered(5, 105);
    f.settle();
    QCOMPARE(f.memo.bottomLine(), 109);
    QCOMPARE(bar->value(), 109);

    // Down keys that reach the newest line count as being back at the bottom too.
    QTest::keyClick(&f.memo, Qt::Key_Up);
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::None);
    QTest::keyClick(&f.memo, Qt::Key_Down);
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::Bottom);
}

void TestFatMemo::stickKeepsLinesWhileOldOnesDrop()
{
    Fixture f(200);
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    f.appendNumbered(200);
    f.settle();
    f.memo.scrollRows(10);
    const QByteArray reading = f.model.storedText(f.memo.bottomLine());
    QCOMPARE(reading, QByteArray("line 189"));

    f.appendNumbered(50, 200);
    f.settle();
    QCOMPARE(f.model.lineCount(), 200);
    QCOMPARE(f.model.storedText(f.memo.bottomLine()), reading);

    // Once the line read has gone too, the view holds on to the oldest lines left.
    f.appendNumbered(300, 250);
    f.settle();
    QCOMPARE(f.memo.bottomLine(), f.memo.verticalScrollBar()->minimum());
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::None);
    QVERIFY(!f.memo.characterCenter(0, 0).isNull());
}

void TestFatMemo::scrollBarCountsLines()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    f.appendNumbered(100);
    f.settle();
    QScrollBar* bar = f.memo.verticalScrollBar();
    const int height = f.memo.viewport()->height();
    const int row = f.memo.rowHeight();
    QCOMPARE(bar->maximum(), 99);
    // The topmost position is where the first lines fill the view with whole rows.
    QCOMPARE(bar->minimum(), height / row - 1);

    bar->setValue(50);
    QCOMPARE(f.memo.bottomLine(), 50);
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::None);
    bar->setValue(bar->minimum());
    const QPoint top = f.memo.characterCenter(0, 0);
    QVERIFY(!top.isNull());
    QVERIFY(top.y() >= row / 2 && top.y() < row / 2 + row);
}

void TestFatMemo::linkClick_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("target");

    QTest::newRow("web address") << QByteArray("see www.example.com now") << 6
                                 << u"www.example.com"_s;
    QTest::newRow("plain word beside it")
        << QByteArray("see www.example.com now") << 1 << QString();
    QTest::newRow("space after it") << QByteArray("see www.example.com now") << 19 << QString();
    QTest::newRow("tag inside the address")
        << QByteArray("\002bold http://x.org/\002y") << 18 << u"http://x.org/y"_s;
    QTest::newRow("mail address") << QByteArray("mail ann@example.org") << 7
                                  << u"ann@example.org"_s;
}

void TestFatMemo::linkClick()
{
    QFETCH(QByteArray, line);
    QFETCH(int, pos);
    QFETCH(QString, target);
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    f.model.appendLine(line);
    f.settle();
    QSignalSpy clicked(&f.memo, &TFatMemo::linkActivated);
    const QPoint at = f.memo.characterCenter(0, pos);
    QVERIFY(!at.isNull());
    QCOMPARE(f.memo.linkAt(at), target);
    QTest::mouseClick(f.memo.viewport(), Qt::LeftButton, {}, at);
    if (target.isEmpty()) {
        QCOMPARE(clicked.size(), 0);
    } else {
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first().first().toString(), target);
    }
}

void TestFatMemo::dragSelectsInsteadOfClicking()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    f.model.appendLine("hello www.x.org");
    f.model.appendLine("second line");
    f.settle();
    QSignalSpy clicked(&f.memo, &TFatMemo::linkActivated);

    // From inside the link to the end of the word "second": a selection, not a click.
    f.press(f.leftEdge(0, 6));
    f.dragTo(f.leftEdge(1, 6));
    f.release(f.leftEdge(1, 6));
    QCOMPARE(clicked.size(), 0);
    QCOMPARE(f.memo.selectedText(), u"www.x.org\nsecond"_s);

    f.memo.setFocus();
    QTest::keyClick(&f.memo, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"www.x.org\nsecond"_s);

    // A plain click clears the selection.
    QTest::mouseClick(f.memo.viewport(), Qt::LeftButton, {}, f.leftEdge(1, 2));
    QVERIFY(f.memo.selectedText().isEmpty());
}

void TestFatMemo::tallLineScrollsByRows()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    const QByteArray word = QByteArray(5000, 'a') + "http://" + QByteArray(5000, 'b');
    f.model.appendLine(word);
    f.settle();
    const int last = int(word.size()) - 1;
    // Wrapped anywhere: the end of the word is at the bottom, its start far above.
    QVERIFY(!f.memo.characterCenter(0, last).isNull());
    QVERIFY(f.memo.characterCenter(0, 0).isNull());
    QCOMPARE(f.memo.linkAt(f.memo.characterCenter(0, last)), QString::fromLatin1(word.mid(5000)));

    f.memo.scrollRows(1);
    QCOMPARE(f.memo.bottomLine(), 0);
    QCOMPARE(f.memo.hiddenRows(), 1);
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::None);
    QVERIFY(f.memo.characterCenter(0, last).isNull());

    f.memo.scrollToTop();
    const QPoint top = f.memo.characterCenter(0, 0);
    QVERIFY(!top.isNull());
    QVERIFY(top.y() >= f.memo.rowHeight() / 2 && top.y() < f.memo.rowHeight() * 3 / 2);

    // Without word wrap the line is one row at the bottom.
    f.memo.setWordWrap(false);
    f.memo.scrollToBottom();
    f.settle();
    const QPoint start = f.memo.characterCenter(0, 0);
    QVERIFY(!start.isNull());
    QVERIFY(start.y() > f.memo.viewport()->height() - f.memo.rowHeight());
}

void TestFatMemo::hostileLinesDraw()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    const QList<QByteArray> lines{
        "<\00312nick\017> " + QByteArray(60000, 'x'),
        QByteArray(60000, '\x03'),
        QByteArray("\0034,8a\026b\002\037").repeated(10000),
        QByteArray(5000, 'a') + "http://" + QByteArray(5000, 'b'),
        QByteArray("\031ab").repeated(20000),
        QByteArray("\0\xff\xfe\xc3\x28\xe2\x82\0\x02\xf0\x9f\t\r\n", 14).repeated(4000),
    };
    for (const QByteArray& line : lines) {
        f.model.appendLine(line);
        f.settle();
        QVERIFY(!f.memo.viewport()->grab().isNull());
        f.memo.scrollRows(50);
        QVERIFY(!f.memo.viewport()->grab().isNull());
        f.memo.scrollToBottom();
    }
    f.memo.resize(123, 77);
    f.settle();
    QVERIFY(!f.memo.viewport()->grab().isNull());
    f.memo.scrollToTop();
    QVERIFY(!f.memo.viewport()->grab().isNull());
}

void TestFatMemo::clearEmptiesView()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.memo));
    f.appendNumbered(30);
    f.settle();
    f.memo.scrollRows(5);
    f.model.clear();
    f.settle();
    QCOMPARE(f.memo.bottomLine(), -1);
    QCOMPARE(f.memo.stick(), TFatMemo::Stick::Bottom);
    QCOMPARE(f.textPixels(0, f.memo.viewport()->height()), 0);
    f.model.appendLine("after");
    f.settle();
    QCOMPARE(f.memo.bottomLine(), 0);
    QVERIFY(!f.memo.characterCenter(0, 0).isNull());
}

QTEST_MAIN(TestFatMemo)
#include "tst_fatmemo.moc"
