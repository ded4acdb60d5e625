#pragma once

// The channel list window's state (TChannelListForm draws it): the rows the server lists
// (618), one per channel in arrival order, the counter text below them, the window title and
// whether the list is complete (617 ends it).
//
// The window opens in two forms. From a menu ("List Channels") it is modal: a double-click on
// a row, once the list is complete, closes it and joins that channel (400 to the server that
// was asked); the rows are cleared when it closes. From the LIST command it is not modal, the
// rows are cleared as it opens, and a double-click joins nothing. While the window is shown no
// further list request (617) goes out, and while the list is incomplete the window refuses to
// close - unless the connection that was asked goes away, since its list can then never end.
//
// The window is shown and hidden through this object: showRequested / closeRequested ask the
// widget, windowClosed reports a close the widget allowed (canClose).

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QString>

class ChatPages;
class MessageDispatcher;
class TServers;
struct MessageInput;

class ChannelList final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChannelList)

public:
    enum Column { ChannelColumn = 0, UsersColumn, TopicColumn };
    static constexpr int ColumnCount = 3;
    // A server may list without end; rows beyond this are not kept.
    static constexpr int MaxRows = 100000;

    struct Entry {
        QByteArray channelBytes; // as received, for the join
        QString channel;
        QString users;
        QString topic;
    };

    // Registers 617 and 618, filters the registry's 617 requests and answers "List Channels"
    // of the channel pages.
    ChannelList(TServers& servers, MessageDispatcher& dispatcher, ChatPages& chatPages,
                QObject* parent = nullptr);
    ~ChannelList() override;

    QString title() const { return m_title; }
    QString counterText() const { return m_counterText; }
    bool isShown() const { return m_shown; }
    bool isModal() const { return m_modal; }
    bool isListComplete() const { return m_listComplete; }
    const Entry& entry(int row) const { return m_entries.at(row); }
    int count() const { return int(m_entries.size()); }

    // "List Channels" of a channel page or of the server list: asks the server for its list
    // and shows the window modally.
    void ListChannels(int serverIndex);
    // The LIST command: asks for the list, shows the window without making it modal and
    // clears its rows at once.
    void ListChannelsFromCommand(int serverIndex);
    // The part after the request, for a command that has sent 617 itself.
    void ShowFromCommand(int serverIndex);

    // --- The window's reports ---
    // A double-click on a row.
    void rowActivated(int row);
    // Whether the window may close now.
    bool canClose() const { return m_listComplete; }
    // The window closed (only ever after canClose()).
    void windowClosed();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void showRequested(bool modal);
    void closeRequested();
    void titleChanged(const QString& title);
    void counterTextChanged(const QString& text);

private:
    bool allowRequest(int serverIndex);
    void show(int serverIndex, bool modal);
    void listEntry(int serverIndex, const MessageInput& input); // 618
    void listEnd();                                             // 617
    void clearRows();
    void setTitle(const QString& title);
    void setCounterText(const QString& text);
    void connectionEnded(int serverIndex);

    TServers& m_servers;
    QList<Entry> m_entries;
    QString m_title;
    QString m_counterText;
    bool m_shown = false;
    bool m_modal = false;
    bool m_listComplete = true;
    int m_serverIndex = -1;
    // The channel to join when the modal window closes.
    QByteArray m_chosenChannel;
    bool m_joinChosen = false;
};
