#pragma once

// TShareFoldersForm ("Share Folders"): the dialog in which the user picks the folders to share,
// whether their sub-folders count and which file kinds are shared. One instance lives as long as
// the program; its list and boxes keep their state between openings (they are never written to
// disk: only the resulting file list is, as shared.dat).
//
// The folder tree shows the file system's folders only. "Add >>" is enabled when a folder is
// selected in the tree, it exists and it is not listed yet; "<< Remove" after a click in the
// list; "Clear" while the list holds something. "All" ticked disables the five kind boxes and
// ticks them; unticking it enables them unticked. "Cancel" brings the list back to what it was
// when the dialog was shown (the boxes keep their state); "OK" keeps it, and whoever opened the
// dialog starts the scan with request().

#include "sharing/sharescanner.h"

#include <QDialog>
#include <QStringList>
#include <array>

class QCheckBox;
class QFileSystemModel;
class QListWidget;
class QPushButton;
class QTreeView;

class TShareFoldersForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TShareFoldersForm)

public:
    static constexpr int KindCount = 5;

    // `rootPath`: the top of the folder tree (the file system's root in the program).
    explicit TShareFoldersForm(QWidget* parent = nullptr, const QString& rootPath = {});

    // The listed folders, in list order.
    QStringList folders() const;
    bool shareSubfolders() const;
    // The kinds whose boxes are ticked, in the order of the boxes.
    QByteArrayList checkedKinds() const;
    ShareScanner::Request request() const;

    // Selects a folder in the tree as a click would (false when the tree does not hold it).
    bool selectFolder(const QString& path);

    QTreeView* folderTree() const { return m_tree; }
    QFileSystemModel* folderModel() const { return m_model; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* clearButton() const { return m_clear; }
    QListWidget* folderList() const { return m_list; }
    QCheckBox* shareSubfoldersCheckBox() const { return m_subfolders; }
    QCheckBox* allCheckBox() const { return m_all; }
    // "Audio", "Video", "Image", "Text", "Application".
    QCheckBox* kindCheckBox(int kind) const { return m_kinds.at(kind); }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public Q_SLOTS:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString selectedFolder() const;
    bool isListed(const QString& path) const;
    void updateAddButton();
    void updateClearButton();
    void addSelected();
    void removeSelected();
    void clearList();
    void allClicked();

    QFileSystemModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_clear = nullptr;
    QListWidget* m_list = nullptr;
    QCheckBox* m_subfolders = nullptr;
    QCheckBox* m_all = nullptr;
    std::array<QCheckBox*, KindCount> m_kinds{};
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    // The list as it was when the dialog was shown, for "Cancel".
    QStringList m_savedCopy;
};
