#pragma once

// The server dialog of the server list: "Add Server" with empty fields, or "Edit Server Info"
// filled from the selected server. OK is enabled only while both the server and the port
// field hold text; the port takes digits only. Enter acts as OK, Escape as Cancel.

#include "protocol/serverentry.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class TAddServerForm final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Edit };

    explicit TAddServerForm(Mode mode, QWidget* parent = nullptr);

    void setEntry(const ServerEntry& entry);
    ServerEntry entry() const;

    void setVisible(bool visible) override;

private:
    void updateOkButton();

    QLineEdit* m_server;
    QLineEdit* m_port;
    QLineEdit* m_nickname;
    QLineEdit* m_password;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
