#pragma once

// The Shares view's table (SharedElTree): one row per shared file that was announced or found in
// this run, with its running total of kilobytes and the status text of panel 4 ("Sharing: 3
// file(s), 0.01 GB"). Main thread only; the workers hand rows over by queued call.
//
// A row is complete as soon as it is added (all six values come together), so adding a row runs
// the completion rule at once: its Size (kB) goes into the running total, the status text is
// set, and its extension gets its icon from the icon cache. Removing a row runs the removal
// rule (the total goes down, the status text follows) unless the rule was switched off for the
// program's close. Rows are added and removed in batches, one insert or removal per run of
// rows, so that tens of thousands of files do not cost one view update each.
//
// Columns sort on RawValueRole: numbers for the number columns (so 100 kB sorts after 99 kB),
// the text for File and Folder (the view compares those without case).

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <array>

class IconCache;

struct ShareRow {
    QByteArray folder;   // with its trailing separator
    QByteArray fileName; // no folder
    qint64 sizeKb = 0;   // bytes div 1024
    int bitRate = 0;
    qint64 duration = 0; // seconds
    int sampleRate = 0;
    int icon = -1; // position in the icon cache, set when the row is added

    QByteArray fullPath() const { return folder + fileName; }
    // A row for a path with its size in bytes.
    static ShareRow fromPath(const QByteArray& path, qint64 sizeBytes, int bitRate, qint64 duration,
                             int sampleRate);
};

class SharesModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SharesModel)

public:
    enum Column {
        FileColumn = 0,
        SizeColumn,
        BitrateColumn,
        LengthColumn,
        FreqColumn,
        FolderColumn,
        ColumnCount
    };
    // Header widths of the view, column by column.
    static constexpr std::array<int, ColumnCount> ColumnWidths{350, 60, 60, 60, 60, 319};
    enum Role {
        RawValueRole = Qt::UserRole + 1,
        // The row's full path as its native bytes (QByteArray).
        FullPathRole,
    };

    explicit SharesModel(IconCache& icons, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const ShareRow& shareRow(int row) const { return m_rows.at(row); }
    QByteArray fullPath(int row) const { return m_rows.at(row).fullPath(); }
    // Whether a row with exactly this folder and file name is shown.
    bool hasRow(const QByteArray& fullPath) const { return m_paths.contains(fullPath); }
    // The first row with this full path, or -1.
    int findRow(const QByteArray& fullPath) const;

    // Appends rows, each completed at once. With skipExisting a row whose full path is already
    // shown (or that comes twice in `rows`) is left out.
    void addRows(QList<ShareRow> rows, bool skipExisting);
    // Deletes rows (positions in any order) through the removal rule.
    void removeShareRows(QList<int> rows);
    // Every row through the removal rule (the last connection went).
    void emptyWithTotals();
    // Every row without the rule; total 0 and "Sharing: 0 file(s), 0 GB" (a scan found nothing).
    void emptyReset();
    // The program's close switches the removal rule off, so the status text stays as it is
    // while the connections go.
    void setRemovalRuleEnabled(bool enabled) { m_removalRule = enabled; }

    // Sum of the Size (kB) of the rows.
    quint64 runningTotalKb() const { return m_totalKb; }
    // Panel 4's text as the rows last set it; empty until a row came or went.
    QString statusText() const { return m_statusText; }

    // "nn:ss", minutes counted modulo 60: 3725 s -> "02:05".
    static QString FormatLength(qint64 seconds);
    // "Sharing: " + rows + " file(s), " + GB with two decimals + " GB".
    static QString StatusText(qsizetype rows, quint64 totalKb);
    static QString ResetStatusText();

Q_SIGNALS:
    void statusTextChanged(const QString& text);

private:
    void setStatusText(const QString& text);
    void forgetPath(const QByteArray& path);

    IconCache& m_icons;
    QList<ShareRow> m_rows;
    // Full path -> number of rows with it.
    QHash<QByteArray, int> m_paths;
    quint64 m_totalKb = 0;
    QString m_statusText;
    bool m_removalRule = true;
};
