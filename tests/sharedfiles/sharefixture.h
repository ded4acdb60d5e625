#pragma once

// Helpers of the sharing tests: a client core wired with the sharing objects as app/ wires
// them (over the connections tests' Client fixture), a folder of test files, the MP3 files made
// once with lame, and the share frames a fake server received.

#include "protocol/framereader.h"
#include "sharing/sharedcatalogue.h"
#include "sharing/sharescanner.h"
#include "sharing/shareuploads.h"
#include "tests/connections/clientfixture.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class FakeServer;

// The share messages' types.
bool IsShareFrame(const Frame& frame);
// The share frames a connection of the fake sent, in order, once everything the client sent
// before now has arrived (a marker frame goes out and is waited for).
QList<Frame> ShareFramesSoFar(FakeServer& fake, class ShareClient& client, int serverIndex,
                              int connection);

// A temporary folder that is removed by native paths, so that names which are not valid UTF-8
// (which QDir cannot name) go too.
class FilesDir {
public:
    FilesDir() = default;
    ~FilesDir();
    Q_DISABLE_COPY_MOVE(FilesDir)
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    QByteArray native() const;

private:
    QTemporaryDir m_dir;
};

// The native path of a file in a folder: folder bytes + "/" + name bytes.
QByteArray Native(const QString& folder, const QByteArray& name);
// Writes `bytes` to the native path, creating missing folders. False on failure.
bool WriteNative(const QByteArray& path, const QByteArray& bytes);
QByteArray ReadNative(const QByteArray& path);

// A client with its catalogue, upload and scanner, over servers on the given ports.
class ShareClient {
public:
    explicit ShareClient(const QList<int>& ports);
    ~ShareClient();

    // Writes shared.dat in the start directory and loads it (start-up).
    void writeSharedDat(const QByteArray& content);
    QByteArray sharedDat() const;
    QString sharedDatPath() const { return catalogue->sharedDatPath(); }
    bool sharedDatExists() const;

    // Starts a scan and waits for its end.
    bool scan(const QStringList& folders, bool withSubfolders = true,
              const QByteArrayList& kinds = AllKinds(), int timeoutMs = 20000);
    static QByteArrayList AllKinds();

    // Connects and logs in; waits for the upload after login to end when there is one.
    bool connectAndWaitForUpload(FakeServer& fake, int serverIndex, int timeoutMs = 20000);

    // Full paths of the Shares view's rows, in row order.
    QList<QByteArray> rowPaths() const;

    Client client;
    std::unique_ptr<SharedCatalogue> catalogue;
    std::unique_ptr<ShareUploads> uploads;
    std::unique_ptr<ShareScanner> scanner;
};

// MP3 files made once per test run with lame.
class Mp3Files {
public:
    // Makes the files; false (with the reason) when lame is missing or failed.
    bool make(QString* why);
    // 3 s of a tone, 128 kbit/s constant bitrate, 44100 Hz stereo.
    QByteArray cbr() const { return m_cbr; }
    // Variable bitrate (a Xing header): announced with bitrate 8.
    QByteArray vbr() const { return m_vbr; }

    // The values a CBR copy of cbr() is announced with.
    static constexpr int CbrBitRate = 128;
    static constexpr int CbrSampleRate = 44100;
    qint64 cbrDuration() const { return qint64(m_cbr.size()) * 8 / (CbrBitRate * 1000); }

private:
    QTemporaryDir m_dir;
    QByteArray m_cbr;
    QByteArray m_vbr;
};

// The entry of a file in a folder batch.
QByteArray ExpectedEntry(const QByteArray& name, qint64 size, int bitRate, int sampleRate,
                         qint64 duration);
