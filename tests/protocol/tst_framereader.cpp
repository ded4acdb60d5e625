#include "tst_framereader.h"

#include "protocol/framereader.h"
#include "protocol/wireformat.h"
#include "tests/support/fakeserver.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>
#include <set>

using Layout = FrameReader::Layout;
using namespace Qt::StringLiterals;

namespace {

constexpr int TimeoutMs = 10000;

// A payload whose every byte value occurs, so that a shifted or mis-cut copy shows.
QByteArray patternPayload(qsizetype size, int seed = 0)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xff);
    return bytes;
}

QByteArray encodeAll(const QList<Frame>& frames, Layout layout)
{
    QByteArray stream;
    for (const Frame& frame : frames)
        stream += FakeServer::encode(frame.type, frame.payload, layout);
    return stream;
}

// Feeds the pieces in order, draining the reader after each one as a socket owner would.
QList<Frame> readPieces(FrameReader& reader, const QList<QByteArray>& pieces)
{
    QList<Frame> frames;
    for (const QByteArray& piece : pieces) {
        reader.append(piece);
        while (auto frame = reader.next())
            frames.append(*frame);
    }
    return frames;
}

QList<QByteArray> cutIntoChunks(const QByteArray& stream, const QList<qsizetype>& sizes)
{
    QList<QByteArray> pieces;
    qsizetype pos = 0;
    for (qsizetype i = 0; pos < stream.size(); ++i) {
        const qsizetype size = sizes[i % sizes.size()];
        pieces.append(stream.mid(pos, size));
        pos += size;
    }
    return pieces;
}

// Where to cut a stream in two: everywhere for small streams. Large streams are cut around
// frame boundaries, where the mistakes are: those of the first and last frames and of every
// large frame (cutting around all of thousands of boundaries would add nothing but time).
QList<qsizetype> twoPieceCuts(const QList<Frame>& frames, Layout layout, qsizetype streamSize)
{
    if (streamSize <= 4096) {
        QList<qsizetype> all;
        for (qsizetype cut = 0; cut <= streamSize; ++cut)
            all.append(cut);
        return all;
    }
    const qsizetype headerSize = layout == Layout::Word16 ? 4 : 8;
    std::set<qsizetype> cuts;
    const auto around = [&cuts, streamSize](qsizetype at) {
        for (qsizetype cut = at - 9; cut <= at + 9; ++cut) {
            if (cut >= 0 && cut <= streamSize)
                cuts.insert(cut);
        }
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        const qsizetype end = start + headerSize + frames[i].payload.size();
        if (i < 10 || i >= frames.size() - 10 || end - start > 4096) {
            around(start);
            around(end);
        }
        start = end;
    }
    return QList<qsizetype>(cuts.begin(), cuts.end());
}

// A plain client as the connection code will use the reader: fed from readyRead.
class TestClient {
public:
    explicit TestClient(const FakeServer& server)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { read(); });
        socket.connectToHost(server.address(), server.port());
    }

    void read()
    {
        reader.append(socket.readAll());
        while (auto frame = reader.next())
            frames.append(*frame);
    }

    QTcpSocket socket;
    FrameReader reader;
    QList<Frame> frames;
};

} // namespace

void TestFrameReader::sameFramesHoweverTheStreamIsCut_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QList<Frame>>("frames");

    QTest::newRow("one empty payload") << Layout::Word16 << QList<Frame>{{2, {}}};
    QTest::newRow("mixed types and payloads")
        << Layout::Word16 << QList<Frame>{{3, "ann@example.org"},
                                          {0, {}},
                                          {65535, QByteArray("\x00\xff binary\r\n", 12)},
                                          {403, "#chat bob \"hi there\""},
                                          {2, {}},
                                          {404, QByteArray(300, 'x')}};
    QTest::newRow("full-size payload")
        << Layout::Word16 << QList<Frame>{{214, patternPayload(65535)}};
    QTest::newRow("small frames around a full-size one")
        << Layout::Word16
        << QList<Frame>{{1, "a"}, {2, patternPayload(65535, 3)}, {3, {}}, {4, "tail"}};

    QList<Frame> many;
    for (int i = 0; i < 3000; ++i)
        many.append({quint32(i), patternPayload(i % 50, i)});
    QTest::newRow("many small frames") << Layout::Word16 << many;
    // Over 64 KiB consumed while a large frame is still incomplete: the reader must drop the
    // consumed front without losing or shifting the rest.
    QTest::newRow("many small frames, then a full-size one")
        << Layout::Word16 << (many + QList<Frame>{{9, patternPayload(65535, 1)}, {10, "end"}});

    QTest::newRow("second layout") << Layout::Int32
                                   << QList<Frame>{{1, patternPayload(40)},
                                                   {0x10001, {}},
                                                   {0xffffffff, "x"},
                                                   {2, patternPayload(70000, 5)},
                                                   {1, "ok"}};
}

