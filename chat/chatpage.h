#pragma once

// One inner page of a connection's chat page: "Server Messages", "Hotlist", a channel page
// ("Channel: " + name) or a private page ("Msg: " + nickname). The node holds what the page
// shows; the widgets only draw it.
//
// - output(): the lines of the page's output view (none for "Hotlist").
// - topic(): the one-line topic view of a channel page (none for other pages).
// - userList(): the user list of a channel page, a model that the channel code provides and
//   the page owns. The model keeps its rows in display order (sorted as rows come; a header
//   click calls its sort()), so its row order is the order that nickname completion walks.
//   The nickname of a row is the display text of its first column.
// - label(): the text below the user list (the channel code writes it).
//
// A page carries its connection's server index. Its position among the inner pages (its page
// number) belongs to ServerPage, as numbers shift when a page before it closes.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class ChatLineModel;
class QAbstractItemModel;

class ChatPage final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatPage)

public:
    enum class Kind { ServerMessages, Hotlist, Channel, Private };
    Q_ENUM(Kind)

    // Captions of the two pages every connection starts with, and the prefixes of the others.
    static constexpr QStringView ServerMessagesCaption = u"Server Messages";
    static constexpr QStringView HotlistCaption = u"Hotlist";
    static constexpr QStringView ChannelPrefix = u"Channel: ";
    static constexpr QStringView PrivatePrefix = u"Msg: ";

    ChatPage(int serverIndex, Kind kind, const QString& caption, QObject* parent = nullptr);
    ~ChatPage() override;

    int serverIndex() const { return m_serverIndex; }
    Kind kind() const { return m_kind; }
    bool isChannel() const { return m_kind == Kind::Channel; }
    bool isPrivate() const { return m_kind == Kind::Private; }
    QString caption() const { return m_caption; }
    // The caption's text after its first space: the channel name or the nickname; "Messages"
    // for "Server Messages"; the whole caption when it has no space ("Hotlist").
    QString name() const;
    // The name as the server spells it in bytes, for the messages sent from this page. A
    // name that came from the wire keeps its bytes (text that is not UTF-8 would not survive
    // a round trip through display text); otherwise it is the name in UTF-8.
    QByteArray wireName() const;
    void setWireName(const QByteArray& name) { m_wireName = name; }

    // Lines of the output view; null for "Hotlist".
    ChatLineModel* output() const { return m_output; }
    // The topic view of a channel page; null otherwise.
    ChatLineModel* topic() const { return m_topic; }

    // --- Channel pages: the user list and its label ---
    // Takes ownership of the model (a previous one is deleted). Rows are users; column 0 holds
    // the nickname.
    void setUserList(QAbstractItemModel* model);
    QAbstractItemModel* userList() const { return m_userList; }
    // Nicknames of the user list in display order.
    QStringList userNicknames() const;
    QString label() const { return m_label; }
    void setLabel(const QString& label);

    // Tab highlight: the page has lines the user has not seen (set by RefreshActivity).
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

Q_SIGNALS:
    void userListChanged();
    void labelChanged(const QString& label);
    void highlightedChanged(bool highlighted);

private:
    const int m_serverIndex;
    const Kind m_kind;
    const QString m_caption;
    QByteArray m_wireName;
    ChatLineModel* m_output = nullptr;
    ChatLineModel* m_topic = nullptr;
    QAbstractItemModel* m_userList = nullptr;
    QString m_label;
    bool m_highlighted = false;
};
