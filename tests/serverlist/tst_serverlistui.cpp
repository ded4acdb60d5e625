// The server dialog's own rules, and the server list page routing gestures to the actions.

#include "fakeconnector.h"
#include "protocol/serverlistactions.h"
#include "protocol/serverlistmodel.h"
#include "tests/support/recordingprompts.h"
#include "ui/addserverform.h"
#include "ui/serverlistview.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* Edit(QWidget& form, const QString& name)
{
    return form.findChild<QLineEdit*>(name);
}

QStringList VisibleItems(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (action->isVisible())
            texts.append(action->text());
    }
    return texts;
}

} // namespace

class TestServerListUi final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formLayout_data();
    void formLayout();
    void okNeedsServerAndPort();
    void portTakesDigitsOnly();
    void enterAndEscape_data();
    void enterAndEscape();
    void focusOnServerAtEnd();

    void listPage();
};

void TestServerListUi::formLayout_data()
{
    QTest::addColumn<TAddServerForm::Mode>("mode");
    QTest::addColumn<QString>("caption");
    QTest::newRow("add") << TAddServerForm::Mode::Add << u"Add Server"_s;
    QTest::newRow("edit") << TAddServerForm::Mode::Edit << u"Edit Server Info"_s;
}

void TestServerListUi::formLayout()
{
    QFETCH(TAddServerForm::Mode, mode);
    QFETCH(QString, caption);
    TAddServerForm form(mode);
    QCOMPARE(form.windowTitle(), caption);
    QStringList labels;
    for (const QLabel* label : form.findChildren<QLabel*>())
        labels.append(label->text());
    QCOMPARE(labels, (QStringList{u"Server DNS/Ip"_s, u"Port"_s, u"Nickname"_s, u"Password"_s}));
    QCOMPARE(form.findChild<QPushButton*>(u"OKButton"_s)->text(), u"OK"_s);
    QCOMPARE(form.findChild<QPushButton*>(u"CancelButton"_s)->text(), u"Cancel"_s);
    QCOMPARE(Edit(form, u"PasswordEdit"_s)->echoMode(), QLineEdit::Password);

    const ServerEntry entry{u"h.example"_s, u"8888"_s, u"me"_s, u"pw"_s};
    form.setEntry(entry);
    QCOMPARE(form.entry(), entry);
}

void TestServerListUi::okNeedsServerAndPort()
{
    TAddServerForm form(TAddServerForm::Mode::Add);
    auto* ok = form.findChild<QPushButton*>(u"OKButton"_s);
    QLineEdit* server = Edit(form, u"ServerEdit"_s);
    QLineEdit* port = Edit(form, u"PortEdit"_s);
    QVERIFY(!ok->isEnabled()); // empty fields at the start

    QTest::keyClicks(server, u"h.example"_s);
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(port, u"8888"_s);
    QVERIFY(ok->isEnabled());
    // Emptying either field disables OK, and filling the other one does not enable it again.
    server->clear();
    QVERIFY(!ok->isEnabled());
    QTest::keyClick(port, Qt::Key_Backspace);
    QTest::keyClicks(port, u"9"_s);
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(server, u"   "_s);
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(server, u"x"_s);
    QVERIFY(ok->isEnabled());
}

void TestServerListUi::portTakesDigitsOnly()
{
    TAddServerForm form(TAddServerForm::Mode::Add);
    QLineEdit* port = Edit(form, u"PortEdit"_s);
    QTest::keyClicks(port, u"8a8-8 8x"_s);
    QCOMPARE(port->text(), u"8888"_s);
    QTest::keyClicks(port, u"9999"_s);
    QCOMPARE(port->text(), u"88889"_s); // five digits at most
    // A double quote cannot be stored in servers.dat, so the fields refuse it.
    QLineEdit* password = Edit(form, u"PasswordEdit"_s);
    QTest::keyClicks(password, u"a\"b c"_s);
    QCOMPARE(password->text(), u"ab c"_s);
}

void TestServerListUi::enterAndEscape_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter with both fields")
        << int(Qt::Key_Return) << true << int(QDialog::Accepted);
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter) << true << int(QDialog::Accepted);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << true << int(QDialog::Rejected);
    QTest::newRow("Enter with OK disabled") << int(Qt::Key_Return) << false << -1;
}

void TestServerListUi::enterAndEscape()
{
    QFETCH(int, key);
    QFETCH(bool, filled);
    QFETCH(int, result);
    TAddServerForm form(TAddServerForm::Mode::Add);
    int finished = -1;
    connect(&form, &QDialog::finished, &form, [&finished](int r) { finished = r; });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (filled)
        form.setEntry({u"h"_s, u"1"_s, {}, {}});
    QLineEdit* nickname = Edit(form, u"NicknameEdit"_s);
    nickname->setFocus();
    QTest::keyClick(nickname, Qt::Key(key));
    QCOMPARE(finished, result);
}

