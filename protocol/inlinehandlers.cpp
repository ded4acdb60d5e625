#include "protocol/inlinehandlers.h"

#include "config/fixedtables.h"
#include "config/userprompts.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/wiretext.h"

#include <QLocale>
#include <QTimeZone>

using namespace Qt::StringLiterals;

InlineHandlers::InlineHandlers(TServers& servers, MessageDispatcher& dispatcher,
                               UserPrompts& prompts)
    : m_servers(servers)
    , m_prompts(prompts)
    , m_clearIgnoreList([this](int serverIndex) {
        if (TServer* record = m_servers.FindServer(serverIndex))
            record->ignoreSet().clear();
    })
{
    dispatcher.registerHandler(302, [this](int, const MessageInput& input) {
        m_prompts.information(u"Cannot add user "_s + WireToDisplay(input.text) +
                              u" to the hotlist"_s);
    });
    dispatcher.registerHandler(
        316, [this](int serverIndex, const MessageInput&) { handleServerDisconnect(serverIndex); });
    dispatcher.registerHandler(324, [this](int, const MessageInput& input) {
        m_prompts.information(u"User "_s + WireToDisplay(input.text) + u" is not ignored"_s);
    });
    dispatcher.registerHandler(325, [this](int, const MessageInput& input) {
        m_prompts.information(u"User "_s + WireToDisplay(input.text) + u" is already ignored"_s);
    });
    dispatcher.registerHandler(326, [this](int serverIndex, const MessageInput& input) {
        handleIgnoreListCleared(serverIndex, input.text);
    });
    dispatcher.registerHandler(601, [this](int, const MessageInput& input) {
        m_prompts.information(lineSpeedText(input.fields));
    });
    dispatcher.registerHandler(605, [this](int, const MessageInput& input) {
        m_prompts.information(whowasText(input.fields));
    });
}

void InlineHandlers::handleServerDisconnect(int serverIndex)
{
    const QString host = m_servers.serverList().cell(serverIndex, ServerListModel::ServerColumn);
    m_prompts.information(u"Disconnected from server "_s + host + u" ("_s +
                          QString::number(serverIndex) + u")"_s);
    m_servers.DisconnectServer(m_servers.FindServer(serverIndex),
                               StatusNotConnected.toString());
}

void InlineHandlers::handleIgnoreListCleared(int serverIndex, const QByteArray& payload)
{
    if (m_clearIgnoreList)
        m_clearIgnoreList(serverIndex);
    m_prompts.information(u"Removed "_s + WireToDisplay(payload) + u" user(s) from ignore list"_s);
}

QString InlineHandlers::lineSpeedText(const QByteArrayList& fields)
{
    return u"User "_s + WireToDisplay(fields.value(0)) + u"'s speed is "_s +
           LineSpeedNameFromText(QByteArrayView(fields.value(1)));
}

QString InlineHandlers::whowasText(const QByteArrayList& fields)
{
    // One value per line, the labels padded so that the values line up.
    return u"Whowas\nUser:        "_s + WireToDisplay(fields.value(0)) + u"\nStatus:      "_s +
           WireToDisplay(fields.value(1)) + u"\nLast Online: "_s +
           formatLastOnline(fields.value(2));
}

QString InlineHandlers::formatLastOnline(const QByteArray& seconds)
{
    bool ok = false;
    const qint64 value = seconds.trimmed().toLongLong(&ok);
    if (ok) {
        const QDateTime time = QDateTime::fromSecsSinceEpoch(value, QTimeZone::utc());
        // Years beyond four digits do not fit the pattern; such a value is not a real time.
        if (time.isValid() && time.date().year() >= 1 && time.date().year() <= 9999)
            return QLocale::c().toString(time, u"ddd MMM dd HH:mm yyyy "_s);
    }
    return WireToDisplay(seconds);
}
