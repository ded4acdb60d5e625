#pragma once

// TChannelListForm, "Channel List": the channels a server lists, with the counter text below.
// One instance for the program's life, always on top, hidden until the core asks for it
// (ChannelList::showRequested), modal when opened from a menu. It draws ChannelList and
// reports the user's gestures to it: a double-click on a row, and closing, which the core
// refuses while the list is incomplete. Closing only hides the window.

#include <QWidget>

class ChannelList;
class QLabel;
class QTreeView;

class TChannelListForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChannelListForm)

public:
    explicit TChannelListForm(ChannelList& channelList, QWidget* parent = nullptr);

    QTreeView* listView() const { return m_list; }
    QLabel* counterLabel() const { return m_counter; }

    // What ChannelList::showRequested asks for.
    void showAsRequested(bool modal);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ChannelList& m_channelList;
    QTreeView* m_list = nullptr;
    QLabel* m_counter = nullptr;
};