void TestFrameReader::sameFramesHoweverTheStreamIsCut()
{
    QFETCH(Layout, layout);
    QFETCH(QList<Frame>, frames);
    const QByteArray stream = encodeAll(frames, layout);

    // Returns whether the pieces gave exactly the frames, all bytes consumed.
    const auto check = [&](const QList<QByteArray>& pieces, const QList<Frame>& expected,
                           const QString& how) {
        FrameReader reader(layout);
        const QList<Frame> got = readPieces(reader, pieces);
        if (got != expected || reader.hasPartialFrame() || reader.isMalformed())
            qInfo("Fed %s", qPrintable(how));
        [&] {
            QCOMPARE(got, expected);
            QCOMPARE(reader.pendingBytes(), 0);
            QVERIFY(!reader.isMalformed());
        }();
        return !QTest::currentTestFailed();
    };

    if (!check({stream}, frames, u"whole"_s))
        return;
    // Two streams in one append: the second must not be mistaken for leftovers of the first.
    if (!check({stream + stream}, frames + frames, u"twice in one piece"_s))
        return;
    if (!check(cutIntoChunks(stream, {1}), frames, u"one byte at a time"_s))
        return;
    if (!check(cutIntoChunks(stream, {4093}), frames, u"in 4093-byte pieces"_s))
        return;
    if (!check(cutIntoChunks(stream, {1, 3, 7, 4096, 2}), frames, u"in odd-sized pieces"_s))
        return;
    for (qsizetype cut : twoPieceCuts(frames, layout, stream.size())) {
        if (!check({stream.left(cut), stream.mid(cut)}, frames, u"cut at byte %1"_s.arg(cut)))
            return;
    }
}

void TestFrameReader::partialFrameStaysPending_data()
{
    QTest::addColumn<Frame>("incomplete");
    QTest::addColumn<qsizetype>("received"); // bytes of the incomplete frame that arrived

    const Frame short_{205, "bob hello there"};
    QTest::newRow("one header byte") << short_ << qsizetype(1);
    QTest::newRow("three header bytes") << short_ << qsizetype(3);
    QTest::newRow("header only") << short_ << qsizetype(4);
    QTest::newRow("header and part of the payload") << short_ << qsizetype(9);
    QTest::newRow("all but the last byte") << short_ << qsizetype(4 + 14);
    const Frame full{214, patternPayload(65535)};
    QTest::newRow("full-size header only") << full << qsizetype(4);
    QTest::newRow("full-size, last byte missing") << full << qsizetype(4 + 65534);
}

void TestFrameReader::partialFrameStaysPending()
{
    QFETCH(Frame, incomplete);
    QFETCH(qsizetype, received);
    const Frame before{3, "ann"};
    const QByteArray rest = FakeServer::encode(incomplete.type, incomplete.payload);

    FrameReader reader;
    reader.append(FakeServer::encode(before.type, before.payload) + rest.left(received));
    QCOMPARE(reader.next(), std::optional<Frame>(before));
    QVERIFY(!reader.next());
    QVERIFY(!reader.next()); // asking again changes nothing
    QCOMPARE(reader.pendingBytes(), received);
    QVERIFY(reader.hasPartialFrame());
    QVERIFY(!reader.isMalformed()); // every 16-bit length is legal

    reader.append(rest.mid(received));
    QCOMPARE(reader.next(), std::optional<Frame>(incomplete));
    QVERIFY(!reader.next());
    QVERIFY(!reader.hasPartialFrame());

    reader.append(rest.left(received));
    reader.clear();
    QVERIFY(!reader.hasPartialFrame());
    reader.append(FakeServer::encode(before.type, before.payload));
    QCOMPARE(reader.next(), std::optional<Frame>(before));
}

void TestFrameReader::int32Length_data()
{
    QTest::addColumn<quint32>("length"); // the announced length: code plus payload
    QTest::addColumn<bool>("malformed");

    QTest::newRow("0") << 0u << true;
    QTest::newRow("3, shorter than the code") << 3u << true;
    QTest::newRow("4, code only") << 4u << false;
    QTest::newRow("the cap") << FrameReader::MaxInt32FrameLength << false;
    QTest::newRow("one over the cap") << FrameReader::MaxInt32FrameLength + 1 << true;
    QTest::newRow("4 GiB") << 0xffffffffu << true;
}

