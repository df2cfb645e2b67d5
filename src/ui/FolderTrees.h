// The two folder trees of the main window: 1646 (folders and files), shown by the
// utility page's "Add to the browser list", and 1647 (folders only), shown by a
// double click in the search page's Directories box. Both start hidden; an item's
// children are read from the disk when it is expanded and dropped when it is
// collapsed. What an item lists and what choosing it does are the engine's
// (core/search/FolderTree.h); this class mirrors that in the controls.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace vedra::ui {

class CMyPropertyPage2;
class SearchScreen;

class FolderTrees : public QObject {
    Q_OBJECT

public:
    // What the trees need of the window around them.
    struct Window {
        // The search page, whether or not it is the sheet's active page; may be null.
        std::function<CMyPropertyPage2*()> searchPage;
        // True when the search page is the active page of the sheet.
        std::function<bool()> searchPageActive;
        // A program picked for the browser list was written to it.
        std::function<void()> browserListChanged;
    };

    // The controls are the window's; `preview` is the text preview the trees cover.
    FolderTrees(SearchScreen& screen, QTreeWidget* filesTree, QTreeWidget* foldersTree, QWidget* preview,
                Window window, QObject* parent);

    QTreeWidget* filesTree() const { return m_filesTree; }      // 1646
    QTreeWidget* foldersTree() const { return m_foldersTree; }  // 1647

    // The preview disabled and hidden, the Enter guard cleared, the drive roots not
    // yet in the tree added, tree 1646 shown with the focus.
    void ShowDriveTree();
    // The same for tree 1647.
    void ShowFolderTree();
    // Both trees hidden; the preview shown and enabled again.
    void hideTrees();
    bool anyShown() const;

    // The path of the item last chosen in each tree (empty before any).
    const std::string& chosenFilesTreePath() const { return m_chosen1646; }
    const std::string& chosenFoldersTreePath() const { return m_chosen1647; }

    // The full path of `item`: its labels from the root down.
    static std::string itemPath(const QTreeWidgetItem* item);

private:
    void addRoots(QTreeWidget* tree);
    void fillChildren(QTreeWidgetItem* item);
    void dropChildren(QTreeWidgetItem* item);
    void chosenInFilesTree(QTreeWidgetItem* item);
    void chosenInFoldersTree(QTreeWidgetItem* item);
    void activatedInFilesTree(QTreeWidgetItem* item);
    void showTree(QTreeWidget* tree);

    SearchScreen& m_screen;
    QTreeWidget* m_filesTree;
    QTreeWidget* m_foldersTree;
    QWidget* m_preview;
    Window m_window;
    std::string m_chosen1646;
    std::string m_chosen1647;
    // Set while children are dropped: the current item moving off them is no choice.
    bool m_dropping = false;
};

} // namespace vedra::ui
