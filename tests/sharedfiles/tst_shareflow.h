#pragma once

#include "tests/sharedfiles/sharefixture.h"

#include <QObject>

// The share list upload after login, the folder scan and "Unshare", driven end to end against
// fake servers over loopback: the exact frames, the Shares view, the shared file list and
// shared.dat.
class TestShareFlow final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void uploadAfterLogin();
    void uploadGroups_data();
    void uploadGroups();
    void uploadBatchSplitting();
    void uploadStopsOnDisconnect();
    void uploadToTwoServers();

    void scanAnnouncesAndLists();
    void scanFindingNothing_data();
    void scanFindingNothing();
    void scanChoices_data();
    void scanChoices();
    void stopDuringWalk();
    void scanConfirmedWhileStoppedScanEnds();
    void shutdownDuringScan();
    void scanSkipsWhatCannotBeRead();
    void failedSaveWarns();

    void namesRoundTrip_data();
    void namesRoundTrip();
    void unshare_data();
    void unshare();
    void openFile();

private:
    Mp3Files m_mp3;
    bool m_haveMp3 = false;
    QString m_why;
};
