#include "chat/commandinterpreter.h"

#include "chat/chatlinemodel.h"
#include "chat/chatpage.h"
#include "chat/chatpages.h"
#include "chat/servernotices.h"
#include "config/configkeys.h"
#include "config/configstore.h"
#include "config/fixedtables.h"
#include "config/userprompts.h"
#include "protocol/debuglog.h"
#include "protocol/server.h"
#include "protocol/servers.h"
#include "protocol/uptimeclock.h"
#include "protocol/wireformat.h"
#include "protocol/wiretext.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

enum : int {
    JoinType = 400,
    PartType = 401,
    PublicMessageType = 402,
    PrivateMessageType = 205,
    HotlistAddType = 207,
    TopicType = 410,
    WhoisType = 603,
    SetUserLevelType = 606,
    KillType = 610,
    NukeType = 611,
    BanType = 612,
    SetDataPortType = 613,
    UnbanType = 614,
    ChannelListType = 617,
    MuzzleType = 622,
    UnmuzzleType = 623,
    SetLineSpeedType = 625,
    WallopType = 627,
    AnnounceType = 628,
    ServerPingType = 750,
    UserPingType = 751,
    EmoteType = 824,
    OpSayType = 10208,
};

constexpr quint32 MaxMessageType = 0xFFFF;

// The commands that send the argument text as typed, as their one field.
struct PassThrough {
    QStringView name;
    int type;
};
constexpr PassThrough PassThroughCommands[] = {
    {u"KILL", KillType},         {u"NUKE", NukeType},
    {u"BAN", BanType},           {u"SETDATAPORT", SetDataPortType},
    {u"UNBAN", UnbanType},       {u"MUZZLE", MuzzleType},
    {u"UNMUZZLE", UnmuzzleType}, {u"SETLINESPEED", SetLineSpeedType},
    {u"WALLOP", WallopType},     {u"ANNOUNCE", AnnounceType},
    {u"OPSAY", OpSayType},       {u"TOPIC", TopicType},
};

QString resolveAlias(const QString& name)
{
    for (const ChatCommandAlias& alias : ChatCommandAliases) {
        if (name == alias.alias)
            return alias.command.toString();
    }
    return name;
}

// A decimal number of ASCII digits only. Numbers too long to matter come back as a value
// above any line number, so that the range checks refuse them instead of wrapping.
std::optional<qint64> decimalNumber(const QByteArray& text)
{
    if (text.isEmpty())
        return std::nullopt;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (text.size() > 9)
        return qint64(1) << 40;
    return text.toLongLong();
}

// "[  1] ", "[ 12] ", "[123] ".
QByteArray pasteNumber(qint64 k)
{
    return '[' + QByteArray::number(k).rightJustified(3, ' ') + "] ";
}

} // namespace

CommandInterpreter::CommandInterpreter(TServers& servers, ChatPages& chatPages,
                                       ServerNotices& notices, ConfigStore& config,
                                       DebugLog& debugLog, UserPrompts& prompts,
                                       UptimeSource uptime, QObject* parent)
    : QObject(parent)
    , m_servers(servers)
    , m_chatPages(chatPages)
    , m_notices(notices)
    , m_config(config)
    , m_debugLog(debugLog)
    , m_prompts(prompts)
    , m_uptime(std::move(uptime))
    , m_timeOfDay(&QTime::currentTime)
    , m_platformText(LinuxPlatformText(QSysInfo::kernelVersion()))
{
    connect(&m_chatPages, &ChatPages::commandEntered, this, &CommandInterpreter::RunCommand);
}

void CommandInterpreter::send(int serverIndex, int type, const QByteArrayList& fields)
{
    m_servers.SendToServer(serverIndex, type, fields);
}

ChatPage* CommandInterpreter::currentPage(int serverIndex) const
{
    const ServerPage* serverPage = m_chatPages.page(serverIndex);
    return serverPage ? serverPage->currentPage() : nullptr;
}

QByteArray CommandInterpreter::currentPageName(int serverIndex) const
{
    const ChatPage* page = currentPage(serverIndex);
    return page ? page->wireName() : QByteArray();
}

