#include "chat/servernotices.h"

#include "chat/chatpages.h"
#include "chat/commandinterpreter.h"
#include "chat/mainviewstate.h"
#include "chat/serverpage.h"
#include "config/userprompts.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MsgNotice = 404;
constexpr quint16 MsgMotdLine = 621;
constexpr quint16 MsgOperators = 627;
constexpr quint16 MsgAnnouncement = 628;
constexpr quint16 MsgServerPong = 750;
constexpr quint16 MsgPingRequest = 751;
constexpr quint16 MsgPong = 752;

constexpr int MsecsPerDay = 24 * 60 * 60 * 1000;

} // namespace

ServerNotices::ServerNotices(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                             MainViewState& viewState, StatusPanels& statusPanels,
                             UserPrompts* prompts, ChatClock clock, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_chatPages(chatPages)
    , m_viewState(viewState)
    , m_statusPanels(statusPanels)
    , m_prompts(prompts)
    , m_clock(std::move(clock))
{
    connect(&m_servers, &TServers::serverText, this, &ServerNotices::ShowServerText);
    const auto showPayload = [this](int serverIndex, const MessageInput& input) {
        ShowServerText(serverIndex, WireToDisplay(input.text));
    };
    dispatcher.registerHandler(MsgNotice, showPayload);
    dispatcher.registerHandler(MsgMotdLine, showPayload);
    dispatcher.registerHandler(MsgOperators, [this](int serverIndex, const MessageInput& input) {
        operatorMessage(serverIndex, input, false);
    });
    dispatcher.registerHandler(MsgAnnouncement, [this](int serverIndex, const MessageInput& input) {
        operatorMessage(serverIndex, input, true);
    });
    dispatcher.registerHandler(MsgPingRequest, [this](int serverIndex, const MessageInput& input) {
        pingRequested(serverIndex, input);
    });
    const auto pong = [this](int serverIndex, const MessageInput& input) {
        pongReceived(serverIndex, input);
    };
    dispatcher.registerHandler(MsgServerPong, pong);
    dispatcher.registerHandler(MsgPong, pong);
}

void ServerNotices::ShowServerText(int serverIndex, const QString& text)
{
    ServerPage* page = m_chatPages.page(serverIndex);
    if (page)
        m_chatPages.AddOutputLine(page->serverMessagesPage(), DisplayToWire(u"* "_s + text));

    const QString host = m_servers.serverList().cell(serverIndex, ServerListModel::ServerColumn);
    const QString entry = u"["_s + host + u" ("_s + QString::number(serverIndex) + u")] "_s + text;
    if (m_serversTabLines.isEmpty())
        m_serversTabLines.append(entry);
    else
        m_serversTabLines.append(QStringList{QString(), entry});

    TServer* record = m_servers.FindServer(serverIndex);
    if (record) {
        if (const std::optional<QString> level = AnnouncedUserLevel(text))
            record->setUserLevel(*level);
    }

    if (page) {
        if (const std::optional<QString> channel = OperatorsChannel(text)) {
            const QByteArray line = OperatorLine(m_clock(), DisplayToWire(text));
            // From the third page on: "Server Messages" and "Hotlist" are never addressed.
            for (int i = ServerPage::FirstOwnPage; i < page->count(); ++i) {
                ChatPage* inner = page->page(i);
                if (inner->name() == *channel)
                    m_chatPages.AddOutputLine(inner, line);
            }
        }
    }

    // The nickname panel shows the connection on screen; it is the same rule as in
    // UpdateServerTotals, so the panel never names a server whose page is not in view.
    if (record && m_viewState.isServerPageShown(serverIndex))
        m_statusPanels.setText(StatusPanels::NicknamePanel,
                               record->nickname() + u" ("_s + record->userLevel() + u")"_s);
}

std::optional<QString> ServerNotices::AnnouncedUserLevel(const QString& text)
{
    static constexpr QStringView Phrase = u" your user level to ";
    const qsizetype at = text.indexOf(Phrase);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + Phrase.size();
    const qsizetype space = text.indexOf(u' ', start);
    return space < 0 ? QString() : text.mid(start, space - start);
}

std::optional<QString> ServerNotices::OperatorsChannel(const QString& text)
{
    if (!text.contains(u" [ops/"))
        return std::nullopt;
    const qsizetype slash = text.indexOf(u'/');
    const qsizetype close = text.indexOf(u']', slash + 1);
    return close < 0 ? QString() : text.mid(slash + 1, close - slash - 1);
}

QByteArray ServerNotices::OperatorLine(QTime time, QByteArrayView text, bool announcement)
{
    QByteArray line = ChannelLines::TimeStamp(time);
    // Red, or red on white for an announcement.
    line += ChannelLines::ColorTag(announcement ? "51,0" : "51");
    line += "* ";
    line += text;
    return line;
}

QString ServerNotices::PongText(const QString& name, QTime sent, QTime received)
{
    int elapsed = sent.isValid() && received.isValid() ? sent.msecsTo(received) : 0;
    if (elapsed < 0)
        elapsed += MsecsPerDay;
    const int seconds = elapsed / 1000 % 60;
    const int millis = elapsed % 1000;
    return u"Received pong from "_s + name + u" ["_s + QString::number(seconds) + u"."_s +
           QString::number(millis).rightJustified(3, u'0') + u"]"_s;
}

void ServerNotices::operatorMessage(int serverIndex, const MessageInput& input, bool announcement)
{
    const QByteArrayList& fields = input.fields; // nickname, text
    const QByteArray message =
        fields[0] + (announcement ? " [Announcement]: " : " [Admins]: ") + fields[1];
    ShowServerText(serverIndex, WireToDisplay(message));

    const ServerPage* page = m_chatPages.page(serverIndex);
    ChatPage* current = page ? page->currentPage() : nullptr;
    if (current && (current->isChannel() || current->isPrivate()))
        m_chatPages.AddOutputLine(current, OperatorLine(m_clock(), message, announcement));
}

void ServerNotices::pingRequested(int serverIndex, const MessageInput& input)
{
    ShowServerText(serverIndex, WireToDisplay(input.text) + u" has requested a ping."_s);
    m_servers.SendToServer(serverIndex, MsgPong, {input.text});
}

void ServerNotices::pongReceived(int serverIndex, const MessageInput& input)
{
    TServer* record = m_servers.FindServer(serverIndex);
    if (!record)
        return;
    const QString name = WireToDisplay(input.text);
    QStringList& nicknames = record->pingedNicknames();
    QStringList& times = record->pingTimes();
    qsizetype at = -1;
    for (qsizetype i = 0; i < nicknames.size(); ++i) {
        if (nicknames.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            at = i;
            break;
        }
    }
    if (at < 0)
        return;
    // The two lists are kept in step; a missing time reads as no time at all.
    const QTime sent = CommandInterpreter::PingTimeFromText(times.value(at));
    const QTime received = input.timeOfDay.isValid() ? input.timeOfDay : m_clock();
    const QString text = PongText(name, sent, received);
    nicknames.removeAt(at);
    if (at < times.size())
        times.removeAt(at);
    ShowServerText(serverIndex, text);
    if (m_prompts)
        m_prompts->information(text);
}
