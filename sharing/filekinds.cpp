#include "sharing/filekinds.h"

#include "sharing/sharepath.h"

#include <QMimeDatabase>
#include <QMimeType>

const std::array<QByteArray, FileKinds::KindCount>& FileKinds::Kinds()
{
    static const std::array<QByteArray, KindCount> kinds{
        QByteArrayLiteral("audio"), QByteArrayLiteral("video"), QByteArrayLiteral("image"),
        QByteArrayLiteral("text"), QByteArrayLiteral("application")};
    return kinds;
}

void FileKinds::LoadFileKinds()
{
    QList<std::pair<QString, QStringList>> contentTypes;
    const QList<QMimeType> all = QMimeDatabase().allMimeTypes();
    contentTypes.reserve(all.size());
    for (const QMimeType& type : all)
        contentTypes.append({type.name(), type.suffixes()});
    loadFrom(contentTypes);
}

void FileKinds::loadFrom(const QList<std::pair<QString, QStringList>>& contentTypes)
{
    for (QSet<QByteArray>& set : m_sets)
        set.clear();
    for (const auto& [name, suffixes] : contentTypes) {
        const qsizetype slash = name.indexOf(u'/');
        const QByteArray topLevel = slash < 0 ? QByteArray() : name.left(slash).toUtf8();
        for (int kind = 0; kind < KindCount; ++kind) {
            if (topLevel != Kinds()[kind])
                continue;
            for (const QString& suffix : suffixes) {
                if (!suffix.isEmpty())
                    m_sets[kind].insert('.' + suffix.toUtf8().toLower());
            }
        }
    }
}

QByteArray FileKinds::FileKindOf(const QByteArray& path) const
{
    const QByteArray extension = PathExtension(path).toLower();
    if (extension.isEmpty())
        return QByteArray();
    for (int kind = 0; kind < KindCount; ++kind) {
        if (m_sets[kind].contains(extension))
            return Kinds()[kind];
    }
    return QByteArray();
}

QSet<QByteArray> FileKinds::extensions(const QByteArray& kind) const
{
    for (int i = 0; i < KindCount; ++i) {
        if (Kinds()[i] == kind)
            return m_sets[i];
    }
    return {};
}

bool FileKinds::isEmpty() const
{
    for (const QSet<QByteArray>& set : m_sets) {
        if (!set.isEmpty())
            return false;
    }
    return true;
}
