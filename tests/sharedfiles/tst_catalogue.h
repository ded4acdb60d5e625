#pragma once

#include <QObject>

// The catalogue without a network: shared.dat in and out, the file kinds, the Shares view's
// model (columns, totals, status text, removal rules, sorting).
class TestCatalogue final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadSharedList_data();
    void loadSharedList();
    void saveSharedList_data();
    void saveSharedList();
    void failedSaveKeepsOldFile();
    void fileKinds_data();
    void fileKinds();
    void fileKindsFromMimeDatabase_data();
    void fileKindsFromMimeDatabase();
    void rowValues_data();
    void rowValues();
    void totalsAndStatusText();
    void rowsShownOnce();
    void sortsOnRawValues();
};
