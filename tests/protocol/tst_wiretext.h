#pragma once

#include <QObject>

class TestWireText final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wireToDisplay_data();
    void wireToDisplay();
    void everySingleByteDecodes();
    void displayRoundTrip_data();
    void displayRoundTrip();
    void pathRoundTrip_data();
    void pathRoundTrip();
    void invalidUtf8NameOpensAfterRoundTrip();
    void safeFileName_data();
    void safeFileName();
};