void CommandInterpreter::RunCommand(int serverIndex, const QString& command,
                                    const QString& argument)
{
    const QString upper = command.toUpper();
    const QString name = resolveAlias(upper);
    const QByteArray wireArgument = DisplayToWire(argument);
    const QByteArray trimmed = DisplayToWire(TrimSpaces(argument));

    if (name == u"JOIN") {
        send(serverIndex, JoinType, {trimmed});
    } else if (name == u"LEAVE") {
        leave(serverIndex, argument);
    } else if (name == u"HOTLIST") {
        if (!trimmed.isEmpty())
            send(serverIndex, HotlistAddType, {trimmed});
    } else if (name == u"RAW") {
        raw(serverIndex, argument);
    } else if (name == u"WHOIS") {
        if (!argument.isEmpty()) {
            send(serverIndex, WhoisType, {wireArgument});
        } else if (const TServer* record = m_servers.FindServer(serverIndex)) {
            send(serverIndex, WhoisType, {DisplayToWire(record->nickname())});
        }
    } else if (name == u"LIST") {
        send(serverIndex, ChannelListType, {});
        Q_EMIT channelListWindowRequested(serverIndex);
    } else if (name == u"MSG") {
        msg(serverIndex, argument);
    } else if (name == u"ME") {
        send(serverIndex, EmoteType, {currentPageName(serverIndex), '"' + wireArgument + '"'});
    } else if (name == u"VERSION") {
        send(serverIndex, PublicMessageType,
             {currentPageName(serverIndex), DisplayToWire(VersionText())});
    } else if (name == u"PASTE") {
        paste(serverIndex, argument);
    } else if (name == u"SPING") {
        ping(serverIndex, ServerPingType, argument);
    } else if (name == u"PING") {
        ping(serverIndex, UserPingType, argument);
    } else if (name == u"SETUSERLEVEL") {
        send(serverIndex, SetUserLevelType, SplitFields(wireArgument, 3));
    } else if (name == u"KILLDEBUG") {
        m_debugLog.setEnabled(false);
        Q_EMIT debugKilled();
    } else {
        for (const PassThrough& entry : PassThroughCommands) {
            if (name == entry.name) {
                send(serverIndex, entry.type, {wireArgument});
                return;
            }
        }
        m_notices.ShowServerText(serverIndex, u"\x03"
                                              "16Tavolin\x03 Unknown Command: "_s +
                                                  upper);
    }
}

void CommandInterpreter::leave(int serverIndex, const QString& argument)
{
    const QString trimmed = TrimSpaces(argument);
    if (!trimmed.isEmpty()) {
        send(serverIndex, PartType, {DisplayToWire(trimmed)});
        return;
    }
    // Without a name, the channel on screen is the one to leave.
    const ChatPage* page = currentPage(serverIndex);
    if (page && page->isChannel())
        send(serverIndex, PartType, {page->wireName()});
}

void CommandInterpreter::raw(int serverIndex, const QString& argument)
{
    const QString trimmed = TrimSpaces(argument);
    QString typeText = trimmed;
    QString payload;
    const qsizetype space = trimmed.indexOf(u' ');
    if (space >= 0) {
        typeText = trimmed.left(space);
        // Everything after the type and the one character that ends it, spaces kept.
        payload = argument.mid(argument.indexOf(typeText) + typeText.size() + 1);
    }
    const std::optional<qint64> type = decimalNumber(typeText.toLatin1());
    if (!type || *type > MaxMessageType) {
        m_prompts.warning(u"RAW: \""_s + typeText +
                              u"\" is not a message type. Use /raw <type 0-65535> [payload]."_s,
                          u"Tavolin"_s);
        return;
    }
    send(serverIndex, int(*type), {DisplayToWire(payload)});
}

void CommandInterpreter::msg(int serverIndex, const QString& argument)
{
    const QString trimmed = TrimSpaces(argument);
    const qsizetype space = trimmed.indexOf(u' ');
    if (space < 0)
        return;
    const QString nickname = trimmed.left(space);
    // The nickname is the first thing after any leading spaces; the text starts one
    // character after it, and any further spaces belong to the text.
    const QString text = argument.mid(argument.indexOf(nickname) + nickname.size() + 1);
    send(serverIndex, PrivateMessageType, {DisplayToWire(nickname), DisplayToWire(text)});
}

