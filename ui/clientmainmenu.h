#pragma once

// The main window's menu bar. It only builds the menus; the main window and the subsystems
// connect to the actions, so this class never learns what a server or a setting is.

#include <QMenuBar>

class QAction;
class QMenu;

class ClientMainMenu final : public QMenuBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClientMainMenu)

public:
    explicit ClientMainMenu(QWidget* parent = nullptr);

    // "&Connect"
    QAction* connectAllAction() const { return m_connectAll; }
    QAction* disconnectAllAction() const { return m_disconnectAll; }
    QAction* exitAction() const { return m_exit; }
    // "&View"
    QAction* expandNetworksAction() const { return m_expandNetworks; }
    QAction* collapseNetworksAction() const { return m_collapseNetworks; }
    // "Settings" sits on the bar itself and is triggered directly.
    QAction* settingsAction() const { return m_settings; }
    // "Help"
    QAction* aboutAction() const { return m_about; }

private:
    QAction* addItem(QMenu* menu, const QString& text, const QString& objectName);

    QAction* m_connectAll = nullptr;
    QAction* m_disconnectAll = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_expandNetworks = nullptr;
    QAction* m_collapseNetworks = nullptr;
    QAction* m_settings = nullptr;
    QAction* m_about = nullptr;
};
