#pragma once

// One connection's page in ChatPageControl: caption host + " (" + server index + ")", and the
// server frame that fills it. It carries the server index, by which every look-up finds it.

#include <QWidget>

class ChatPages;
class ServerPage;
class TServerFrame;

class TServerTabSheet final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TServerTabSheet)

public:
    TServerTabSheet(ServerPage& page, ChatPages& chatPages, QWidget* parent = nullptr);

    int serverIndex() const { return m_serverIndex; }
    TServerFrame* frame() const { return m_frame; }

private:
    const int m_serverIndex;
    TServerFrame* m_frame = nullptr;
};
