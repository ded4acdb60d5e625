#include "ui/sharefoldersform.h"

#include "sharing/filekinds.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TShareFoldersForm::TShareFoldersForm(QWidget* parent, const QString& rootPath)
    : QDialog(parent)
{
    setObjectName(u"ShareFoldersForm"_s);
    setWindowTitle(u"Share Folders"_s);
    setModal(true);
    resize(640, 480);

    const QString root = rootPath.isEmpty() ? QDir::rootPath() : rootPath;
    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_model->setRootPath(root);

    auto* chooseLabel = new QLabel(u"Choose a folder:"_s);
    m_tree = new QTreeView;
    m_tree->setObjectName(u"ShareFolderShellTreeView"_s);
    m_tree->setModel(m_model);
    m_tree->setRootIndex(m_model->index(root));
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    // The user's home is where most music lives: open the tree there, selecting nothing.
    const QModelIndex home = m_model->index(QDir::homePath());
    if (home.isValid() && QDir::homePath().startsWith(root)) {
        m_tree->expand(home.parent());
        m_tree->scrollTo(home);
    }
    chooseLabel->setBuddy(m_tree);

    m_add = new QPushButton(u"Add >>"_s);
    m_add->setObjectName(u"AddButton"_s);
    m_remove = new QPushButton(u"<< Remove"_s);
    m_remove->setObjectName(u"RemoveButton"_s);
    m_clear = new QPushButton(u"Clear"_s);
    m_clear->setObjectName(u"ClearButton"_s);
    for (QPushButton* button : {m_add, m_remove, m_clear})
        button->setAutoDefault(false);

    auto* listLabel = new QLabel(u"Shared Folders:"_s);
    m_list = new QListWidget;
    m_list->setObjectName(u"SharedFoldersListBox"_s);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listLabel->setBuddy(m_list);

    m_subfolders = new QCheckBox(u"Share subfolders"_s);
    m_subfolders->setObjectName(u"ShareSubfoldersCheckBox"_s);
    m_subfolders->setChecked(true);

    auto* types = new QGroupBox(u"File Types"_s);
    types->setObjectName(u"FileTypesGroupBox"_s);
    m_all = new QCheckBox(u"All"_s);
    m_all->setObjectName(u"AllCheckBox"_s);
    m_all->setChecked(true);
    static const std::array<std::pair<QString, QString>, KindCount> kindBoxes{{
        {u"Audio"_s, u"AudioCheckBox"_s},
        {u"Video"_s, u"VideoCheckBox"_s},
        {u"Image"_s, u"ImageCheckBox"_s},
        {u"Text"_s, u"TextCheckBox"_s},
        {u"Application"_s, u"ApplicationCheckBox"_s},
    }};
    auto* typesLayout = new QHBoxLayout(types);
    typesLayout->addWidget(m_all);
    for (int kind = 0; kind < KindCount; ++kind) {
        m_kinds[kind] = new QCheckBox(kindBoxes[kind].first);
        m_kinds[kind]->setObjectName(kindBoxes[kind].second);
        m_kinds[kind]->setChecked(true);
        m_kinds[kind]->setEnabled(false);
        typesLayout->addWidget(m_kinds[kind]);
    }
    typesLayout->addStretch();

    m_ok = new QPushButton(u"OK"_s);
    m_ok->setObjectName(u"OKButton"_s);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(u"Cancel"_s);
    m_cancel->setObjectName(u"CancelButton"_s);
    m_cancel->setAutoDefault(false);

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_clear);
    buttons->addStretch();

    auto* lists = new QGridLayout;
    lists->addWidget(chooseLabel, 0, 0);
    lists->addWidget(listLabel, 0, 2);
    lists->addWidget(m_tree, 1, 0);
    lists->addLayout(buttons, 1, 1);
    lists->addWidget(m_list, 1, 2);
    lists->addWidget(m_subfolders, 2, 2);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(types);
    layout->addLayout(bottom);

    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TShareFoldersForm::updateAddButton);
    connect(m_add, &QPushButton::clicked, this, &TShareFoldersForm::addSelected);
    connect(m_remove, &QPushButton::clicked, this, &TShareFoldersForm::removeSelected);
    connect(m_clear, &QPushButton::clicked, this, &TShareFoldersForm::clearList);
    connect(m_list, &QListWidget::itemClicked, this, [this] { m_remove->setEnabled(true); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_list->selectedItems().isEmpty())
            m_remove->setEnabled(true);
    });
    connect(m_all, &QCheckBox::clicked, this, &TShareFoldersForm::allClicked);
    connect(m_ok, &QPushButton::clicked, this, &TShareFoldersForm::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TShareFoldersForm::reject);

    m_remove->setEnabled(false);
    updateAddButton();
    updateClearButton();
}

