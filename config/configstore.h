#pragma once

// The in-memory copy of Tavolin.ini. One instance per process, created over the file's path.
//
// File format: INI text. Reads look only at section "Tavolin"; section and key names match
// without regard to case. Everything else in the file (other sections, comments, lines that are
// not "key=value") is kept and written back unchanged, so hand edits are never lost.
//
// Decisions for text the format leaves open:
// - Each line is decoded on its own: UTF-8 when the line is valid UTF-8, else Latin-1. Lines
//   this store writes are UTF-8. A UTF-8 byte order mark at the start of the file is ignored.
// - A text value is every character after the first "=" up to the end of the line; a CR
//   before the LF is a line end, not part of the value. Spaces are kept.
// - Key names are compared after trimming white space around them ("key = v" has key "key").
// - Integers: optional white space around, an optional sign, then decimal digits or "0x"/"0X"
//   and hexadecimal digits. Anything else, and any value outside the range of int (also in
//   hex: 0xFFFFFFFF is out of range, not -1), reads as the caller's default.
// - Booleans: an integer as above with the default 1 or 0; any non-zero integer is true.
// - A written text has each CR and LF replaced by a space, so that one value stays one line.
//   A key that is empty or holds "=", CR or LF, or begins with "[", ";" or "#", cannot be
//   read back and is not written.
//
// Threads: reads may come from any thread while another thread writes; reads share a lock,
// writes take it exclusively. Flush copies the lines under the read lock and writes the file
// outside it; flushes from two threads run one after the other.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QReadWriteLock>
#include <QString>
#include <QStringView>

class ConfigStore final {
public:
    // Loads the file once. A missing file is an empty store. A file that exists but cannot be
    // read is an empty store too, and Flush will refuse to replace it (see Flush).
    explicit ConfigStore(const QString& filePath);
    Q_DISABLE_COPY_MOVE(ConfigStore)

    QString FilePath() const { return m_filePath; }

    // The stored value, or defaultValue when the key is missing (or, for numbers, invalid).
    // They never fail.
    QString ReadString(QStringView key, QStringView defaultValue) const;
    int ReadInteger(QStringView key, int defaultValue) const;
    bool ReadBool(QStringView key, bool defaultValue) const;

    // Change the memory copy only; the file changes at the next Flush. An existing key keeps
    // its line, its position and the spelling of its name; a new key is appended to the
    // section "Tavolin", which is created when the file has none.
    void WriteString(QStringView key, QStringView text);
    void WriteInteger(QStringView key, int value);
    void WriteBool(QStringView key, bool value);

    // Writes the whole memory copy to the file as a new file that atomically replaces the old
    // one, so a crash or a full disk never leaves a truncated file: on failure the old file
    // stays as it was. Returns false with a reason for the user in *errorText on failure.
    bool Flush(QString* errorText = nullptr);

private:
    struct Line {
        enum class Kind { Other, Section, Entry };
        Kind kind = Kind::Other;
        // Bytes as read, without the line end. Written back unchanged unless `changed`.
        QByteArray raw;
        // Section: the name between the brackets, trimmed. Entry: the key, trimmed.
        QString name;
        // Entry: the text before the first "=", as spelled in the file.
        QString keyText;
        // Entry: the text after the first "=".
        QString value;
        bool changed = false;
    };

    void Load();
    static Line ParseLine(const QByteArray& raw);
    // Index of the key's line in a "Tavolin" section, or -1. Caller holds the lock.
    qsizetype FindEntry(QStringView key) const;
    // Index at which a new key of section "Tavolin" goes, or -1 when there is no such section.
    qsizetype NewEntryPosition() const;
    void Write(QStringView key, const QString& value);

    const QString m_filePath;
    mutable QReadWriteLock m_lock;
    QMutex m_flushMutex;
    QList<Line> m_lines;
    QByteArray m_lineEnd = QByteArrayLiteral("\n");
    // Non-empty when the file existed but could not be read at start-up.
    QString m_loadError;
};
