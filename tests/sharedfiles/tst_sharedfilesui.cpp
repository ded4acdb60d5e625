// The share folders dialog, the Shares page and their place in the main window, offscreen.

#include "app/clientcore.h"
#include "protocol/statuspanels.h"
#include "sharing/sharedcatalogue.h"
#include "sharing/sharescanner.h"
#include "tests/sharedfiles/sharefixture.h"
#include "tests/support/recordingprompts.h"
#include "ui/clientform.h"
#include "ui/clientstatusbar.h"
#include "ui/sharefoldersform.h"
#include "ui/sharestabsheet.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QListWidget>
#include <QMenu>
#include <QMimeDatabase>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestSharedFilesUi final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dialogStartState();
    void addRemoveClear();
    void cancelRestoresList();
    void allAndKinds_data();
    void allAndKinds();
    void sharesPageScansAndUnshares();
    void stopButtonStopsScan();
    void mainWindowShowsShares();
};

namespace {

// Waits until the tree holds the path (the folder model reads folders on a thread of its own).
bool SelectInTree(TShareFoldersForm& form, const QString& path)
{
    return QTest::qWaitFor([&] { return form.selectFolder(path); }, 5000);
}

QList<QCheckBox*> KindBoxes(const TShareFoldersForm& form)
{
    QList<QCheckBox*> out;
    for (int kind = 0; kind < TShareFoldersForm::KindCount; ++kind)
        out.append(form.kindCheckBox(kind));
    return out;
}

} // namespace

void TestSharedFilesUi::dialogStartState()
{
    FilesDir dir;
    TShareFoldersForm form(nullptr, dir.path());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), u"Share Folders"_s);
    // Found by their names, as the controls of the dialog are known.
    for (const QString& name :
         {u"ShareFolderShellTreeView"_s, u"AddButton"_s, u"RemoveButton"_s, u"ClearButton"_s,
          u"SharedFoldersListBox"_s, u"ShareSubfoldersCheckBox"_s, u"AllCheckBox"_s,
          u"AudioCheckBox"_s, u"VideoCheckBox"_s, u"ImageCheckBox"_s, u"TextCheckBox"_s,
          u"ApplicationCheckBox"_s})
        QVERIFY2(form.findChild<QWidget*>(name), qPrintable(name));
    QCOMPARE(form.folderList()->count(), 0);
    QVERIFY(!form.addButton()->isEnabled());
    QVERIFY(!form.removeButton()->isEnabled());
    QVERIFY(!form.clearButton()->isEnabled());
    QVERIFY(form.shareSubfoldersCheckBox()->isChecked());
    QVERIFY(form.allCheckBox()->isChecked());
    for (QCheckBox* box : KindBoxes(form)) {
        QVERIFY(box->isChecked());
        QVERIFY(!box->isEnabled());
    }
    QCOMPARE(form.checkedKinds(), ShareClient::AllKinds());
    QVERIFY(form.okButton()->isDefault());
}

void TestSharedFilesUi::addRemoveClear()
{
    FilesDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(u"Music/Rock"_s)));
    const QString music = dir.filePath(u"Music"_s);
    const QString rock = dir.filePath(u"Music/Rock"_s);
    TShareFoldersForm form(nullptr, dir.path());
    form.show();

    QVERIFY(SelectInTree(form, music));
    QVERIFY(form.addButton()->isEnabled());
    QTest::mouseClick(form.addButton(), Qt::LeftButton);
    QCOMPARE(form.folders(), QStringList{music});
    QVERIFY(!form.addButton()->isEnabled());
    QVERIFY(form.clearButton()->isEnabled());

    // A listed folder cannot be added twice; its sub-folder can be listed beside it.
    QVERIFY(SelectInTree(form, rock));
    QVERIFY(form.addButton()->isEnabled());
    QTest::mouseClick(form.addButton(), Qt::LeftButton);
    QVERIFY(SelectInTree(form, music));
    QVERIFY(!form.addButton()->isEnabled());
    QCOMPARE(form.folders(), (QStringList{music, rock}));

    // "<< Remove" after a click in the list removes the selected entries.
    QVERIFY(!form.removeButton()->isEnabled());
    form.folderList()->setCurrentRow(0);
    QVERIFY(form.removeButton()->isEnabled());
    QTest::mouseClick(form.removeButton(), Qt::LeftButton);
    QCOMPARE(form.folders(), QStringList{rock});
    QVERIFY(!form.removeButton()->isEnabled());
    QVERIFY(form.clearButton()->isEnabled());

    QTest::mouseClick(form.clearButton(), Qt::LeftButton);
    QCOMPARE(form.folders(), QStringList{});
    QVERIFY(!form.clearButton()->isEnabled());
}

