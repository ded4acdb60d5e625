#pragma once

#include <QObject>

// Login messages, the answers that decide a login, the second protocol's login, and what a
// login acknowledgement and the server statistics show.
class TestLogin final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loginWithDefaults();
    void loginMessage_data();
    void loginMessage();
    void loginOutcome_data();
    void loginOutcome();
    void secondProtocolLogin();
    void sharingPanelOnFirstConnectionOnly();
    void totals_data();
    void totals();
};
