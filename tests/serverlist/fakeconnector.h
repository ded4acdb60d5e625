#pragma once

// A ServerConnector that records what the list asked of it; the test says which servers are
// busy or counting down.

#include "protocol/serverconnector.h"

#include <QSet>
#include <QStringList>

class FakeConnector final : public ServerConnector {
public:
    QSet<int> busy;
    QSet<int> countingDown;
    QStringList calls; // "connect 3", "disconnect 1", "release 2"

    bool isBusy(int serverIndex) const override { return busy.contains(serverIndex); }
    bool isCountingDown(int serverIndex) const override
    {
        return countingDown.contains(serverIndex);
    }
    void connectServer(int serverIndex) override { record("connect", serverIndex); }
    void disconnectServer(int serverIndex) override { record("disconnect", serverIndex); }
    void disconnectAndRelease(int serverIndex) override { record("release", serverIndex); }

private:
    void record(const char* what, int serverIndex)
    {
        calls.append(QString::fromLatin1(what) + u' ' + QString::number(serverIndex));
    }
};
