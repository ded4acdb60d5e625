#pragma once

// HandleServerMessage: every frame received on a first-protocol connection comes through here,
// one at a time and in arrival order per connection. It writes the incoming debug line, then,
// unless the connection is ending, looks the type up in a fixed table, prepares the handler's
// input as the table says and calls the handler that the owning subsystem registered.
//
// The table is fixed (MessageDispatcher::Table); handlers are registered at wiring time. A
// type in the table with no handler yet, or a type outside the table, only leaves the debug
// line. Frames of the second protocol go to HandleServerMessage32, where only the login
// acknowledgement (code 1) means anything.

#include "protocol/framereader.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QTime>
#include <array>
#include <functional>
#include <optional>

class TServers;

// What a handler receives, prepared as the table says.
struct MessageInput {
    // Whole: the payload unchanged. First word: the text before the first space (empty when
    // there is none).
    QByteArray text;
    // Fields n / keep quotes n: exactly n fields.
    QByteArrayList fields;
    // First word only (the ping answers measure from it): the time of day when the frame was
    // dispatched.
    QTime timeOfDay;
};

class MessageDispatcher final {
    Q_DISABLE_COPY_MOVE(MessageDispatcher)

public:
    enum class InputKind {
        Whole,      // text = payload
        Fields,     // fields = SplitFields(payload, count)
        KeepQuotes, // fields = SplitFieldsKeepQuotes(payload, count)
        FirstWord,  // text = the payload up to its first space (all of it without one)
        None        // nothing from the payload
    };
    struct Entry {
        quint16 type;
        InputKind kind;
        int count; // for Fields and KeepQuotes
    };

    // The handled message types, ordered by type.
    static constexpr std::array<Entry, 47> Table = {{
        {0, InputKind::Whole, 0},        {3, InputKind::Whole, 0},
        {8, InputKind::None, 0},         {9, InputKind::None, 0},
        {10, InputKind::None, 0},        {201, InputKind::Fields, 9},
        {202, InputKind::None, 0},       {204, InputKind::Fields, 6},
        {205, InputKind::KeepQuotes, 2}, {206, InputKind::Fields, 2},
        {209, InputKind::Fields, 2},     {210, InputKind::Whole, 0},
        {212, InputKind::Fields, 7},     {213, InputKind::None, 0},
        {214, InputKind::Fields, 3},     {301, InputKind::Whole, 0},
        {302, InputKind::Whole, 0},      {316, InputKind::None, 0},
        {322, InputKind::Whole, 0},      {323, InputKind::Whole, 0},
        {324, InputKind::Whole, 0},      {325, InputKind::Whole, 0},
        {326, InputKind::Whole, 0},      {401, InputKind::Whole, 0},
        {403, InputKind::KeepQuotes, 3}, {404, InputKind::Whole, 0},
        {405, InputKind::Whole, 0},      {406, InputKind::Fields, 4},
        {407, InputKind::Fields, 4},     {408, InputKind::Fields, 4},
        {410, InputKind::Fields, 2},     {501, InputKind::Fields, 6},
        {601, InputKind::Fields, 2},     {604, InputKind::Fields, 11},
        {605, InputKind::Fields, 3},     {607, InputKind::Fields, 3},
        {617, InputKind::None, 0},       {618, InputKind::Fields, 3},
        {620, InputKind::Fields, 4},     {621, InputKind::Whole, 0},
        {627, InputKind::Fields, 2},     {628, InputKind::Fields, 2},
        {750, InputKind::FirstWord, 0},  {751, InputKind::Whole, 0},
        {752, InputKind::FirstWord, 0},  {824, InputKind::Fields, 3},
        {10112, InputKind::Fields, 5},
    }};

    using Handler = std::function<void(int serverIndex, const MessageInput& input)>;
    // The second protocol's login acknowledgement: the raw payload of code 1.
    using Login32Handler = std::function<void(int serverIndex, const QByteArray& payload)>;

    // Installs itself as the frame handler of every connection of the registry, so it is
    // created after the registry and destroyed before it.
    explicit MessageDispatcher(TServers& servers);

    // The table entry of a type, or nothing when the type is not handled.
    static std::optional<Entry> entry(quint32 type);
    // Replaces the handler of a type of the table; false (and nothing registered) for a type
    // outside the table.
    bool registerHandler(quint16 type, Handler handler);
    bool hasHandler(quint16 type) const;
    void setLogin32Handler(Login32Handler handler) { m_login32Handler = std::move(handler); }

    void HandleServerMessage(int serverIndex, quint32 type, const QByteArray& payload);
    void HandleServerMessage32(int serverIndex, quint32 code, const QByteArray& payload);

    // The input a handler of this entry receives for the payload.
    static MessageInput prepareInput(const Entry& entry, const QByteArray& payload);

private:
    static std::optional<qsizetype> position(quint32 type);
    // Whether the frame comes from a connection that may still be handled.
    bool isLive(int serverIndex) const;

    TServers& m_servers;
    std::array<Handler, Table.size()> m_handlers;
    Login32Handler m_login32Handler;
};
