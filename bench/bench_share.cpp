#include "bench/bench_share.h"

#include "config/configkeys.h"
#include "config/configstore.h"
#include "protocol/debuglog.h"
#include "protocol/loginhandler.h"
#include "protocol/messagedispatcher.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "sharing/sharedcatalogue.h"
#include "sharing/sharescanner.h"
#include "sharing/shareuploads.h"
#include "tests/sharing/mp3fixtures.h"
#include "tests/support/fakeserver.h"
#include "tests/support/recordingprompts.h"
#include "transfers/dataportlistener.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int TopFolders = 20;
constexpr int SubFoldersEach = 19; // 20 + 20 * 19 = 400 folders
constexpr int FilesPerFolder = 50; // half MP3: 400 * 50 = 20,000 files

// The program's sharing core over one fake server, as app/ wires it (without the widgets; a
// sorting proxy stands in for the view's).
struct ShareCore {
    ShareCore(const QString& startDirectory, quint16 port)
    {
        QFile dat(QDir(startDirectory).filePath(u"servers.dat"_s));
        if (dat.open(QIODevice::WriteOnly))
            dat.write("[Protocols]\nOpennap=1\n\n[net]\nprotocol=Opennap\nbookmark=0\n127.0.0.1=" +
                      QByteArray::number(port) + " \"\" \"\"\n\n");
        dat.close();
        list.load(dat.fileName());
        config = std::make_unique<ConfigStore>(QDir(startDirectory).filePath(u"Tavolin.ini"_s));
        config->WriteInteger(ConfigKey::DefaultDataport, 0);
        servers = std::make_unique<TServers>(list, *config, debugLog);
        dispatcher = std::make_unique<MessageDispatcher>(*servers);
        panels = std::make_unique<StatusPanels>(*servers, list);
        listener = std::make_unique<DataPortListener>(*config, 0);
        login = std::make_unique<LoginHandler>(*servers, *dispatcher, *panels, *listener);
        catalogue = std::make_unique<SharedCatalogue>(*servers, prompts, startDirectory);
        catalogue->load();
        uploads = std::make_unique<ShareUploads>(*servers, *catalogue);
        scanner = std::make_unique<ShareScanner>(*servers, *catalogue);
        login->setShareUploadStarter([this](int index) { uploads->StartShareUpload(index); });
        proxy.setSourceModel(&catalogue->model());
        proxy.setSortRole(SharesModel::RawValueRole);
        proxy.sort(SharesModel::FileColumn);
    }
    ~ShareCore()
    {
        scanner.reset();
        uploads.reset();
        servers.reset();
    }

    ServerListModel list;
    DebugLog debugLog;
    RecordingPrompts prompts;
    std::unique_ptr<ConfigStore> config;
    std::unique_ptr<TServers> servers;
    std::unique_ptr<MessageDispatcher> dispatcher;
    std::unique_ptr<StatusPanels> panels;
    std::unique_ptr<DataPortListener> listener;
    std::unique_ptr<LoginHandler> login;
    std::unique_ptr<SharedCatalogue> catalogue;
    std::unique_ptr<ShareUploads> uploads;
    std::unique_ptr<ShareScanner> scanner;
    QSortFilterProxyModel proxy;
};