QStringList TShareFoldersForm::folders() const
{
    QStringList out;
    for (int row = 0; row < m_list->count(); ++row)
        out.append(m_list->item(row)->text());
    return out;
}

bool TShareFoldersForm::shareSubfolders() const
{
    return m_subfolders->isChecked();
}

QByteArrayList TShareFoldersForm::checkedKinds() const
{
    QByteArrayList out;
    for (int kind = 0; kind < KindCount; ++kind) {
        if (m_kinds[kind]->isChecked())
            out.append(FileKinds::Kinds()[kind]);
    }
    return out;
}

ShareScanner::Request TShareFoldersForm::request() const
{
    ShareScanner::Request request;
    request.folders = folders();
    request.withSubfolders = shareSubfolders();
    request.kinds = checkedKinds();
    return request;
}

bool TShareFoldersForm::selectFolder(const QString& path)
{
    const QModelIndex index = m_model->index(path);
    if (!index.isValid())
        return false;
    m_tree->scrollTo(index);
    m_tree->setCurrentIndex(index);
    return m_tree->selectionModel()->isSelected(index);
}

QString TShareFoldersForm::selectedFolder() const
{
    const QModelIndexList selected = m_tree->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return QString();
    // Items without a file-system path (none in this tree, but a platform's tree may have
    // them) give an empty path and cannot be added.
    return m_model->filePath(selected.constFirst());
}

bool TShareFoldersForm::isListed(const QString& path) const
{
    return folders().contains(path);
}

void TShareFoldersForm::updateAddButton()
{
    const QString path = selectedFolder();
    m_add->setEnabled(!path.isEmpty() && !isListed(path) && QFileInfo(path).isDir());
}

void TShareFoldersForm::updateClearButton()
{
    m_clear->setEnabled(m_list->count() > 0);
}

void TShareFoldersForm::addSelected()
{
    const QString path = selectedFolder();
    if (path.isEmpty() || isListed(path) || !QFileInfo(path).isDir())
        return;
    m_list->addItem(path);
    m_add->setEnabled(false);
    m_clear->setEnabled(true);
}

void TShareFoldersForm::removeSelected()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    for (QListWidgetItem* item : selected)
        delete m_list->takeItem(m_list->row(item));
    m_remove->setEnabled(false);
    updateClearButton();
    updateAddButton();
}

void TShareFoldersForm::clearList()
{
    m_list->clear();
    m_clear->setEnabled(false);
    m_remove->setEnabled(false);
    updateAddButton();
}

void TShareFoldersForm::allClicked()
{
    for (QCheckBox* box : m_kinds) {
        box->setEnabled(!box->isEnabled());
        box->setChecked(!box->isEnabled());
    }
}

void TShareFoldersForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    updateAddButton();
    m_remove->setEnabled(false);
    updateClearButton();
    m_savedCopy = folders();
}

void TShareFoldersForm::accept()
{
    m_savedCopy = folders();
    QDialog::accept();
}

void TShareFoldersForm::reject()
{
    m_list->clear();
    m_list->addItems(m_savedCopy);
    updateClearButton();
    QDialog::reject();
}
