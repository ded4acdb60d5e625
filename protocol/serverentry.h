#pragma once

// One server of the server list as the server dialog edits it and as a servers.dat entry
// holds it: the key is the host, the value is "port nickname password".

#include <QString>

// The four fields of a server as the dialog edits them and as a servers.dat entry holds them.
struct ServerEntry {
    QString server;
    QString port;
    QString nickname;
    QString password;

    friend bool operator==(const ServerEntry&, const ServerEntry&) = default;
};

// servers.dat value of a server: port, nickname and password separated by single spaces. An
// empty field is written as "" and a field holding white space is quoted, so that reading it
// back with SplitFields(value, 3) gives the same three fields.
QString ServerValue(const ServerEntry& entry);
// The entry stored under key host with that value.
ServerEntry ServerEntryFromValue(const QString& host, const QString& value);
// Nickname and password lose what servers.dat cannot keep: double quotes (the splitter drops
// them) and control characters (they would break the line).
QString StorableField(const QString& text);
// A host can be a servers.dat key of a network section: not empty, no white space, control
// characters or "=", not starting with "[" or ";", and not one of the section's own keys
// "protocol" and "bookmark".
bool IsStorableServerName(const QString& host);
