#include "tests/chatmsg/chatmsgfixture.h"

#include "chat/chatlinemodel.h"
#include "config/configkeys.h"
#include "protocol/server.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

QByteArray ChatMsgCore::stamp()
{
    return T("^9[13:07] ");
}

ChatMsgCore::ChatMsgCore()
{
    const QString dat = dir.filePath(u"servers.dat"_s);
    QFile file(dat);
    if (file.open(QIODevice::WriteOnly))
        file.write("[Protocols]\nOpennap=1\n\n[net]\nprotocol=Opennap\nbookmark=0\n127.0.0.1=" +
                   QByteArray::number(fake.port()) + " Me pw\n\n");
    file.close();
    list.load(dat);
    config.WriteInteger(ConfigKey::DefaultDataport, 0);

    // As the program wires the LIST command to the window.
    QObject::connect(&commands, &CommandInterpreter::channelListWindowRequested, &channelList,
                     &ChannelList::ShowFromCommand);

    // Counts the frames handled, so that deliver() knows when the client is done.
    servers.setFrameHandler(
        [this](int serverIndex, FrameReader::Layout layout, const Frame& frame) {
            if (layout == FrameReader::Layout::Word16)
                dispatcher.HandleServerMessage(serverIndex, frame.type, frame.payload);
            else
                dispatcher.HandleServerMessage32(serverIndex, frame.type, frame.payload);
            ++handled;
        });
}

ChatMsgCore::~ChatMsgCore()
{
    // Sockets go before the fake server's.
    while (!servers.records().isEmpty())
        servers.ReleaseServerRecord(servers.records().constFirst()->serverIndex());
}

bool ChatMsgCore::login()
{
    fake.setAutoReply(2, {Frame{3, QByteArrayLiteral("anon@127.0.0.1")}});
    servers.connectServer(0);
    return QTest::qWaitFor(
        [this] {
            return list.cell(0, ServerListModel::StatusColumn) == u"Connected"_s && pages.page(0);
        },
        5000);
}

bool ChatMsgCore::deliver(const QList<Frame>& frames, int timeoutMs)
{
    const int target = handled + int(frames.size());
    for (const Frame& frame : frames)
        fake.send(0, frame.type, frame.payload);
    return QTest::qWaitFor([this, target] { return handled >= target; }, timeoutMs);
}

QList<Frame> ChatMsgCore::sentOfType(quint32 type) const
{
    QList<Frame> out;
    for (const Frame& frame : fake.frames(0)) {
        if (frame.type == type)
            out.append(frame);
    }
    return out;
}

QByteArrayList ChatMsgCore::lines(const ChatLineModel* model)
{
    QByteArrayList out;
    if (!model)
        return out;
    for (int i = 0; i < model->lineCount(); ++i)
        out.append(model->storedText(i));
    return out;
}

ChatPage* ChatMsgCore::join(const QByteArray& channel)
{
    if (!deliver(405, channel))
        return nullptr;
    return pages.FindChannelPage(0, QString::fromUtf8(channel));
}
