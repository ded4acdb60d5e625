#pragma once

// The debug panel's two lists, "Incoming:" and "Outgoing:": one line per frame received or
// sent, "Server: <index> Len: <payload length> Msg: <type> Text: <payload>". Lines are made only
// while the log is enabled (the program was started with "/debug"); otherwise nothing is
// formatted or kept.
//
// A busy or hostile server can send without end, so each list keeps only its newest lines:
// at most MaxLines lines and MaxCharacters characters (a payload can be 65,535 bytes, so the
// line count alone would still allow gigabytes). The oldest lines go first.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>

class DebugLog final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DebugLog)

public:
    enum class Direction { Incoming, Outgoing };

    static constexpr qsizetype MaxLines = 10000;
    static constexpr qsizetype MaxCharacters = 8 * 1024 * 1024;

    explicit DebugLog(QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }

    // The line for one frame, as it is shown.
    static QString formatLine(int serverIndex, qsizetype length, quint32 type,
                              const QByteArray& payload);
    // Adds the line for one frame when the log is enabled.
    void add(Direction direction, int serverIndex, qsizetype length, quint32 type,
             const QByteArray& payload);

    QStringList lines(Direction direction) const;
    qsizetype lineCount(Direction direction) const;
    // The newest line, which the panel shows; empty when there is none.
    QString lastLine(Direction direction) const;

Q_SIGNALS:
    // A line was appended (older lines may have been dropped to make room).
    void lineAdded(DebugLog::Direction direction, const QString& line);

private:
    struct List {
        std::deque<QString> lines;
        qsizetype characters = 0;
    };
    List& list(Direction direction)
    {
        return direction == Direction::Incoming ? m_incoming : m_outgoing;
    }
    const List& list(Direction direction) const
    {
        return direction == Direction::Incoming ? m_incoming : m_outgoing;
    }

    bool m_enabled = false;
    List m_incoming;
    List m_outgoing;
};
