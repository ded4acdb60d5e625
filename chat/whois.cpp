#include "chat/whois.h"

#include "chat/channellines.h"
#include "chat/irctags.h"
#include "config/fixedtables.h"
#include "protocol/messagedispatcher.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/wireformat.h"
#include "protocol/wiretext.h"

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MsgWhoisRequest = 603;
constexpr quint16 MsgWhoisAnswer = 604;
constexpr int ExtraParts = 7;

// Seconds online as the duration text; a field that is not a number is shown as it came.
QString OnlineTime(const QByteArray& field)
{
    bool ok = false;
    const qint64 seconds = field.trimmed().toLongLong(&ok);
    return ok ? FormatDuration(seconds) : WireToDisplay(field);
}

} // namespace

WhoisInfo WhoisInfo::fromFields(const QByteArrayList& fields, const QString& ownAddress)
{
    // Fields, from 1: nickname, level, seconds online, channels, status, shared, downloads,
    // uploads, line-speed code, client, the rest.
    const auto field = [&fields](int i) { return fields.value(i); };
    WhoisInfo info;
    info.user = WireToDisplay(field(0));
    info.caption = info.user + u"@"_s + ownAddress;
    info.userClass = WireToDisplay(field(1));
    info.classColor = LevelColor(field(1));
    info.time = OnlineTime(field(2));
    info.channels = WireToDisplay(field(3));
    info.status = WireToDisplay(field(4));
    info.shared = WireToDisplay(field(5));
    info.downloads = WireToDisplay(field(6));
    info.uploads = WireToDisplay(field(7));
    const int code = LineSpeedCodeFromText(QByteArrayView(field(8)));
    info.line = LineSpeedName(code);
    info.lineColor = QColor::fromRgb(TagPalette()[size_t(ChannelLines::SpeedColorNumber(code))]);
    info.client = WireToDisplay(field(9));

    const QByteArray rest = field(10);
    info.extraEnabled = !rest.isEmpty();
    const QByteArrayList parts = SplitFields(rest, ExtraParts);
    info.totalDownloads = WireToDisplay(parts[0]);
    info.totalUploads = WireToDisplay(parts[1]);
    info.ip = WireToDisplay(parts[2]);
    info.listenPort = WireToDisplay(parts[3]);
    info.dataPort = WireToDisplay(parts[4]);
    info.server = WireToDisplay(parts[5]);
    return info;
}

Whois::Whois(TServers& servers, MessageDispatcher& dispatcher, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
{
    dispatcher.registerHandler(MsgWhoisAnswer, [this](int serverIndex, const MessageInput& input) {
        const TServer* record = m_servers.FindServer(serverIndex);
        m_last = WhoisInfo::fromFields(input.fields, record ? record->ownAddress() : QString());
        Q_EMIT whoisReceived(m_last);
    });
}

void Whois::RequestWhois(int serverIndex, const QString& nickname)
{
    m_servers.SendToServer(serverIndex, MsgWhoisRequest, {DisplayToWire(nickname)});
}
