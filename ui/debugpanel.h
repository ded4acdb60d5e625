#pragma once

// DebugPanel, at the bottom of the main window in debug mode only: the incoming and outgoing
// frame lines of DebugLog in two lists, each showing its newest line.

#include "protocol/debuglog.h"

#include <QWidget>

class QComboBox;

class DebugPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DebugPanel)

public:
    explicit DebugPanel(DebugLog& log, QWidget* parent = nullptr);

    QComboBox* incomingList() const { return m_incoming; }
    QComboBox* outgoingList() const { return m_outgoing; }

private:
    void addLine(DebugLog::Direction direction, const QString& line);

    QComboBox* m_incoming = nullptr;
    QComboBox* m_outgoing = nullptr;
};
