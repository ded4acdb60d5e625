#include "ui/clientmainmenu.h"

#include <QAction>
#include <QMenu>

ClientMainMenu::ClientMainMenu(QWidget* parent)
    : QMenuBar(parent)
{
    setObjectName(QStringLiteral("ClientMainMenu"));

    QMenu* connectMenu = addMenu(QStringLiteral("&Connect"));
    connectMenu->setObjectName(QStringLiteral("ConnectMenu"));
    // Window-wide shortcuts: a focused text field still keeps Ctrl+A for select-all.
    m_connectAll =
        addItem(connectMenu, QStringLiteral("Connect All"), QStringLiteral("ConnectAllMenuItem"));
    m_connectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m_disconnectAll = addItem(connectMenu, QStringLiteral("Disconnect All"),
                              QStringLiteral("DisconnectAllMenuItem"));
    m_disconnectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connectMenu->addSeparator();
    m_exit = addItem(connectMenu, QStringLiteral("E&xit"), QStringLiteral("ExitMenuItem"));
    m_exit->setMenuRole(QAction::QuitRole);

    QMenu* viewMenu = addMenu(QStringLiteral("&View"));
    viewMenu->setObjectName(QStringLiteral("ViewMenu"));
    m_expandNetworks = addItem(viewMenu, QStringLiteral("Expand Networks"),
                               QStringLiteral("ExpandNetworksMenuItem"));
    m_collapseNetworks = addItem(viewMenu, QStringLiteral("Collapse Networks"),
                                 QStringLiteral("CollapseNetworksMenuItem"));

    m_settings = addAction(QStringLiteral("Settings"));
    m_settings->setObjectName(QStringLiteral("SettingsMenuItem"));

    QMenu* helpMenu = addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("HelpMenu"));
    m_about = addItem(helpMenu, QStringLiteral("About"), QStringLiteral("AboutMenuItem"));
}

QAction* ClientMainMenu::addItem(QMenu* menu, const QString& text, const QString& objectName)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(objectName);
    return action;
}
