#pragma once

// The login of a connection and the answers that decide it: the login message that goes out
// when the TCP connection opens (2, or 7 when the user asked to register the nickname; code 1
// of the second frame layout for servers outside the first protocol group), the handlers of
// 0, 3, 8, 9, 10 and the server statistics 214.
//
// The login acknowledgement marks the row "Connected" and writes the greeting lines; what it
// means to the chat (its pages) and to the share upload hangs on TServers::loginAcknowledged
// and on the share upload starter that the sharing work sets.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class DataPort;
class MessageDispatcher;
class StatusPanels;
class TServers;

class LoginHandler final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginHandler)

public:
    // Starts the share upload of a freshly logged-in server: shows "Sharing N file(s)" and
    // uploads the shared file list when there is one. Called for first-protocol servers only.
    using ShareUploadStarter = std::function<void(int serverIndex)>;

    static constexpr QStringView AlreadyRegisteredReason = u"Already registered";
    static constexpr QStringView InvalidNicknameReason = u"Invalid nickname";
    // Status for a server error (message 0) that carries no text.
    static constexpr QStringView EmptyServerErrorReason = u"Server error";

    // Registers its handlers with the dispatcher and logs in every connection that opens.
    LoginHandler(TServers& servers, MessageDispatcher& dispatcher, StatusPanels& statusPanels,
                 DataPort& dataPort, QObject* parent = nullptr);

    void setShareUploadStarter(ShareUploadStarter starter)
    {
        m_shareUploadStarter = std::move(starter);
    }

    // The login step, right after the TCP connection opened.
    void StartLogin(int serverIndex);
    void HandleLoginAck(int serverIndex, const QByteArray& payload);
    // 8: the nickname is free, so register it (message 6).
    void HandleNicknameFree(int serverIndex);
    // 0: the server refused us; its text is the reason.
    void HandleServerError(int serverIndex, const QByteArray& payload);
    // 214: users, files, gigabytes.
    void HandleServerStats(int serverIndex, const QByteArrayList& fields);

private:
    // Picks the data port when the listener is not running yet, then sends 2 or 6.
    void sendLogin(int serverIndex, int messageType);
    void disconnectWith(int serverIndex, const QString& reason);

    TServers& m_servers;
    StatusPanels& m_statusPanels;
    DataPort& m_dataPort;
    ShareUploadStarter m_shareUploadStarter;
};
