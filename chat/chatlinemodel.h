#pragma once

// The lines of one chat output view: each line's tagged text as appended (what /paste sends
// again) and its display text with format runs, converted once when the line comes in.
//
// A view keeps at most maxLines() lines; appending past that drops the oldest ones. Lines
// never change once appended, so a view may cache whatever it derives from a line under the
// line's serial number, which stays the same while row numbers shift down as old lines go.
//
// Memory: a line costs its tagged bytes, its text and (only when it has any formatting) a
// few 12-byte runs; nothing per line is kept for drawing.

#include "chat/irctags.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>

// One stored line. Only implicitly shared Qt containers, which may be moved in memory as they
// are: dropping the oldest line then just moves the list's start.
struct ChatLine {
    QByteArray tagged;
    TaggedLineParts parts;
};
Q_DECLARE_TYPEINFO(ChatLine, Q_RELOCATABLE_TYPE);

class ChatLineModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatLineModel)

public:
    static constexpr int DefaultMaxLines = 9999;
    enum Role {
        // The tagged bytes as appended (QByteArray).
        TaggedTextRole = Qt::UserRole + 1,
    };

    explicit ChatLineModel(QObject* parent = nullptr);
    explicit ChatLineModel(int maxLines, QObject* parent = nullptr);

    int maxLines() const { return m_maxLines; }
    int lineCount() const { return int(m_lines.size()); }
    // Tagged text of line i as appended, tags included; empty when i is out of range.
    QByteArray storedText(int i) const;
    // Display text and runs of line i; an empty line for i out of range.
    const TaggedLineParts& parts(int i) const;
    // The target of a link key found in the runs of line i (see LinkTarget in irctags.h).
    QString linkTarget(int i, qint32 link) const;

    // Serial number of line i: counts every line ever appended to this model, so it names
    // the same line while its row number changes.
    qint64 lineSerial(int i) const { return m_firstSerial + i; }
    // Row of a serial, or -1 when that line is gone.
    int rowOfSerial(qint64 serial) const;

    void appendLine(QByteArrayView taggedLine);
    // One insertion for the whole batch, so that views do their work once.
    void appendLines(const QList<QByteArray>& taggedLines);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    static ChatLine makeLine(QByteArrayView taggedLine);
    // Removes the oldest lines so that `incoming` more fit under the cap.
    void makeRoomFor(qsizetype incoming);

    const int m_maxLines;
    QList<ChatLine> m_lines;
    qint64 m_firstSerial = 0;
};
