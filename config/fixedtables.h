#pragma once

// Fixed tables that several folders share: line speeds, the search form's bitrates and sample
// rates, the MPEG audio bitrate and sample-rate tables, the chat command names and the server
// protocols. Codes that arrive from the network go through the accessors, which never index
// out of range.

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>

namespace FixedTablesDetail {
// std::array accepts fewer initializers than its size and fills the rest with empty views;
// this turns a lost entry into a compile error.
template <typename Array> constexpr bool AllFilled(const Array& table)
{
    for (QStringView entry : table) {
        if (entry.isEmpty())
            return false;
    }
    return true;
}
} // namespace FixedTablesDetail

// Line-speed names, indexed by the line-speed code that the server protocol carries (login,
// search results, user lists, link-speed replies).
inline constexpr std::array<QStringView, 11> LineSpeedNames = {
    u"Unknown",   u"14.4k", u"28.8k", u"33.6k", u"56k", u"64k ISDN",
    u"128k ISDN", u"Cable", u"DSL",   u"T1",    u"T3 >"};
inline constexpr int LineSpeedCount = int(LineSpeedNames.size());
static_assert(FixedTablesDetail::AllFilled(LineSpeedNames));

// The settings dialog's list of line speeds; its position is the code. Only the last entry
// differs from LineSpeedNames.
inline constexpr std::array<QStringView, LineSpeedCount> LineSpeedDialogNames = {
    u"Unknown",   u"14.4k", u"28.8k", u"33.6k", u"56k",          u"64k ISDN",
    u"128k ISDN", u"Cable", u"DSL",   u"T1",    u"T3 or greater"};
static_assert(FixedTablesDetail::AllFilled(LineSpeedDialogNames));

// What a code outside 0..10, or a field that is not a code, is shown as. It is the same text as
// code 0, which means the same thing: the peer's line speed is not known.
inline constexpr QStringView UnknownLineSpeedName = u"Unknown";

// The name of a line-speed code; UnknownLineSpeedName for any code outside 0..10.
QString LineSpeedName(int code);
// The code in a received field: plain decimal digits with optional surrounding spaces, 0..10;
// -1 for anything else ("x", "", "-1", "11", "8x").
int LineSpeedCodeFromText(QStringView text);
int LineSpeedCodeFromText(QByteArrayView text);
// LineSpeedName of the code in a received field; UnknownLineSpeedName when it is not a code.
QString LineSpeedNameFromText(QStringView text);
QString LineSpeedNameFromText(QByteArrayView text);

// The search form's pickers, lowest first (a picker at position p stands for entry 8 - p).
inline constexpr std::array<QStringView, 9> SearchBitrates = {
    u"64", u"96", u"112", u"128", u"160", u"192", u"224", u"256", u"320"};
static_assert(FixedTablesDetail::AllFilled(SearchBitrates));
inline constexpr std::array<QStringView, 9> SearchSampleRates = {
    u"8000", u"11025", u"12000", u"16000", u"22050", u"24000", u"32000", u"44100", u"48000"};
static_assert(FixedTablesDetail::AllFilled(SearchSampleRates));

// MPEG audio frame header tables (ISO/IEC 11172-3 and 13818-3). Versions are numbered as the
// inspector stores them: 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5. Index 0 (free format) and index 15
// (invalid) of the bitrate tables are 0.
// [0] MPEG-1, [1] MPEG-2 and MPEG-2.5; then layer I, II, III; then the 4-bit bitrate index.
inline constexpr int MpegBitrateTable[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
// [version - 1][2-bit sample-rate index]; index 3 is reserved and gives 0.
inline constexpr int MpegSampleRateTable[3][4] = {
    {44100, 48000, 32000, 0}, {22050, 24000, 16000, 0}, {11025, 12000, 8000, 0}};

// kbit/s for version 1..3, layer 1..3 and bitrate index 0..15; 0 for anything outside.
int MpegBitrate(int version, int layer, int bitrateIndex);
// Hz for version 1..3 and sample-rate index 0..3; 0 for anything outside.
int MpegSampleRate(int version, int sampleRateIndex);

// Chat command names offered for completion, in the order of the completion list.
inline constexpr std::array<QStringView, 26> ChatCommandNames = {
    u"ANNOUNCE",     u"BAN",   u"HOTLIST", u"JOIN",  u"KILL",        u"KILLDEBUG",
    u"LEAVE",        u"LIST",  u"MSG",     u"ME",    u"MUZZLE",      u"NUKE",
    u"OPSAY",        u"PASTE", u"PING",    u"RAW",   u"SETDATAPORT", u"SETLINESPEED",
    u"SETUSERLEVEL", u"SPING", u"TOPIC",   u"UNBAN", u"UNMUZZLE",    u"VERSION",
    u"WALLOP",       u"WHOIS"};
static_assert(FixedTablesDetail::AllFilled(ChatCommandNames));

// Short names the command interpreter also accepts; they are not offered for completion.
struct ChatCommandAlias {
    QStringView alias;
    QStringView command;
};
inline constexpr std::array<ChatCommandAlias, 6> ChatCommandAliases = {{
    {u"J", u"JOIN"},
    {u"L", u"LEAVE"},
    {u"W", u"WHOIS"},
    {u"M", u"MSG"},
    {u"VER", u"VERSION"},
    {u"WAL", u"WALLOP"},
}};

// Server protocols, in this order. The first is the one the server list uses for a network
// whose protocol is missing or unknown.
inline constexpr std::array<QStringView, 2> ProtocolNames = {u"Opennap", u"Soulseek"};
static_assert(FixedTablesDetail::AllFilled(ProtocolNames));
