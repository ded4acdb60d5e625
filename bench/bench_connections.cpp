#include "bench/bench_connections.h"

#include "config/configkeys.h"
#include "config/configstore.h"
#include "protocol/debuglog.h"
#include "protocol/loginhandler.h"
#include "protocol/messagedispatcher.h"
#include "protocol/serverlistmodel.h"
#include "protocol/servers.h"
#include "protocol/statuspanels.h"
#include "tests/support/fakeserver.h"
#include "transfers/dataportlistener.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The connection core as the program wires it, without chat, sharing or widgets.
struct Core {
    explicit Core(const QList<quint16>& ports)
    {
        QByteArray dat = "[Protocols]\nOpennap=1\n\n";
        for (int i = 0; i < int(ports.size()); ++i) {
            dat += "[net" + QByteArray::number(i) +
                   "]\nprotocol=Opennap\nbookmark=0\n127.0.0.1=" + QByteArray::number(ports[i]) +
                   " \"\" \"\"\n\n";
        }
        QFile file(dir.filePath(u"servers.dat"_s));
        if (file.open(QIODevice::WriteOnly))
            file.write(dat);
        file.close();
        list.load(file.fileName());
        config = std::make_unique<ConfigStore>(dir.filePath(u"Tavolin.ini"_s));
        config->WriteInteger(ConfigKey::DefaultDataport, 0);
        servers = std::make_unique<TServers>(list, *config, debugLog);
        dispatcher = std::make_unique<MessageDispatcher>(*servers);
        panels = std::make_unique<StatusPanels>(*servers, list);
        listener = std::make_unique<DataPortListener>(*config, 0);
        login = std::make_unique<LoginHandler>(*servers, *dispatcher, *panels, *listener);
    }
    ~Core() { servers.reset(); }

    bool waitUntil(const std::function<bool()>& done, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        return true;
    }

    QTemporaryDir dir;
    ServerListModel list;
    DebugLog debugLog;
    std::unique_ptr<ConfigStore> config;
    std::unique_ptr<TServers> servers;
    std::unique_ptr<MessageDispatcher> dispatcher;
    std::unique_ptr<StatusPanels> panels;
    std::unique_ptr<DataPortListener> listener;
    std::unique_ptr<LoginHandler> login;
};

// Sends `count` small 404 notices (counted, shown nowhere) through one logged-in connection
// and returns the nanoseconds from the first byte written to the last frame handled.
qint64 pushFrames(int count)
{
    FakeServer fake;
    fake.setAutoReply(2, {Frame{3, "anon@127.0.0.1"}});
    Core core({fake.port()});
    core.servers->connectServer(0);
    if (!core.waitUntil(
            [&] { return core.list.cell(0, ServerListModel::StatusColumn) == u"Connected"_s; },
            10000)) {
        std::printf("connections push %d: LOGIN FAILED\n", count);
        return -1;
    }

    int handled = 0;
    QEventLoop done;
    core.dispatcher->registerHandler(404, [&](int, const MessageInput&) {
        if (++handled == count)
            done.quit();
    });
    QByteArray burst;
    const QByteArray one = FakeServer::encode(404, "notice text");
    burst.reserve(one.size() * count);
    for (int i = 0; i < count; ++i)
        burst += one;

    QElapsedTimer timer;
    timer.start();
    fake.sendRaw(0, burst);
    QTimer::singleShot(600000, &done, &QEventLoop::quit);
    done.exec();
    const qint64 ns = timer.nsecsElapsed();
    if (handled != count)
        std::printf("connections push %d: WRONG RESULT (%d frames)\n", count, handled);
    std::printf("connections push_%d: %d frames in %.1f ms = %.0f frames/s, peak memory %ld KiB\n",
                count, handled, double(ns) / 1e6, handled * 1e9 / double(ns), peakMemoryKiB());
    return ns;
}

void connectMany(int count)
{
    std::vector<std::unique_ptr<FakeServer>> fakes;
    QList<quint16> ports;
    QList<Frame> answer{Frame{3, "anon@127.0.0.1"}, Frame{214, "1000 200000 800"}};
    for (int i = 0; i < 20; ++i)
        answer.append(Frame{621, "Welcome to this server, line " + QByteArray::number(i)});
    for (int i = 0; i < count; ++i) {
        fakes.push_back(std::make_unique<FakeServer>());
        fakes.back()->setAutoReply(2, answer);
        ports.append(fakes.back()->port());
    }
    Core core(ports);

    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        longestGapNs = qMax(longestGapNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    watch.start();
    sinceTick.start();

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        core.servers->connectServer(i);
    const qint64 connectCallNs = timer.nsecsElapsed();
    const bool all = core.waitUntil(
        [&] {
            for (int i = 0; i < count; ++i) {
                if (core.list.cell(i, ServerListModel::StatusColumn) != u"Connected"_s)
                    return false;
            }
            return true;
        },
        60000);
    const qint64 ns = timer.nsecsElapsed();
    watch.stop();
    std::printf("connections connect_%d: %s in %.1f ms (connect calls %.1f ms); longest "
                "event-loop gap %.1f ms (timer of 10 ms)\n",
                count, all ? "all connected" : "NOT ALL CONNECTED", double(ns) / 1e6,
                double(connectCallNs) / 1e6, double(longestGapNs) / 1e6);
}

} // namespace

void benchConnections()
{
    static int argc = 1;
    static char name[] = "tavolin_bench";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QCoreApplication>(argc, argv);

    const qint64 small = pushFrames(100'000);
    const qint64 large = pushFrames(1'000'000);
    if (small > 0 && large > 0)
        std::printf("connections push_ratio: 1,000,000 / 100,000 frames took %.2f times as long "
                    "(linear: 10, limit 12)\n",
                    double(large) / double(small));
    connectMany(50);
}
