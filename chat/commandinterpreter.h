#pragma once

// RunCommand: what a line typed as "/name arguments" into a chat input line does. The name is
// upper-cased and looked up among the 26 commands and their aliases (J, L, W, M, VER, WAL);
// each sends its message to the connection of the page where it was typed, some with a local
// effect (the channel list window, the version text, pasting earlier lines, the ping list,
// switching the debug log off). Anything else writes the unknown-command notice.
//
// The interpreter passes the operator commands' arguments on as typed: the server judges them.
//
// Pending pings: for every PING and SPING the record keeps the send time, as PingTimeText
// gives it, and the pinged name, at the same position of its two lists.

#include <QByteArray>
#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QTime>
#include <functional>

class ChatPage;
class ChatPages;
class ConfigStore;
class DebugLog;
class ServerNotices;
class TServers;
class UserPrompts;

class CommandInterpreter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandInterpreter)

public:
    // Seconds since the program started (the VERSION text's uptime).
    using UptimeSource = std::function<qint64()>;
    // The time of day, for the pending pings.
    using TimeOfDay = std::function<QTime()>;

    // PASTE sends at most this many lines back (its high number).
    static constexpr int MaxPasteLine = 999;

    CommandInterpreter(TServers& servers, ChatPages& chatPages, ServerNotices& notices,
                       ConfigStore& config, DebugLog& debugLog, UserPrompts& prompts,
                       UptimeSource uptime, QObject* parent = nullptr);

    void setTimeOfDay(TimeOfDay timeOfDay) { m_timeOfDay = std::move(timeOfDay); }
    // The operating-system part of the VERSION text (" Linux 6.1" by default).
    void setPlatformText(const QString& text) { m_platformText = text; }

    void RunCommand(int serverIndex, const QString& command, const QString& argument);

    // The text that VERSION sends: version text, platform, uptime.
    QString VersionText() const;
    // " Linux " + the kernel's major.minor version ("6.1" of "6.1.0-13-amd64"); " Linux" alone
    // when the kernel version has no such numbers.
    static QString LinuxPlatformText(const QString& kernelVersion);

    // How a pending ping's send time is kept in the record ("hh:mm:ss.zzz"), and read back
    // (an invalid time for text that is not one).
    static QString PingTimeText(QTime time);
    static QTime PingTimeFromText(const QString& text);

Q_SIGNALS:
    // LIST: show the channel list window without making it modal and clear its list.
    void channelListWindowRequested(int serverIndex);
    // KILLDEBUG: remove the debug panel and hide the packet size field of the settings.
    void debugKilled();

private:
    void send(int serverIndex, int type, const QByteArrayList& fields);
    // The active inner page of the connection, or null.
    ChatPage* currentPage(int serverIndex) const;
    QByteArray currentPageName(int serverIndex) const;

    void leave(int serverIndex, const QString& argument);
    void raw(int serverIndex, const QString& argument);
    void msg(int serverIndex, const QString& argument);
    void paste(int serverIndex, const QString& argument);
    void ping(int serverIndex, int type, const QString& argument);

    TServers& m_servers;
    ChatPages& m_chatPages;
    ServerNotices& m_notices;
    ConfigStore& m_config;
    DebugLog& m_debugLog;
    UserPrompts& m_prompts;
    UptimeSource m_uptime;
    TimeOfDay m_timeOfDay;
    QString m_platformText;
};