void TestSharedFilesUi::cancelRestoresList()
{
    FilesDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(u"A"_s)));
    QVERIFY(QDir().mkpath(dir.filePath(u"B"_s)));
    TShareFoldersForm form(nullptr, dir.path());

    form.show();
    QVERIFY(SelectInTree(form, dir.filePath(u"A"_s)));
    QTest::mouseClick(form.addButton(), Qt::LeftButton);
    QTest::mouseClick(form.okButton(), Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());

    // Added, then cancelled: gone the next time the dialog opens; the boxes keep their state.
    form.show();
    QVERIFY(SelectInTree(form, dir.filePath(u"B"_s)));
    QTest::mouseClick(form.addButton(), Qt::LeftButton);
    form.shareSubfoldersCheckBox()->setChecked(false);
    QCOMPARE(form.folders().size(), 2);
    QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Rejected));
    form.show();
    QCOMPARE(form.folders(), QStringList{dir.filePath(u"A"_s)});
    QVERIFY(!form.shareSubfoldersCheckBox()->isChecked());
}

void TestSharedFilesUi::allAndKinds_data()
{
    QTest::addColumn<QList<int>>("ticked"); // kind boxes ticked after "All" was unticked
    QTest::addColumn<QByteArrayList>("kinds");
    QTest::newRow("audio only") << QList<int>{0} << QByteArrayList{"audio"};
    QTest::newRow("image and application")
        << QList<int>{2, 4} << QByteArrayList{"image", "application"};
    QTest::newRow("none") << QList<int>{} << QByteArrayList{};
}

void TestSharedFilesUi::allAndKinds()
{
    QFETCH(QList<int>, ticked);
    QFETCH(QByteArrayList, kinds);
    FilesDir dir;
    TShareFoldersForm form(nullptr, dir.path());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // Unticking "All" enables the kind boxes, unticked.
    QTest::mouseClick(form.allCheckBox(), Qt::LeftButton);
    QVERIFY(!form.allCheckBox()->isChecked());
    for (QCheckBox* box : KindBoxes(form)) {
        QVERIFY(box->isEnabled());
        QVERIFY(!box->isChecked());
    }
    for (const int kind : std::as_const(ticked))
        QTest::mouseClick(form.kindCheckBox(kind), Qt::LeftButton);
    QCOMPARE(form.request().kinds, kinds);

    // Ticking it again disables them, ticked.
    QTest::mouseClick(form.allCheckBox(), Qt::LeftButton);
    for (QCheckBox* box : KindBoxes(form)) {
        QVERIFY(!box->isEnabled());
        QVERIFY(box->isChecked());
    }
    QCOMPARE(form.request().kinds, ShareClient::AllKinds());
}

