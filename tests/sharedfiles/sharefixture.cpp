#include "tests/sharedfiles/sharefixture.h"

#include "protocol/loginhandler.h"
#include "protocol/servers.h"
#include "sharing/sharemessages.h"
#include "tests/sharing/mp3fixtures.h"
#include "tests/support/fakeserver.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ftw.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 MarkerType = 751; // a ping: any type the fake records will do

QList<ServerSetup> Setups(const QList<int>& ports)
{
    QList<ServerSetup> setups;
    for (const int port : ports)
        setups.append(ServerSetup(port));
    return setups;
}

} // namespace

bool IsShareFrame(const Frame& frame)
{
    switch (frame.type) {
    case ShareMessage::ShareFile:
    case ShareMessage::UnshareFile:
    case ShareMessage::UnshareAll:
    case ShareMessage::ShareMpegFolder:
    case ShareMessage::ShareGeneric:
        return true;
    default:
        return false;
    }
}

QList<Frame> ShareFramesSoFar(FakeServer& fake, ShareClient& client, int serverIndex,
                              int connection)
{
    static int marker = 0;
    const QByteArray text = "marker" + QByteArray::number(++marker);
    client.client.servers->SendToServer(serverIndex, MarkerType, {text});
    const bool arrived = QTest::qWaitFor(
        [&] {
            const QList<Frame> frames = fake.frames(connection);
            return std::any_of(frames.cbegin(), frames.cend(), [&](const Frame& f) {
                return f.type == MarkerType && f.payload == text;
            });
        },
        10000);
    if (!arrived)
        qWarning("the marker frame did not arrive");
    QList<Frame> out;
    for (const Frame& frame : fake.frames(connection)) {
        if (IsShareFrame(frame))
            out.append(frame);
    }
    return out;
}

FilesDir::~FilesDir()
{
    // Depth first, links not followed; read-only folders are opened up first.
    nftw(
        native().constData(),
        [](const char* path, const struct stat*, int type, FTW*) {
            if (type == FTW_DP)
                chmod(path, 0700);
            remove(path);
            return 0; // go on whatever happened
        },
        32, FTW_DEPTH | FTW_PHYS);
}

QByteArray FilesDir::native() const
{
    return QFile::encodeName(m_dir.path());
}

QByteArray Native(const QString& folder, const QByteArray& name)
{
    return QFile::encodeName(folder) + '/' + name;
}

bool WriteNative(const QByteArray& path, const QByteArray& bytes)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0)
        QDir().mkpath(QFile::decodeName(path.left(slash)));
    FILE* file = std::fopen(path.constData(), "wb");
    if (!file)
        return false;
    const bool ok =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) == size_t(bytes.size());
    return std::fclose(file) == 0 && ok;
}

QByteArray ReadNative(const QByteArray& path)
{
    FILE* file = std::fopen(path.constData(), "rb");
    if (!file)
        return QByteArray();
    QByteArray out;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.append(buffer, qsizetype(n));
    std::fclose(file);
    return out;
}

ShareClient::ShareClient(const QList<int>& ports)
    : client(Setups(ports))
{
    catalogue =
        std::make_unique<SharedCatalogue>(*client.servers, client.prompts, client.dir.path());
    catalogue->load();
    uploads = std::make_unique<ShareUploads>(*client.servers, *catalogue);
    scanner = std::make_unique<ShareScanner>(*client.servers, *catalogue);
    client.login->setShareUploadStarter(
        [this](int serverIndex) { uploads->StartShareUpload(serverIndex); });
}

ShareClient::~ShareClient()
{
    // The workers end before the catalogue and the registry they use.
    scanner.reset();
    uploads.reset();
    client.login->setShareUploadStarter({});
}

void ShareClient::writeSharedDat(const QByteArray& content)
{
    QFile file(catalogue->sharedDatPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    file.close();
    catalogue->list().LoadSharedList(catalogue->sharedDatPath());
}

QByteArray ShareClient::sharedDat() const
{
    QFile file(catalogue->sharedDatPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ShareClient::sharedDatExists() const
{
    return QFileInfo::exists(catalogue->sharedDatPath());
}

QByteArrayList ShareClient::AllKinds()
{
    return {"audio", "video", "image", "text", "application"};
}

bool ShareClient::scan(const QStringList& folders, bool withSubfolders, const QByteArrayList& kinds,
                       int timeoutMs)
{
    QSignalSpy finished(scanner.get(), &ShareScanner::scanFinished);
    scanner->start({folders, withSubfolders, kinds});
    return finished.wait(timeoutMs);
}

bool ShareClient::connectAndWaitForUpload(FakeServer& fake, int serverIndex, int timeoutMs)
{
    QSignalSpy finished(uploads.get(), &ShareUploads::uploadFinished);
    const bool uploading = !catalogue->list().isEmpty();
    if (!client.connectAndLogin(fake, serverIndex, timeoutMs))
        return false;
    return !uploading || finished.count() > 0 || finished.wait(timeoutMs);
}

QList<QByteArray> ShareClient::rowPaths() const
{
    QList<QByteArray> out;
    for (int row = 0; row < catalogue->model().rowCount(); ++row)
        out.append(catalogue->model().fullPath(row));
    return out;
}

bool Mp3Files::make(QString* why)
{
    const QString lame = Mp3Fixtures::LamePath();
    if (lame.isEmpty()) {
        *why = u"lame is not installed: the MP3 files cannot be made (the README's test set-up "
               u"installs it)"_s;
        return false;
    }
    const QString wav = m_dir.filePath(u"tone.wav"_s);
    const QString cbr = m_dir.filePath(u"cbr.mp3"_s);
    const QString vbr = m_dir.filePath(u"vbr.mp3"_s);
    if (!Mp3Fixtures::WriteToneWav(wav, 44100, 2, 44100 * 3)) {
        *why = u"cannot write the WAV file"_s;
        return false;
    }
    *why = Mp3Fixtures::Encode(lame, wav, cbr, {u"-b"_s, u"128"_s, u"--cbr"_s, u"-m"_s, u"s"_s});
    if (why->isEmpty())
        *why = Mp3Fixtures::Encode(lame, wav, vbr, {u"-V"_s, u"5"_s, u"-m"_s, u"m"_s});
    if (!why->isEmpty())
        return false;
    QFile a(cbr);
    QFile b(vbr);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly)) {
        *why = u"cannot read the MP3 files"_s;
        return false;
    }
    m_cbr = a.readAll();
    m_vbr = b.readAll();
    return true;
}

QByteArray ExpectedEntry(const QByteArray& name, qint64 size, int bitRate, int sampleRate,
                         qint64 duration)
{
    return " \"" + name + "\" 00000000000000000000000000000000 " + QByteArray::number(size) + ' ' +
           QByteArray::number(bitRate) + ' ' + QByteArray::number(sampleRate) + ' ' +
           QByteArray::number(duration);
}
