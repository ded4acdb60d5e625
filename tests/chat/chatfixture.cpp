#include "tests/chat/chatfixture.h"

#include "chat/chatlinemodel.h"
#include "config/configkeys.h"
#include "protocol/wiretext.h"
#include "tests/support/fakeserver.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A type no client sends, to mark the end of what a test looks at.
constexpr int MarkerType = 65000;

} // namespace

ChatCore::ChatCore(quint16 port, quint16 secondPort)
{
    const QString dat = dir.filePath(u"servers.dat"_s);
    QFile file(dat);
    QByteArray text = "[Protocols]\nOpennap=1\n\n[net]\nprotocol=Opennap\nbookmark=0\n127.0.0.1=" +
                      QByteArray::number(port) + " me \"\"\n";
    // A second host name for the same machine, as one host holds one entry of a network.
    if (secondPort)
        text += "localhost=" + QByteArray::number(secondPort) + " me \"\"\n";
    if (file.open(QIODevice::WriteOnly))
        file.write(text + "\n");
    file.close();
    list.load(dat);
    config.WriteInteger(ConfigKey::DefaultDataport, 0);
    commands.setTimeOfDay([this] { return timeOfDay; });
    commands.setPlatformText(u" Linux 6.1"_s);
    // As the program wires them: the activity marks go to the third figures panel, and
    // showing a server's page shows its marks.
    QObject::connect(&pages, &ChatPages::activityChanged, &panels, [this](const QString& text) {
        panels.setText(StatusPanels::GigabytesPanel, text);
    });
    QObject::connect(&view, &MainViewState::currentChatServerChanged, &pages,
                     &ChatPages::RefreshActivity);
}

ChatCore::~ChatCore() = default;

bool ChatCore::login(FakeServer& fake, int serverIndex)
{
    fake.setAutoReply(2, {Frame{3, QByteArrayLiteral("me@127.0.0.1")}});
    servers.connectServer(serverIndex);
    return QTest::qWaitFor(
        [this, serverIndex] {
            return list.cell(serverIndex, ServerListModel::StatusColumn) == u"Connected"_s &&
                   pages.page(serverIndex);
        },
        5000);
}

QList<Frame> ChatCore::sentSince(FakeServer& fake, qsizetype from, int serverIndex, int connection)
{
    servers.SendToServer(serverIndex, MarkerType, {});
    if (!fake.waitForFrame(MarkerType, 5000, connection))
        return {Frame{0, QByteArrayLiteral("marker never arrived")}};
    QList<Frame> frames = fake.frames(connection).mid(from);
    while (!frames.isEmpty() && frames.constLast().type == quint32(MarkerType))
        frames.removeLast();
    return frames;
}

QStringList ChatCore::lines(const ChatLineModel* model)
{
    QStringList out;
    if (!model)
        return out;
    for (int i = 0; i < model->lineCount(); ++i)
        out.append(WireToDisplay(model->storedText(i)));
    return out;
}

QStringList ChatCore::serverMessages(int serverIndex) const
{
    const ServerPage* page = pages.page(serverIndex);
    return page ? lines(&page->serverMessages()) : QStringList();
}
