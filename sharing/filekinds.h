#pragma once

// The five file kinds under which files other than MP3 are announced ("audio", "video",
// "image", "text", "application"), each with its set of extensions, filled once at start-up
// from the system's MIME database (shared-mime-info through QMimeDatabase) and read-only after
// that. A value type: the workers get their own copy, which is cheap (the sets are shared) and
// safe to read from any thread.
//
// Extensions are kept with their dot, in lower case; lookups ignore ASCII letter case. One
// extension may stand in several sets; FileKindOf tests the sets in the order of Kinds, so the
// first kind wins (an extension listed under "audio" and "video" is "audio").

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>

class FileKinds final {
public:
    static constexpr int KindCount = 5;
    // In the order in which FileKindOf tests them.
    static const std::array<QByteArray, KindCount>& Kinds();

    // Fills the sets from QMimeDatabase: for every MIME type whose top-level type (the text
    // before the first "/") is one of the five kinds, every file suffix it declares. Types of
    // other top-level types and types without suffixes are skipped; without a database the
    // sets stay empty and no file but MP3 can be shared.
    void LoadFileKinds();
    // The same from a given list of (MIME type name, suffixes without dot), in order.
    void loadFrom(const QList<std::pair<QString, QStringList>>& contentTypes);

    // "audio", "video", "image", "text", "application", or empty when the path's extension is
    // in no set (also when it has none).
    QByteArray FileKindOf(const QByteArray& path) const;
    // The set of one kind (lower case, with dots); empty for an unknown kind.
    QSet<QByteArray> extensions(const QByteArray& kind) const;
    bool isEmpty() const;

private:
    std::array<QSet<QByteArray>, KindCount> m_sets;
};
