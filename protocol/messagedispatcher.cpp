#include "protocol/messagedispatcher.h"

#include "protocol/debuglog.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/wireformat.h"

#include <algorithm>

namespace {

constexpr bool isOrderedByType()
{
    for (std::size_t i = 1; i < MessageDispatcher::Table.size(); ++i) {
        if (MessageDispatcher::Table[i - 1].type >= MessageDispatcher::Table[i].type)
            return false;
    }
    return true;
}
static_assert(isOrderedByType(), "the lookup is a binary search over the type");

} // namespace

MessageDispatcher::MessageDispatcher(TServers& servers)
    : m_servers(servers)
{
    m_servers.setFrameHandler(
        [this](int serverIndex, FrameReader::Layout layout, const Frame& frame) {
            if (layout == FrameReader::Layout::Word16)
                HandleServerMessage(serverIndex, frame.type, frame.payload);
            else
                HandleServerMessage32(serverIndex, frame.type, frame.payload);
        });
}

std::optional<qsizetype> MessageDispatcher::position(quint32 type)
{
    const auto it = std::lower_bound(Table.begin(), Table.end(), type,
                                     [](const Entry& e, quint32 t) { return e.type < t; });
    if (it == Table.end() || it->type != type)
        return std::nullopt;
    return qsizetype(it - Table.begin());
}

std::optional<MessageDispatcher::Entry> MessageDispatcher::entry(quint32 type)
{
    if (const auto at = position(type))
        return Table[std::size_t(*at)];
    return std::nullopt;
}

bool MessageDispatcher::registerHandler(quint16 type, Handler handler)
{
    const auto at = position(type);
    if (!at)
        return false;
    m_handlers[std::size_t(*at)] = std::move(handler);
    return true;
}

bool MessageDispatcher::hasHandler(quint16 type) const
{
    const auto at = position(type);
    return at && bool(m_handlers[std::size_t(*at)]);
}

MessageInput MessageDispatcher::prepareInput(const Entry& entry, const QByteArray& payload)
{
    MessageInput input;
    switch (entry.kind) {
    case InputKind::Whole:
        input.text = payload;
        break;
    case InputKind::Fields:
        input.fields = SplitFields(payload, entry.count);
        break;
    case InputKind::KeepQuotes:
        input.fields = SplitFieldsKeepQuotes(payload, entry.count);
        break;
    case InputKind::FirstWord:
        // The word before the first space, or the whole payload when it is one word: a pong
        // from a client that answers with the bare nickname must still find its ping.
        input.text = payload.contains(' ') ? TextBefore(payload, QByteArrayLiteral(" ")) : payload;
        // Only the ping answers take the time; reading the clock for every frame would cost
        // more than the rest of the dispatch.
        input.timeOfDay = QTime::currentTime();
        break;
    case InputKind::None:
        break;
    }
    return input;
}

bool MessageDispatcher::isLive(int serverIndex) const
{
    const TServer* record = m_servers.FindServer(serverIndex);
    return record && !record->isStopping();
}

void MessageDispatcher::HandleServerMessage(int serverIndex, quint32 type,
                                            const QByteArray& payload)
{
    m_servers.debugLog().add(DebugLog::Direction::Incoming, serverIndex, payload.size(), type,
                             payload);
    if (!isLive(serverIndex))
        return;
    const auto at = position(type);
    if (!at)
        return;
    const Handler& handler = m_handlers[std::size_t(*at)];
    if (!handler)
        return;
    // A copy: the handler may register another handler for its own type while it runs.
    const Handler call = handler;
    call(serverIndex, prepareInput(Table[std::size_t(*at)], payload));
}

void MessageDispatcher::HandleServerMessage32(int serverIndex, quint32 code,
                                              const QByteArray& payload)
{
    m_servers.debugLog().add(DebugLog::Direction::Incoming, serverIndex, payload.size(), code,
                             payload);
    if (code != 1 || !isLive(serverIndex) || !m_login32Handler)
        return;
    const Login32Handler call = m_login32Handler;
    call(serverIndex, payload);
}