void CommandInterpreter::ping(int serverIndex, int type, const QString& argument)
{
    const QString withSpace = argument + u' ';
    const QString target = withSpace.left(withSpace.indexOf(u' '));
    send(serverIndex, type, {DisplayToWire(target)});
    if (TServer* record = m_servers.FindServer(serverIndex)) {
        record->pingTimes().append(PingTimeText(m_timeOfDay()));
        record->pingedNicknames().append(target);
    }
}

void CommandInterpreter::paste(int serverIndex, const QString& argument)
{
    const QByteArrayList fields = SplitFields(DisplayToWire(argument), 2);
    const QByteArray& range = fields.at(0);
    const QByteArray& rest = fields.at(1);
    const qsizetype dash = range.indexOf('-');
    const QByteArray lowText = dash < 0 ? QByteArray() : range.left(dash);
    const QByteArray highText = dash < 0 ? range : range.mid(dash + 1);

    qint64 low = 1;
    qint64 high = 1;
    QByteArrayList options;
    if (const std::optional<qint64> h = decimalNumber(highText)) {
        high = *h;
        if (const std::optional<qint64> l = decimalNumber(lowText))
            low = *l;
        else if (dash < 0)
            low = high;
        else if (lowText.isEmpty())
            low = 1;
        else
            return; // "x-3": a low end that is not a number
        options = SplitFields(rest, 2);
    } else {
        // No range: the newest line, and the first field is already an option.
        options = {range, rest};
    }
    if (high > MaxPasteLine)
        return;

    const QByteArray option = options.at(0).left(2).toLower();
    int type = PublicMessageType;
    QByteArray target;
    const bool hasOption = option == "-m" || option == "-c" || option == "-t";
    if (hasOption) {
        target = options.at(1);
        if (option == "-m") {
            type = PrivateMessageType;
        } else if (option == "-t") {
            type = TopicType;
            high = low;
        }
        // An option without its target would send to nobody (and open a page for nobody).
        if (target.isEmpty())
            return;
    } else {
        // The current page's caption, which names the page after its first space.
        const ChatPage* page = currentPage(serverIndex);
        if (!page || page->kind() == ChatPage::Kind::ServerMessages)
            return;
        target = page->wireName();
    }
    if (target == "Server Messages")
        return;
    if (const qsizetype space = target.indexOf(' '); space >= 0 && hasOption)
        target = target.mid(space + 1);
    // There is no line 0: line 1 is the newest.
    if (low > high || low < 1)
        return;

    const ChatPage* source = currentPage(serverIndex);
    if (!source || !source->output() || source->kind() == ChatPage::Kind::Hotlist)
        return;
    const ChatLineModel& lines = *source->output();
    const int count = lines.lineCount();
    if (count < high)
        return;
    // Take every line first: the sends may add lines to this very view (the echo of a private
    // message), and the numbering must stay as it was when the command started.
    QByteArrayList texts;
    for (qint64 n = high; n >= low; --n)
        texts.append(lines.storedText(int(count - n)));
    qint64 k = 0;
    for (const QByteArray& text : std::as_const(texts)) {
        ++k;
        const QByteArray prefix = type == TopicType ? QByteArray() : pasteNumber(k);
        send(serverIndex, type, {target, prefix + text});
    }
}

QString CommandInterpreter::VersionText() const
{
    const qint64 seconds = m_uptime ? m_uptime() : 0;
    return m_config.ReadString(ConfigKey::Version, ConfigDefault::Version) + m_platformText +
           u" Uptime: "_s + UptimeClock::formatUptime(seconds);
}

QString CommandInterpreter::LinuxPlatformText(const QString& kernelVersion)
{
    static const QRegularExpression numbers(u"^(\\d+)\\.(\\d+)"_s);
    const QRegularExpressionMatch match = numbers.match(kernelVersion);
    if (!match.hasMatch())
        return u" Linux"_s;
    return u" Linux "_s + match.captured(1) + u'.' + match.captured(2);
}

QString CommandInterpreter::PingTimeText(QTime time)
{
    return time.toString(u"HH:mm:ss.zzz"_s);
}

QTime CommandInterpreter::PingTimeFromText(const QString& text)
{
    return QTime::fromString(text, u"HH:mm:ss.zzz"_s);
}
