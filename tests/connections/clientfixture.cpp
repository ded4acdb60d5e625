#include "tests/connections/clientfixture.h"

#include "config/configkeys.h"
#include "protocol/server.h"
#include "tests/support/fakeserver.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray serversDat(const QList<ServerSetup>& servers)
{
    QByteArray text = "[Protocols]\nOpennap=1\nSoulseek=1\n\n";
    QStringList networks;
    QList<QList<ServerSetup>> members;
    for (qsizetype i = 0; i < servers.size(); ++i) {
        const ServerSetup& setup = servers[i];
        const QString network =
            setup.network.isEmpty() ? u"net"_s + QString::number(i) : setup.network;
        qsizetype at = networks.indexOf(network);
        if (at < 0) {
            networks.append(network);
            members.append(QList<ServerSetup>());
            at = networks.size() - 1;
        }
        members[at].append(setup);
    }
    const auto field = [](const QString& value) {
        return value.isEmpty() ? QByteArray("\"\"") : value.toUtf8();
    };
    for (qsizetype n = 0; n < networks.size(); ++n) {
        text += "[" + networks[n].toUtf8() + "]\n";
        text += "protocol=" + members[n].first().protocol.toUtf8() + "\nbookmark=0\n";
        for (const ServerSetup& setup : std::as_const(members[n])) {
            text += setup.host.toUtf8() + "=" + QByteArray::number(setup.port) + " " +
                    field(setup.nickname) + " " + field(setup.password) + "\n";
        }
        text += "\n";
    }
    return text;
}

} // namespace

Client::Client(const QList<ServerSetup>& setups, const Settings& settings, bool keepDefaults)
{
    const QString datPath = dir.filePath(u"servers.dat"_s);
    QFile dat(datPath);
    if (dat.open(QIODevice::WriteOnly))
        dat.write(serversDat(setups));
    dat.close();
    list.load(datPath);

    config = std::make_unique<ConfigStore>(dir.filePath(u"Tavolin.ini"_s));
    if (!keepDefaults)
        config->WriteInteger(ConfigKey::DefaultDataport, 0);
    for (const auto& [key, value] : settings)
        config->WriteString(key, value);

    debugLog.setEnabled(true);
    servers = std::make_unique<TServers>(list, *config, debugLog);
    dispatcher = std::make_unique<MessageDispatcher>(*servers);
    panels = std::make_unique<StatusPanels>(*servers, list);
    listener = std::make_unique<DataPortListener>(
        *config, config->ReadInteger(ConfigKey::DefaultDataport, ConfigDefault::DefaultDataport));
    login = std::make_unique<LoginHandler>(*servers, *dispatcher, *panels, *listener);
    inlines = std::make_unique<InlineHandlers>(*servers, *dispatcher, prompts);
    QObject::connect(servers.get(), &TServers::serverText, servers.get(),
                     [this](int index, const QString& text) {
                         serverLines.append(QString::number(index) + u": "_s + text);
                     });
}

Client::~Client()
{
    // The records' sockets go before the fake servers of the test do.
    servers.reset();
}

QString Client::status(int serverIndex) const
{
    return list.cell(serverIndex, ServerListModel::StatusColumn);
}

bool Client::waitForStatus(int serverIndex, const QString& expected, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return status(serverIndex) == expected; }, timeoutMs);
}

bool Client::waitForNoRecord(int serverIndex, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return servers->FindServer(serverIndex) == nullptr; }, timeoutMs);
}

bool Client::connectAndLogin(FakeServer& fake, int serverIndex, int timeoutMs)
{
    fake.setAutoReply(2, {Frame{3, QByteArrayLiteral("anon@127.0.0.1")}});
    servers->connectServer(serverIndex);
    return waitForStatus(serverIndex, u"Connected"_s, timeoutMs);
}