void TestSharedFilesUi::sharesPageScansAndUnshares()
{
    FilesDir dir;
    const QByteArray f = dir.native() + "/F";
    QVERIFY(WriteNative(f + "/a.txt", "a"));
    Mp3Files mp3;
    QString why;
    if (!mp3.make(&why))
        QSKIP(qPrintable(why));
    for (const char* name : {"x.mp3", "y.mp3", "z.mp3"})
        QVERIFY(WriteNative(f + '/' + name, mp3.cbr()));

    ShareClient client({});
    SharesTabSheet page(*client.catalogue, *client.scanner, nullptr, dir.path());
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.sharedFoldersButton()->text(), u"Shared Folders"_s);

    // The button opens the dialog; OK starts the scan, and the button reads "Stop" meanwhile.
    QTest::mouseClick(page.sharedFoldersButton(), Qt::LeftButton);
    TShareFoldersForm* form = page.shareFoldersForm();
    QTRY_VERIFY_WITH_TIMEOUT(form->isVisible(), 5000);
    QVERIFY(SelectInTree(*form, QFile::decodeName(f)));
    QTest::mouseClick(form->addButton(), Qt::LeftButton);
    QSignalSpy finished(client.scanner.get(), &ShareScanner::scanFinished);
    QTest::mouseClick(form->okButton(), Qt::LeftButton);
    QCOMPARE(page.sharedFoldersButton()->text(), u"Stop"_s);
    QVERIFY(finished.wait(20000));
    QCOMPARE(page.sharedFoldersButton()->text(), u"Shared Folders"_s);

    QTreeView* tree = page.sharedElTree();
    QCOMPARE(tree->objectName(), u"SharedElTree"_s);
    QCOMPARE(tree->model()->rowCount(), 3);
    QCOMPARE(tree->model()->headerData(1, Qt::Horizontal).toString(), u"Size (kB)"_s);
    QCOMPARE(tree->columnWidth(0), 350);

    // "Unshare" is enabled exactly when rows are selected; it takes them top to bottom.
    page.updateMenu();
    QVERIFY(!page.unshareAction()->isEnabled());
    tree->sortByColumn(0, Qt::DescendingOrder); // z, y, x
    tree->selectionModel()->select(tree->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tree->selectionModel()->select(tree->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page.updateMenu();
    QVERIFY(page.unshareAction()->isEnabled());
    QCOMPARE(page.selectedSourceRows().size(), 2);
    page.unshareAction()->trigger();
    QCOMPARE(tree->model()->rowCount(), 1);
    QCOMPARE(tree->model()->index(0, 0).data().toString(), u"y.mp3"_s);
    QCOMPARE(client.catalogue->list().entries(), (QList<QByteArray>{f + "/a.txt", f + "/y.mp3"}));

    // A double click opens the focused row's file with the desktop.
    const QModelIndex row = tree->model()->index(0, 0);
    tree->setCurrentIndex(row);
    const QPoint centre = tree->visualRect(row).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(
        client.client.prompts.texts(RecordingPrompts::Kind::OpenWithDesktop),
        QStringList{u"file://"_s + QString::fromLatin1((f + "/y.mp3").toPercentEncoding("/"))});
}

void TestSharedFilesUi::stopButtonStopsScan()
{
    FilesDir dir;
    for (int i = 0; i < 5; ++i)
        QVERIFY(WriteNative(dir.native() + "/f" + QByteArray::number(i) + ".txt", "x"));
    ShareClient client({});
    SharesTabSheet page(*client.catalogue, *client.scanner, nullptr, dir.path());
    // The walk waits at its first entry until the test lets it go on.
    QSemaphore reached;
    QSemaphore goOn;
    client.scanner->setFileHookForTests([&](const QByteArray&) {
        reached.release();
        goOn.acquire();
    });
    struct Release {
        QSemaphore& semaphore;
        ~Release() { semaphore.release(1000); }
    } release{goOn};

    QSignalSpy finished(client.scanner.get(), &ShareScanner::scanFinished);
    client.scanner->start({{dir.path()}, true, ShareClient::AllKinds()});
    QVERIFY(reached.tryAcquire(1, 5000));
    QCOMPARE(page.sharedFoldersButton()->text(), u"Stop"_s);
    QTest::mouseClick(page.sharedFoldersButton(), Qt::LeftButton);
    QCOMPARE(page.sharedFoldersButton()->text(), u"Shared Folders"_s);
    QVERIFY(!page.shareFoldersForm()->isVisible());
    goOn.release(1000);
    QVERIFY(finished.wait(20000));
    QVERIFY(client.catalogue->list().isEmpty());
    QCOMPARE(page.sharedFoldersButton()->text(), u"Shared Folders"_s);
}

void TestSharedFilesUi::mainWindowShowsShares()
{
    // The program over a start directory with a shared.dat: the list is loaded at start-up,
    // and the Shares page is where it belongs.
    FilesDir dir;
    QFile ini(dir.filePath(u"Tavolin.ini"_s));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Tavolin]\ndefault_dataport=0\n");
    ini.close();
    QVERIFY(WriteNative(dir.native() + "/shared.dat", "/m/b.mp3\r\n/m/a.mp3\r\n"));
    RecordingPrompts prompts;
    ClientCore core(dir.path(), {}, prompts);
    QCOMPARE(core.catalogue().list().entries(), (QList<QByteArray>{"/m/a.mp3", "/m/b.mp3"}));
    QVERIFY(!core.catalogue().kinds().isEmpty() || QMimeDatabase().allMimeTypes().isEmpty());

    TClientForm form(core.formContext());
    QTabWidget* pages = form.pageControl();
    QCOMPARE(pages->tabText(TClientForm::SharesPage), u"Shares"_s);
    QCOMPARE(pages->widget(TClientForm::SharesPage), form.sharesTabSheet());
    QCOMPARE(form.sharesTabSheet()->objectName(), u"SharesTabSheet"_s);
    QVERIFY(form.findChild<QTreeView*>(u"SharedElTree"_s));
    QVERIFY(form.findChild<QPushButton*>(u"SharedFoldersButton"_s));
    QVERIFY(form.findChild<QMenu*>(u"SharedPopupMenu"_s));

    // Rows coming into the view write the sharing totals into panel 4.
    core.catalogue().model().addRows({ShareRow::fromPath("/m/a.mp3", 1536000, 128, 1, 44100)},
                                     true);
    QCOMPARE(core.statusPanels().text(StatusPanels::SharingPanel),
             u"Sharing: 1 file(s), 0.00 GB"_s);
    core.shutdown();
}

QTEST_MAIN(TestSharedFilesUi)
#include "tst_sharedfilesui.moc"