void TestFrameReader::int32Length()
{
    QFETCH(quint32, length);
    QFETCH(bool, malformed);
    const Frame valid{1, "welcome"};
    const QByteArray validBytes = FakeServer::encode(valid.type, valid.payload, Layout::Int32);
    QByteArray header;
    for (quint32 value : {length, 1u})
        for (int i = 0; i < 4; ++i)
            header.append(char((value >> (8 * i)) & 0xff));

    FrameReader reader(Layout::Int32);
    reader.append(validBytes + header);
    // What came before the bad header is still delivered.
    QCOMPARE(reader.next(), std::optional<Frame>(valid));

    const std::optional<Frame> after = reader.next();
    QCOMPARE(reader.isMalformed(), malformed);
    if (!malformed) {
        if (length == 4)
            QCOMPARE(after, std::optional<Frame>(Frame{1, {}}));
        else
            QVERIFY(!after); // waits for the announced bytes
        return;
    }
    QVERIFY(!after);
    // Nothing after a malformed header can be trusted to start a frame.
    reader.append(validBytes);
    QVERIFY(!reader.next());
    QVERIFY(reader.isMalformed());

    reader.clear();
    QVERIFY(!reader.isMalformed());
    reader.append(validBytes);
    QCOMPARE(reader.next(), std::optional<Frame>(valid));
}

void TestFrameReader::serverChunkedWritesYieldTheScriptedFrames_data()
{
    QTest::addColumn<QList<qsizetype>>("chunks");
    QTest::addColumn<QList<Frame>>("script");

    const QList<Frame> small{{3, "ann@example.org"},
                             {2, {}},
                             {404, "This server is running opennap 0.44"},
                             {403, "#chat bob \"hi there\""},
                             {0, {}},
                             {620, QByteArray("\x00\x01\xfe\xff", 4)},
                             {214, "12 345 67890"}};
    QTest::newRow("1-byte writes") << QList<qsizetype>{1} << small;
    QTest::newRow("1, 3 and 7-byte writes") << QList<qsizetype>{1, 3, 7} << small;
    QTest::newRow("5, 2 and 11-byte writes") << QList<qsizetype>{5, 2, 11} << small;
    QTest::newRow("header-sized writes") << QList<qsizetype>{4} << small;
    QTest::newRow("full-size payload in odd writes")
        << QList<qsizetype>{4093, 1, 8191, 3}
        << QList<Frame>{{1, "a"}, {214, patternPayload(65535)}, {2, {}}, {3, "end"}};
    QTest::newRow("unchunked") << QList<qsizetype>{} << small;
}

void TestFrameReader::serverChunkedWritesYieldTheScriptedFrames()
{
    QFETCH(QList<qsizetype>, chunks);
    QFETCH(QList<Frame>, script);

    FakeServer server;
    QVERIFY(server.isListening());
    server.setWriteChunking(chunks);
    TestClient client(server);
    QVERIFY(server.waitForConnections(1, TimeoutMs));

    for (const Frame& frame : script)
        server.send(0, frame.type, frame.payload);
    QVERIFY(server.waitForSent(0, TimeoutMs));
    QTRY_COMPARE_WITH_TIMEOUT(client.frames.size(), script.size(), TimeoutMs);
    QCOMPARE(client.frames, script);
    QVERIFY(!client.reader.hasPartialFrame());
}

void TestFrameReader::serverRecordsFramesPerConnection()
{
    FakeServer server;
    TestClient first(server);
    QVERIFY(server.waitForConnections(1, TimeoutMs));
    TestClient second(server);
    QVERIFY(server.waitForConnections(2, TimeoutMs));

    const QByteArray longPayload = patternPayload(2100);
    first.socket.write(BuildFrame(2, QByteArrayList{"ann", "secret", "6699", "\"v 1.0\"", "3"}));
    first.socket.write(BuildFrame(700, QByteArrayList{"a", "", "b"}));
    first.socket.write(BuildFrame(6, QByteArray()));
    second.socket.write(BuildFrame(700, longPayload));

    const auto login = server.waitForFrame(2, TimeoutMs);
    QVERIFY(login);
    QCOMPARE(login->payload, QByteArray("ann secret 6699 \"v 1.0\" 3"));
    // Successive waits for one type return successive frames, whichever connection sent them.
    const auto firstLine = server.waitForFrame(700, TimeoutMs);
    const auto secondLine = server.waitForFrame(700, TimeoutMs);
    QVERIFY(firstLine && secondLine);
    QVERIFY(server.waitForFrame(6, TimeoutMs, 0));

    QCOMPARE(server.frames(0),
             (QList<Frame>{{2, "ann secret 6699 \"v 1.0\" 3"}, {700, "a  b"}, {6, {}}}));
    // What the client sends is capped at 2048 bytes in all.
    QCOMPARE(server.frames(1), (QList<Frame>{{700, longPayload.left(MaxSentPayloadSize)}}));
}

