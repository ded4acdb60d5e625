#pragma once

// The keys of section "Tavolin" in Tavolin.ini. There are exactly these seventeen; the file
// holds no others.
//
// Every reader passes its own default to ConfigStore. Several readers of one key pass different
// defaults on purpose (the settings dialog shows 180 for transfer_timeout while the transfer
// state machine falls back to 30), so defaults that differ between readers stay with the reader.
// ConfigDefault below names only the defaults that every reader of a key shares.

#include <QStringView>

namespace ConfigKey {

// text: client version string, sent at login in double quotes and used by /version.
inline constexpr QStringView Version = u"version";
// text: nickname for a server whose Nickname column is empty.
inline constexpr QStringView DefaultNickname = u"default_nickname";
// text: password for a server whose Password column is empty.
inline constexpr QStringView DefaultPassword = u"default_password";
// integer: TCP port of the data-port listener; 0 means no listener (this client is firewalled).
inline constexpr QStringView DefaultDataport = u"default_dataport";
// integer 0..10: line-speed code sent at login, an index into LineSpeedNames.
inline constexpr QStringView DefaultSpeed = u"default_speed";
// text: folder for finished downloads, with or without a trailing separator. The defaults differ:
// without a trailing separator at start-up and in the settings dialog, with one at completion.
inline constexpr QStringView DownloadDirectory = u"download_directory";
// text: full path of the external media player program.
inline constexpr QStringView Winamp = u"winamp";
// boolean: on connect, bring the Chat page and that server's page to the front.
inline constexpr QStringView ChatSwitchConnect = u"chat_switch_connect";
// boolean: register a new nickname instead of logging in.
inline constexpr QStringView RegisterUponLogin = u"register_upon_login";
// boolean: reconnect after a connection is lost.
inline constexpr QStringView AutoReconnect = u"auto_reconnect";
// integer, seconds: wait before an automatic reconnect. Defaults differ: 15 in the settings
// dialog, 10 when a connection is lost.
inline constexpr QStringView ReconnectInterval = u"reconnect_interval";
// boolean: bring the Transfers page to the front when a download is added.
inline constexpr QStringView TransferSwitchDownload = u"transfer_switch_download";
// integer, seconds: server connect time-out (the connect timer never runs shorter than 30 s).
inline constexpr QStringView ConnectTimeout = u"connect_timeout";
// integer, seconds: how long a transfer may wait for its peer. Defaults differ: 180 in the
// settings dialog, 30 in the transfer state machine.
inline constexpr QStringView TransferTimeout = u"transfer_timeout";
// integer, bytes: largest block read from the file and written to the peer in one upload step.
inline constexpr QStringView PacketSize = u"packet_size";
// integer: most downloads that hold a slot at once. Defaults differ: 3 for the Transfers page's
// spin control, 1 when the next download is started.
inline constexpr QStringView MaxDownloads = u"max_downloads";
// integer: most uploads that hold a slot at once. Defaults differ like max_downloads.
inline constexpr QStringView MaxUploads = u"max_uploads";

} // namespace ConfigKey

// Defaults that all readers of the key agree on.
namespace ConfigDefault {

inline constexpr QStringView Version = u"Tavolin v0.2";
// A fixed four-letter placeholder, so that a fresh install can log in at all.
inline constexpr QStringView DefaultNickname = u"anon";
inline constexpr QStringView DefaultPassword = u"wisp";
inline constexpr int DefaultDataport = 6699;
inline constexpr int DefaultSpeed = 0;
inline constexpr QStringView Winamp = u"";
inline constexpr bool ChatSwitchConnect = true;
inline constexpr bool RegisterUponLogin = false;
inline constexpr bool AutoReconnect = false;
inline constexpr bool TransferSwitchDownload = true;
inline constexpr int ConnectTimeout = 30;
inline constexpr int PacketSize = 8192;

} // namespace ConfigDefault
