#pragma once

// Whois answers (604): the fields of the "Whois Info" window, worked out from the message,
// and the request (603). The window (TWhoisForm) only draws a WhoisInfo.
//
// 604 carries ten fields and, from servers that tell more (to moderators and above), an
// eleventh made of the rest of the message: total downloads, total uploads, address, listen
// port, data port, server. Without it those six fields are shown disabled.

#include <QByteArrayList>
#include <QColor>
#include <QObject>
#include <QString>

class MessageDispatcher;
class TServers;
struct MessageInput;

struct WhoisInfo {
    QString caption; // nickname + "@" + our own address on that server
    QString user;
    QString userClass;
    QColor classColor;
    QString ip;
    QString client;
    QString line; // the speed name
    QColor lineColor;
    QString status;
    QString time; // seconds online as "1 d 2 h 3 m 4 s "
    QString server;
    QString channels;
    QString shared;
    QString downloads;
    QString uploads;
    QString listenPort;
    QString dataPort;
    QString totalUploads;
    QString totalDownloads;
    // False when the answer has no eleventh field.
    bool extraEnabled = false;

    // From the eleven fields of a 604 (SplitFields, 11).
    static WhoisInfo fromFields(const QByteArrayList& fields, const QString& ownAddress);
};

class Whois final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Whois)

public:
    // Registers 604.
    Whois(TServers& servers, MessageDispatcher& dispatcher, QObject* parent = nullptr);

    // 603 with the nickname.
    void RequestWhois(int serverIndex, const QString& nickname);

    // The answer last shown.
    const WhoisInfo& last() const { return m_last; }

Q_SIGNALS:
    // Show the whois window with these fields.
    void whoisReceived(const WhoisInfo& info);

private:
    TServers& m_servers;
    WhoisInfo m_last;
};