void TestFrameReader::serverAutoReplies()
{
    FakeServer server;
    server.setAutoReply(2, {{3, "ann@example.org"}, {404, "Welcome"}});
    server.setWriteChunking(3);
    TestClient client(server);
    QVERIFY(server.waitForConnections(1, TimeoutMs));

    client.socket.write(BuildFrame(2, QByteArrayList{"ann", "secret"}));
    client.socket.write(BuildFrame(7, QByteArrayList{"x"})); // no script: no answer
    QVERIFY(server.waitForFrame(7, TimeoutMs));
    QVERIFY(server.waitForSent(0, TimeoutMs));
    QTRY_COMPARE_WITH_TIMEOUT(client.frames.size(), 2, TimeoutMs);
    QCOMPARE(client.frames, (QList<Frame>{{3, "ann@example.org"}, {404, "Welcome"}}));
}

void TestFrameReader::stalledServerLeavesReaderPending()
{
    FakeServer server;
    TestClient client(server);
    QVERIFY(server.waitForConnections(1, TimeoutMs));

    const QByteArray announced = FakeServer::encodeHeader(214, 65535) + patternPayload(100);
    server.send(0, 3, "ann@example.org");
    server.sendRaw(0, announced);
    server.stall(0);
    QVERIFY(server.waitForSent(0, TimeoutMs));
    QTRY_COMPARE_WITH_TIMEOUT(client.reader.pendingBytes(), announced.size(), TimeoutMs);

    QCOMPARE(client.frames, (QList<Frame>{{3, "ann@example.org"}}));
    QVERIFY(!client.reader.next());
    QVERIFY(client.reader.hasPartialFrame());
    QVERIFY(!client.reader.isMalformed());
    QVERIFY(server.isConnected(0));
    QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
}

void TestFrameReader::serverCloseMidFrameLeavesPartialFrame_data()
{
    QTest::addColumn<QByteArray>("tail"); // the bytes of the frame that never completes
    QTest::addColumn<QList<qsizetype>>("chunks");

    const QByteArray frame = FakeServer::encode(403, "#chat bob \"hi there\"");
    QTest::newRow("mid-header") << frame.left(3) << QList<qsizetype>{};
    QTest::newRow("mid-payload") << frame.left(10) << QList<qsizetype>{};
    QTest::newRow("mid-payload, chunked writes") << frame.left(10) << QList<qsizetype>{1, 3, 7};
    QTest::newRow("after a full-size header")
        << FakeServer::encodeHeader(214, 65535) << QList<qsizetype>{2};
}

void TestFrameReader::serverCloseMidFrameLeavesPartialFrame()
{
    QFETCH(QByteArray, tail);
    QFETCH(QList<qsizetype>, chunks);

    FakeServer server;
    server.setWriteChunking(chunks);
    TestClient client(server);
    QVERIFY(server.waitForConnections(1, TimeoutMs));
    QSignalSpy disconnected(&client.socket, &QTcpSocket::disconnected);

    server.send(0, 3, "ann@example.org");
    server.sendRaw(0, tail);
    server.close(0); // after the queued chunks, not instead of them
    QVERIFY(disconnected.wait(TimeoutMs));
    client.read();

    QCOMPARE(client.frames, (QList<Frame>{{3, "ann@example.org"}}));
    QVERIFY(client.reader.hasPartialFrame());
    QCOMPARE(client.reader.pendingBytes(), tail.size());
    QVERIFY(!client.reader.next());
    QVERIFY(server.waitForDisconnected(0, TimeoutMs));
    QVERIFY(!server.isConnected(0));
}

void TestFrameReader::serverAbortEndsClientConnection()
{
    FakeServer server;
    TestClient client(server);
    QVERIFY(server.waitForConnections(1, TimeoutMs));
    QSignalSpy errors(&client.socket, &QTcpSocket::errorOccurred);

    server.sendRaw(0, FakeServer::encodeHeader(214, 65535));
    server.abort(0);
    QVERIFY(!server.isConnected(0));
    QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState, TimeoutMs);
    QVERIFY(!errors.isEmpty());
    QVERIFY(!client.reader.next());
}
