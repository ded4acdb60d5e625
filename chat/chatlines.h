#pragma once

// The lines of one text view, as a list model: the server messages of a connection, the
// Servers tab's shared notice view. Views mirror it row by row.
//
// A server can send notices without end, so the list keeps only its newest lines: past the
// line cap, or past the character cap (a notice can be 65,535 bytes long, so 9,999 of them
// would still be gigabytes), the oldest rows are removed, in one batch per append. The newest
// line stays even when it alone is over the character cap.

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

class ChatLines final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatLines)

public:
    static constexpr qsizetype DefaultMaxLines = 9999;
    static constexpr qsizetype MaxCharacters = 4 * 1024 * 1024;

    explicit ChatLines(qsizetype maxLines = DefaultMaxLines, QObject* parent = nullptr);

    qsizetype maxLines() const { return m_maxLines; }
    qsizetype count() const { return m_lines.size(); }
    // Characters held by all lines together.
    qsizetype characters() const { return m_characters; }
    bool isEmpty() const { return m_lines.isEmpty(); }
    const QStringList& lines() const { return m_lines; }
    QString line(qsizetype row) const { return m_lines.value(row); }

    void append(const QString& line);
    // Several lines in one insertion, so that a view never shows half of them.
    void append(const QStringList& lines);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void trimToCap();

    const qsizetype m_maxLines;
    QStringList m_lines;
    qsizetype m_characters = 0;
};