void TestServerListUi::focusOnServerAtEnd()
{
    TAddServerForm form(TAddServerForm::Mode::Edit);
    form.setEntry({u"h.example"_s, u"8888"_s, u"me"_s, {}});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QLineEdit* server = Edit(form, u"ServerEdit"_s);
    QTRY_VERIFY_WITH_TIMEOUT(server->hasFocus(), 5000);
    QCOMPARE(server->cursorPosition(), int(server->text().size()));
    QVERIFY(!server->hasSelectedText());
}

void TestServerListUi::listPage()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"servers.dat"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Protocols]\nOpennap=1\n[Net1]\nprotocol=Opennap\nbookmark=0\n"
                   "a.example=8888 me pw\nb.example=7777 me pw\n");
    }
    ServerListModel model;
    FakeConnector connector;
    RecordingPrompts prompts;
    ServerListActions actions(model, connector, prompts);
    ServerListView page(model, actions);
    QVERIFY(model.load(path));
    page.resize(1000, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    QTreeView* tree = page.findChild<QTreeView*>(u"ServersTreeView"_s);
    QVERIFY(tree);
    QCOMPARE(tree->toolTip(), u"Right click for options, double click to connect"_s);
    QCOMPARE(tree->header()->sectionSize(ServerListModel::IndexColumn), 135);
    QCOMPARE(tree->header()->sectionSize(ServerListModel::StatusColumn), 150);
    // The captions must be readable: a header of no height hides them all.
    QVERIFY(tree->header()->isVisible());
    QVERIFY(tree->header()->height() > tree->fontMetrics().height());
    const QModelIndex group = model.index(0, 0);
    const QModelIndex network = model.index(0, 0, group);
    QVERIFY(tree->isExpanded(group)); // groups open one level after loading
    // Group and network names use the whole row; server rows keep their cells.
    QVERIFY(tree->isFirstColumnSpanned(0, QModelIndex()));
    QVERIFY(tree->isFirstColumnSpanned(0, group));
    QVERIFY(!tree->isFirstColumnSpanned(0, network));
    QVERIFY(!tree->isExpanded(network));

    // Enter on a network opens it; Enter on a server goes to the actions.
    tree->setCurrentIndex(network);
    QTest::keyClick(tree, Qt::Key_Return);
    QVERIFY(tree->isExpanded(network));
    tree->setCurrentIndex(model.indexOfServer(1));
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(connector.calls, QStringList{u"connect 1"_s});
    // Space makes the server the bookmark.
    QTest::keyClick(tree, Qt::Key_Space);
    QVERIFY(model.isServerChecked(1));
    // Double click connects too.
    const QRect cell = tree->visualRect(model.indexOfServer(0, ServerListModel::ServerColumn));
    // (QTest sends the double click event alone; a real one follows a press.)
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(connector.calls, (QStringList{u"connect 1"_s, u"connect 0"_s}));

    // The popup shows the items of the row; Add Server runs the dialog and stores its answer.
    page.preparePopup(network);
    QCOMPARE(VisibleItems(*page.popupMenu()),
             (QStringList{u"Edit Network"_s, u"Remove Network"_s, u"Add Server"_s}));
    page.setServerDialog([](TAddServerForm::Mode mode, const ServerEntry& preset) {
        return mode == TAddServerForm::Mode::Add && preset == ServerEntry{}
                   ? std::optional<ServerEntry>(ServerEntry{u"c.example"_s, u"1"_s, {}, {}})
                   : std::nullopt;
    });
    page.popupMenu()->findChild<QAction*>(u"AddServerItem"_s)->trigger();
    QCOMPARE(model.cell(2, ServerListModel::ServerColumn), u"c.example"_s);

    model.setCell(0, ServerListModel::StatusColumn, u"Connected"_s);
    page.preparePopup(model.indexOfServer(0));
    QCOMPARE(VisibleItems(*page.popupMenu()),
             (QStringList{u"Disconnect"_s, u"List Channels"_s, u"Show Links"_s}));
    QSignalSpy links(&page, &ServerListView::showLinksRequested);
    page.popupMenu()->findChild<QAction*>(u"ShowLinksItem"_s)->trigger();
    QCOMPARE(links.size(), 1);
    QCOMPARE(links.at(0).at(0).toInt(), 0);

    page.collapseNetworks();
    QVERIFY(!tree->isExpanded(group));
    page.expandNetworks();
    QVERIFY(tree->isExpanded(group));
    QVERIFY(tree->isExpanded(network));
}

QTEST_MAIN(TestServerListUi)
#include "tst_serverlistui.moc"
