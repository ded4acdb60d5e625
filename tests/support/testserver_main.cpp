// tavolin-testserver: the routing test server as a program, so that people can point clients
// at it. Every frame in and out is logged as one line on standard output.
//
//   tavolin-testserver [--port 8888] [--listen 127.0.0.1] [--motd-file F] [--users-file F]

#include "tests/support/routingserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qsizetype PreviewBytes = 160;

// Payload bytes as one printable line: control and 8-bit bytes as \xNN, a backslash doubled.
QByteArray Preview(const QByteArray& payload)
{
    QByteArray out;
    for (qsizetype i = 0; i < payload.size() && i < PreviewBytes; ++i) {
        const auto byte = static_cast<unsigned char>(payload[i]);
        if (byte == '\\')
            out += "\\\\";
        else if (byte < 0x20 || byte >= 0x7f)
            out += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            out += char(byte);
    }
    if (payload.size() > PreviewBytes)
        out += "...";
    return out;
}

void PrintLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout); // lines appear at once when the output goes to a file or a pipe
}

// Ctrl+C and SIGTERM end the event loop instead of the process, so that the server closes
// its connections properly. The handler only writes a byte; the loop picks it up.
int g_signalFds[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalFds[0], &byte, 1);
}

void QuitOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0)
        return; // Ctrl+C then just ends the process, which is fine too
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalFds[1], &byte, 1);
        QCoreApplication::quit();
    });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
}

bool ReadMotd(const QString& path, QByteArrayList& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    lines.clear();
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavolin-testserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A small OpenNap server for trying Tavolin clients against each other."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0: any free port)."),
                                        QStringLiteral("port"), QStringLiteral("8888"));
    const QCommandLineOption listenOption(QStringLiteral("listen"),
                                          QStringLiteral("Address to listen on."),
                                          QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption motdOption(
        QStringLiteral("motd-file"),
        QStringLiteral("Message of the day, one line per 621 message."), QStringLiteral("file"));
    const QCommandLineOption usersOption(
        QStringLiteral("users-file"),
        QStringLiteral("Registered nicknames, \"nickname password\" per line; kept up to date."),
        QStringLiteral("file"));
    parser.addOptions({portOption, listenOption, motdOption, usersOption});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    const QHostAddress address(parser.value(listenOption));
    if (!portOk || port > 65535 || address.isNull()) {
        std::fprintf(stderr, "tavolin-testserver: bad --port or --listen value\n");
        return 2;
    }

    RoutingServer server;
    if (parser.isSet(motdOption)) {
        QByteArrayList motd;
        if (!ReadMotd(parser.value(motdOption), motd)) {
            std::fprintf(stderr, "tavolin-testserver: cannot read %s\n",
                         qPrintable(parser.value(motdOption)));
            return 1;
        }
        server.setMotd(motd);
    }
    if (parser.isSet(usersOption) && !server.setUsersFile(parser.value(usersOption))) {
        std::fprintf(stderr, "tavolin-testserver: cannot read %s\n",
                     qPrintable(parser.value(usersOption)));
        return 1;
    }
    if (!server.listen(address, quint16(port))) {
        std::fprintf(stderr, "tavolin-testserver: cannot listen on %s:%u: %s\n",
                     qPrintable(address.toString()), port, qPrintable(server.errorString()));
        return 1;
    }

    // Each line starts with the connection number and, once logged in, the nickname.
    QHash<quint64, QByteArray> labels;
    const auto label = [&labels](quint64 session) {
        const QByteArray nickname = labels.value(session);
        return '#' + QByteArray::number(session) + (nickname.isEmpty() ? "" : " " + nickname);
    };
    const auto logFrame = [&label](quint64 session, const char* direction, const Frame& frame) {
        PrintLine(label(session) + ' ' + direction + " type " + QByteArray::number(frame.type) +
                  " len " + QByteArray::number(frame.payload.size()) +
                  (frame.payload.isEmpty() ? "" : ": " + Preview(frame.payload)));
    };
    QObject::connect(&server, &RoutingServer::connectionOpened,
                     [&label](quint64 session, const QHostAddress& peer, quint16 peerPort) {
                         PrintLine(label(session) + " connected from " +
                                   peer.toString().toLatin1() + ':' + QByteArray::number(peerPort));
                     });
    QObject::connect(&server, &RoutingServer::connectionClosed, [&label, &labels](quint64 session) {
        PrintLine(label(session) + " closed");
        labels.remove(session);
    });
    QObject::connect(
        &server, &RoutingServer::frameReceived,
        [&logFrame](quint64 session, const Frame& frame) { logFrame(session, "in ", frame); });
    QObject::connect(
        &server, &RoutingServer::frameSent,
        [&logFrame](quint64 session, const Frame& frame) { logFrame(session, "out", frame); });
    QObject::connect(&server, &RoutingServer::userLoggedIn,
                     [&labels, &server](quint64 session, const QByteArray& nickname) {
                         labels.insert(session, nickname);
                         PrintLine('#' + QByteArray::number(session) + " logged in as " +
                                   Preview(nickname) + " (" +
                                   QByteArray::number(server.userCount()) + " online)");
                     });

    QuitOnSignals(app);
    PrintLine("listening on " + server.address().toString().toLatin1() + ':' +
              QByteArray::number(server.port()));
    const int result = QCoreApplication::exec();
    PrintLine("stopped");
    return result;
}
