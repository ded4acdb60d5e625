#pragma once

// The catalogue of shared files: the shared file list with shared.dat, the file kinds, the
// Shares view's model and the icon cache, and the view's two actions (Unshare, open a file).
// Created once by app/ on the main thread; the upload after login (ShareUploads) and the
// folder scan (ShareScanner) work on it from the main thread, with what their workers found.
//
// Start-up: load() reads shared.dat and then the file kinds. The Shares view starts empty and
// fills as files are announced. When the last connection record goes, the view empties through
// the row-removal rule (the list keeps its entries).

#include "sharing/filekinds.h"
#include "sharing/iconcache.h"
#include "sharing/sharedfilelist.h"
#include "sharing/sharesmodel.h"

#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QString>

class TServers;
class UserPrompts;

class SharedCatalogue final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SharedCatalogue)

public:
    SharedCatalogue(TServers& servers, UserPrompts& prompts, const QString& startDirectory,
                    QObject* parent = nullptr);

    // LoadSharedList, then LoadFileKinds.
    void load();

    TServers& servers() const { return m_servers; }
    UserPrompts& prompts() const { return m_prompts; }
    QString sharedDatPath() const { return m_sharedDatPath; }
    SharedFileList& list() { return m_list; }
    const SharedFileList& list() const { return m_list; }
    const FileKinds& kinds() const { return m_kinds; }
    // Tests give their own kinds; the program loads them once.
    void setKinds(const FileKinds& kinds) { m_kinds = kinds; }
    SharesModel& model() { return m_model; }
    IconCache& icons() { return m_icons; }

    // Sends one message to every connection record, in the registry's order. A message that
    // would not fit one frame is not sent (returns false).
    bool sendToAll(int messageType, const QByteArrayList& fields);

    // Unshare: for each row, in the order given (the order of the user's selection), 102 with
    // its path goes to every connection record and the path leaves the shared file list; then
    // the rows go through the removal rule. shared.dat changes at the end of the next scan.
    void Unshare(const QList<int>& rows);
    // Hands the row's file to the desktop, which opens it with its program for that type.
    void openFile(int row);

    // The program's close: the view's rows no longer run the removal rule.
    void detachRowRemoval();

private:
    TServers& m_servers;
    UserPrompts& m_prompts;
    const QString m_sharedDatPath;
    SharedFileList m_list;
    FileKinds m_kinds;
    IconCache m_icons;
    SharesModel m_model;
    bool m_rowRemovalAttached = true;
};
