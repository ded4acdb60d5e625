#pragma once

#include <QObject>

// The data port: choosing a free port, and the listener's active and listening states.
class TestDataPort final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chooseMovesPastTakenPort();
    void chooseWrapsAfterLastPort();
    void chooseZeroIsKept();
    void portIsFree_data();
    void portIsFree();
    void greetsAndCloses();
    void listeningAndActive();
};