// Runs the event loop until `done` holds, and reports the longest gap between the ticks of a
// 10 ms timer meanwhile.
struct StallWatch {
    bool runUntil(const std::function<bool()>& done, int timeoutMs)
    {
        QElapsedTimer sinceTick;
        QTimer tick;
        tick.setInterval(10);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestNs = qMax(longestNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
        });
        tick.start();
        sinceTick.start();
        QElapsedTimer limit;
        limit.start();
        while (!done()) {
            if (limit.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        longestNs = qMax(longestNs, sinceTick.nsecsElapsed());
        return true;
    }
    qint64 longestNs = 0;
};

// A small MP3 file: one second of a tone from lame, or a run of hand-made frames (MPEG-1
// Layer III, 32 kbit/s, 32 kHz, mono: 144 bytes each) when lame is missing.
QByteArray SmallMp3(const QString& scratch)
{
    const QString lame = Mp3Fixtures::LamePath();
    if (!lame.isEmpty()) {
        const QString wav = QDir(scratch).filePath(u"tone.wav"_s);
        const QString mp3 = QDir(scratch).filePath(u"tone.mp3"_s);
        if (Mp3Fixtures::WriteToneWav(wav, 22050, 1, 22050) &&
            Mp3Fixtures::Encode(lame, wav, mp3, {u"-b"_s, u"32"_s, u"-m"_s, u"m"_s}).isEmpty()) {
            QFile file(mp3);
            if (file.open(QIODevice::ReadOnly))
                return file.readAll();
        }
    }
    QByteArray frame(144, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x18);
    frame[3] = char(0xC0);
    return frame.repeated(30);
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// 400 folders, two levels deep; each with 25 MP3 files and 25 text files.
bool MakeLibrary(const QString& root, const QByteArray& mp3)
{
    const QByteArray text(600, 't');
    QDir dir(root);
    for (int top = 0; top < TopFolders; ++top) {
        const QString topName = u"Artist %1"_s.arg(top, 2, 10, QLatin1Char('0'));
        QStringList folders{topName};
        for (int sub = 0; sub < SubFoldersEach; ++sub)
            folders.append(topName + u"/Album %1"_s.arg(sub, 2, 10, QLatin1Char('0')));
        for (const QString& folder : std::as_const(folders)) {
            if (!dir.mkpath(folder))
                return false;
            for (int i = 0; i < FilesPerFolder / 2; ++i) {
                const QString base = dir.filePath(
                    folder + u"/%1 - Track title number %1"_s.arg(i, 2, 10, QLatin1Char('0')));
                if (!WriteFile(base + u".mp3"_s, mp3) || !WriteFile(base + u".txt"_s, text))
                    return false;
            }
        }
    }
    return true;
}

int ShareFrameCount(const FakeServer& fake, int connection, int* batches)
{
    int count = 0;
    *batches = 0;
    for (const Frame& frame : fake.frames(connection)) {
        if (frame.type == 10300 || frame.type == 870 || frame.type == 102 || frame.type == 110)
            ++count;
        if (frame.type == 870)
            ++*batches;
    }
    return count;
}

// Waits until the fake has everything sent so far (a marker frame goes last).
bool Drain(ShareCore& core, FakeServer& fake, StallWatch& watch)
{
    core.servers->SendToServer(0, 751, {"marker"});
    return watch.runUntil(
        [&] {
            const QList<Frame> frames = fake.frames(0);
            return !frames.isEmpty() && frames.constLast().type == 751;
        },
        120000);
}

bool Login(ShareCore& core, FakeServer& fake)
{
    fake.setAutoReply(2, {Frame{3, "anon@127.0.0.1"}});
    core.servers->connectServer(0);
    StallWatch watch;
    return watch.runUntil(
        [&] { return core.list.cell(0, ServerListModel::StatusColumn) == u"Connected"_s; }, 10000);
}

} // namespace

void benchShare()
{
    static int argc = 3;
    static char name[] = "tavolin_bench";
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argv[] = {name, platform, offscreen, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QGuiApplication>(argc, argv);

    QTemporaryDir scratch;
    QTemporaryDir library;
    const QByteArray mp3 = SmallMp3(scratch.path());
    QElapsedTimer making;
    making.start();
    if (!MakeLibrary(library.path(), mp3)) {
        std::printf("share: cannot write the generated files\n");
        return;
    }
    const int files = (TopFolders + TopFolders * SubFoldersEach) * FilesPerFolder;
    std::printf("share setup: %d files (%d MP3 of %lld bytes) in %d folders written in %.1f s\n",
                files, files / 2, qint64(mp3.size()), TopFolders * (SubFoldersEach + 1),
                double(making.elapsed()) / 1000.0);

    // The scan, while connected.
    QTemporaryDir start;
    {
        FakeServer fake;
        ShareCore core(start.path(), fake.port());
        if (!Login(core, fake)) {
            std::printf("share scan: LOGIN FAILED\n");
            return;
        }
        bool finished = false;
        QObject::connect(core.scanner.get(), &ShareScanner::scanFinished, [&] { finished = true; });
        StallWatch watch;
        QElapsedTimer timer;
        timer.start();
        core.scanner->start(
            {{library.path()}, true, {"audio", "video", "image", "text", "application"}});
        const bool done = watch.runUntil([&] { return finished; }, 600000);
        const qint64 ns = timer.nsecsElapsed();
        const bool drained = Drain(core, fake, watch);
        int batches = 0;
        const int frames = ShareFrameCount(fake, 0, &batches);
        std::printf("share scan_20000: %s in %.2f s, %d files listed, %d rows, %d frames sent "
                    "(%d of them 870), all received: %s; longest event-loop stall %.1f ms "
                    "(timer of 10 ms, target < 100 ms)\n",
                    done ? "done" : "NOT DONE", double(ns) / 1e9,
                    int(core.catalogue->list().count()), core.catalogue->model().rowCount(), frames,
                    batches, drained ? "yes" : "NO", double(watch.longestNs) / 1e6);

        // The same folders again: every MP3 file has its row (the rows pass keeps them), and
        // the files without a row are announced again.
        finished = false;
        StallWatch again;
        timer.restart();
        core.scanner->start(
            {{library.path()}, true, {"audio", "video", "image", "text", "application"}});
        const bool doneAgain = again.runUntil([&] { return finished; }, 600000);
        const qint64 againNs = timer.nsecsElapsed();
        Drain(core, fake, again);
        int batchesAgain = 0;
        const int framesAgain = ShareFrameCount(fake, 0, &batchesAgain) - frames;
        std::printf("share rescan_20000: %s in %.2f s, %d rows kept, %d frames sent; longest "
                    "event-loop stall %.1f ms\n",
                    doneAgain ? "done" : "NOT DONE", double(againNs) / 1e9,
                    core.catalogue->model().rowCount(), framesAgain, double(again.longestNs) / 1e6);
    }

    // The upload after login of what the scan saved to shared.dat.
    {
        FakeServer fake;
        ShareCore core(start.path(), fake.port());
        bool finished = false;
        QObject::connect(core.uploads.get(), &ShareUploads::uploadFinished,
                         [&] { finished = true; });
        StallWatch watch;
        QElapsedTimer timer;
        timer.start();
        if (!Login(core, fake)) {
            std::printf("share upload: LOGIN FAILED\n");
            return;
        }
        const bool done = watch.runUntil([&] { return finished; }, 600000);
        const qint64 ns = timer.nsecsElapsed();
        const bool drained = Drain(core, fake, watch);
        int batches = 0;
        const int frames = ShareFrameCount(fake, 0, &batches);
        std::printf("share upload_20000: %s in %.2f s (from the connect), %d rows, %d frames sent "
                    "(%d of them 870), all received: %s; longest event-loop stall %.1f ms\n",
                    done ? "done" : "NOT DONE", double(ns) / 1e9,
                    core.catalogue->model().rowCount(), frames, batches, drained ? "yes" : "NO",
                    double(watch.longestNs) / 1e6);
    }
}
