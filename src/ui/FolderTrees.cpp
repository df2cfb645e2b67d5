// Items keep their label's raw bytes beside the shown text, since a file name need
// not be valid UTF-8 and the path must reach the disk as it was read. A folder
// always shows its expander: whether it holds anything is only asked when it opens.
#include "ui/FolderTrees.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/FolderTree.h"
#include "core/search/SearchSession.h"
#include "core/utilities/UtilityPage.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/SearchScreen.h"

#include <QTreeWidget>

#include <vector>

namespace vedra::ui {
namespace {

constexpr int kLabelRole = Qt::UserRole;

std::string labelOf(const QTreeWidgetItem* item)
{
    return item->data(0, kLabelRole).toByteArray().toStdString();
}

QTreeWidgetItem* makeItem(const std::string& label, bool folder)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(app::displayUtf8(label)));
    item->setData(0, kLabelRole, QByteArray::fromStdString(label));
    item->setChildIndicatorPolicy(folder ? QTreeWidgetItem::ShowIndicator
                                         : QTreeWidgetItem::DontShowIndicator);
    return item;
}

bool isInside(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* each = item; each != nullptr; each = each->parent())
        if (each == ancestor)
            return true;
    return false;
}

} // namespace

FolderTrees::FolderTrees(SearchScreen& screen, QTreeWidget* filesTree, QTreeWidget* foldersTree, QWidget* preview,
                         Window window, QObject* parent)
    : QObject(parent),
      m_screen(screen),
      m_filesTree(filesTree),
      m_foldersTree(foldersTree),
      m_preview(preview),
      m_window(std::move(window))
{
    for (QTreeWidget* tree : {m_filesTree, m_foldersTree}) {
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        connect(tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
            if (item->childCount() == 0)
                fillChildren(item);
        });
        connect(tree, &QTreeWidget::itemCollapsed, this, &FolderTrees::dropChildren);
    }
    // A change of the selection is a choice; the current item alone is not (the view
    // makes its first item current when it takes the focus, selecting nothing).
    connect(m_filesTree, &QTreeWidget::itemSelectionChanged, this,
            [this] { chosenInFilesTree(m_filesTree->selectedItems().value(0)); });
    connect(m_foldersTree, &QTreeWidget::itemSelectionChanged, this,
            [this] { chosenInFoldersTree(m_foldersTree->selectedItems().value(0)); });
    connect(m_filesTree, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { activatedInFilesTree(item); });
}

std::string FolderTrees::itemPath(const QTreeWidgetItem* item)
{
    std::vector<std::string> labels;
    for (const QTreeWidgetItem* each = item; each != nullptr; each = each->parent())
        labels.insert(labels.begin(), labelOf(each));
    return search::TreeItemPath(labels);
}

void FolderTrees::addRoots(QTreeWidget* tree)
{
    for (const std::string& root : search::TreeRootLabels(m_screen.workspace().probe().driveRoots())) {
        bool known = false;
        for (int i = 0; i < tree->topLevelItemCount() && !known; ++i)
            known = labelOf(tree->topLevelItem(i)) == root;
        if (known)
            continue;
        QTreeWidgetItem* item = makeItem(root, true);
        tree->addTopLevelItem(item);
        fillChildren(item);
    }
}

void FolderTrees::fillChildren(QTreeWidgetItem* item)
{
    const search::TreeContent content =
        item->treeWidget() == m_foldersTree ? search::TreeContent::FoldersOnly : search::TreeContent::FoldersAndFiles;
    QList<QTreeWidgetItem*> children;
    for (const search::TreeChild& child : search::ListTreeChildren(itemPath(item), content))
        children.push_back(makeItem(child.label, child.folder));
    item->addChildren(children);
}

void FolderTrees::dropChildren(QTreeWidgetItem* item)
{
    QTreeWidget* tree = item->treeWidget();
    m_dropping = true;
    // The current item goes with its folder: the folder becomes current instead,
    // without counting as a new choice.
    if (tree->currentItem() != nullptr && tree->currentItem() != item && isInside(tree->currentItem(), item))
        tree->setCurrentItem(item);
    qDeleteAll(item->takeChildren());
    m_dropping = false;
}

void FolderTrees::showTree(QTreeWidget* tree)
{
    m_preview->setEnabled(false);
    m_preview->hide();
    if (CMyPropertyPage2* page = m_window.searchPage ? m_window.searchPage() : nullptr; page != nullptr)
        page->clearEnterGuard();
    addRoots(tree);
    tree->show();
    tree->raise();
    tree->setFocus();
}

void FolderTrees::ShowDriveTree()
{
    showTree(m_filesTree);
}

void FolderTrees::ShowFolderTree()
{
    showTree(m_foldersTree);
}

void FolderTrees::hideTrees()
{
    m_filesTree->hide();
    m_foldersTree->hide();
    m_preview->setEnabled(true);
    m_preview->show();
}

bool FolderTrees::anyShown() const
{
    return m_filesTree->isVisible() || m_foldersTree->isVisible();
}

void FolderTrees::chosenInFilesTree(QTreeWidgetItem* item)
{
    if (item == nullptr || m_dropping)
        return;
    m_chosen1646 = itemPath(item);
    CMyPropertyPage2* page = m_window.searchPage ? m_window.searchPage() : nullptr;
    if (page != nullptr)
        page->clearEnterGuard();
    const bool folder = search::IsTreeFolder(m_chosen1646);
    if (page != nullptr && m_window.searchPageActive && m_window.searchPageActive()) {
        search::SearchSession& session = m_screen.session();
        const search::TreeSelection selection =
            search::SelectInFilesTree(m_screen.workspace(), session, m_chosen1646);
        if (!selection.directoriesText.empty())
            page->setDirectoriesText(QString::fromStdString(app::displayUtf8(selection.directoriesText)));
        if (!selection.filesText.empty())
            page->setFilesText(QString::fromStdString(app::displayUtf8(selection.filesText)));
        if (selection.rowAdded)
            m_screen.refreshResults();
        if (!folder) {
            // The file's text takes the trees' place.
            hideTrees();
            m_screen.refreshPreview();
        }
    }
    if (folder && item->childCount() == 0)
        fillChildren(item);
}

void FolderTrees::chosenInFoldersTree(QTreeWidgetItem* item)
{
    if (item == nullptr || m_dropping)
        return;
    m_chosen1647 = itemPath(item);
    CMyPropertyPage2* page = m_window.searchPage ? m_window.searchPage() : nullptr;
    if (page != nullptr) {
        page->clearEnterGuard();
        // The folder becomes the search's folder filter, as a folder of 1646 does.
        if (const std::string folder = search::DirectoriesTextFor(m_chosen1647); !folder.empty())
            page->setDirectoriesText(QString::fromStdString(app::displayUtf8(folder)));
    }
    if (item->childCount() == 0)
        fillChildren(item);
}

void FolderTrees::activatedInFilesTree(QTreeWidgetItem* item)
{
    // Away from the search page a file chosen in 1646 is a program for the browser
    // list (the tree was opened by "Add to the browser list").
    if (item == nullptr || (m_window.searchPageActive && m_window.searchPageActive()))
        return;
    const std::string path = itemPath(item);
    if (search::IsTreeFolder(path))
        return;
    if (utilities::AddProgramPickedInTree(m_screen.workspace(), path) == utilities::ProgramPick::Added &&
        m_window.browserListChanged)
        m_window.browserListChanged();
}

} // namespace vedra::ui
