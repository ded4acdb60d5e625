#pragma once

#include <QObject>

// The pieces of the announcement without a network: path order, the share messages, the
// grouping of MP3 files by folder, the 2044-byte folder batches, and the walk through folders.
class TestAnnounce final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pathOrder_data();
    void pathOrder();
    void messages();
    void shareablePaths_data();
    void shareablePaths();
    void groups_data();
    void groups();
    void batchSplitting();
    void entryTooLongForOneFrame();
    void walk_data();
    void walk();
    void walkVisitsEachFolderOnce();
    void walkStopsBetweenEntries();
};
