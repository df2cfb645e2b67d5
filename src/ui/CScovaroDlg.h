// The main window. It is the engine's host for the whole run: it drains the
// event queue for long operations, asks the engine's questions, and shows the
// title, status line and progress. Its handlers call one engine operation each and
// draw what came back: the result list, the preview, the Pos and size fields.
#pragma once

#include "core/app/Host.h"
#include "core/app/Workspace.h"
#include "core/search/ClipboardSearch.h"
#include "core/search/SearchSession.h"
#include "core/utilities/MediaKinds.h"
#include "core/utilities/NotesPager.h"
#include "core/utilities/PopupActions.h"
#include "core/utilities/PopupMenu.h"
#include "ui/CScelta.h"
#include "ui/MessageBoxes.h"
#include "ui/SearchScreen.h"

#include <QColor>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCloseEvent;
class QKeyEvent;
class QLabel;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace vedra::ui {

class CGrafica;
class CMyPropertyPage2;
class CMyPropertySheet;
class CNote;
class CTastoDestro;
class ArchivePage;
class DocumentPrinter;
class FolderTrees;
class ResultListModel;
class WatchIndicatorLabel;
class WatcherChild;

class CScovaroDlg : public QDialog, public app::Host, public SearchScreen {
    Q_OBJECT

public:
    // Window colours, as RGB.
    static constexpr QRgb kWindowColour = qRgb(0, 64, 128);
    static constexpr QRgb kTextBackgroundColour = qRgb(230, 250, 250);
    static constexpr QRgb kResultListColour = qRgb(220, 220, 220);
    static constexpr QRgb kPreviewColour = qRgb(250, 250, 250);
    static constexpr QRgb kIndexListColour = qRgb(240, 240, 240);
    static constexpr QRgb kIndexListTextColour = qRgb(0, 64, 100);

    // The template's 470 x 269 dialog units, two pixels each way.
    static constexpr int kPixelsPerUnit = 2;
    static QRect unitRect(int left, int top, int width, int height);
    // The preview's plain height before "Enlarge"; each step of 50 adds two points.
    static constexpr int kPreviewBasePointSize = utilities::kPreviewBasePointSize;

    // How a clipboard search was started: by the window coming back on screen
    // (paste) or by the user restoring or clicking the minimised window (click).
    using ClipboardMode = search::ClipboardMode;

    // `workspace` is lent for the dialog's lifetime. The dialog only becomes the
    // workspace's host when the caller points the workspace's host at it.
    explicit CScovaroDlg(app::Workspace& workspace, QWidget* parent = nullptr);
    ~CScovaroDlg() override;

    // The window half of start-up; call once, after the workspace's host forwards
    // to this dialog: the engine's session start (title, texts, tools), the
    // property sheet and its pages, the language, the index list, the introduction.
    void initialise();

    // The colour behind the window icon (what a minimised window shows).
    void setFillColour(const QColor& colour);
    QColor fillColour() const { return m_fillColour; }

    // Message boxes go to `responder` instead of a window while it is set.
    void setMessageResponder(MessageResponder responder) { m_responder = std::move(responder); }
    // Every message text shown, as displayed (UTF-8), in order.
    const std::vector<std::string>& shownMessages() const { return m_shownMessages; }

    // The language of the checked flag button: 2 Spanish, 0 Italian, 1 English,
    // -1 when none is checked.
    int checkedLanguage() const;

    // The saving steps of closing (the workspace's: archive buffers, language file,
    // catalogue), a playing media pane stopped, and BreakCode Closing. Runs once;
    // later calls do nothing.
    void ShutdownSave();
    // The Break button: asks running operations to stop.
    void BreakCommand();
    // The Options button: the result list and preview back, the property sheet beside the window.
    void ShowOptions();
    // The search page in view, searching the archive for `words` (UTF-8).
    void SearchArchiveFor(const QString& words);
    // A search for the clipboard's text (copied in another program).
    void ClipboardSearch(ClipboardMode mode);
    // The About box ("Vedra information").
    void showAbout();
    // The live index: when it is on for the working folder and no watcher runs
    // for it, `vedra --workdir W watch` is started as this window's child, and
    // ended when the window closes. The program's start calls it; a window a test
    // makes never starts a watcher.
    void startLiveIndex();
    // The live index's indicator in the status area.
    WatchIndicatorLabel* watchIndicator() const { return m_watchIndicator; }
    // The first start of an installed program (no catalogue): the archive page
    // makes the archive DOCUMENTI and indexes `folder` into it, then the window
    // shows the new archive.
    void FirstStart(const std::string& folder);

    CMyPropertySheet* propertySheet() const { return m_sheet; }
    CMyPropertyPage2* searchPage() const { return m_searchPage; }
    CNote* notePage() const { return m_notePage; }
    CTastoDestro* popupWindow() const { return m_popup; }
    // The image preview while it is open; null before its first use and once closed.
    CGrafica* imagePreview() const;
    // The image preview, created when it is not open (its graph's expression is
    // the notes text).
    CGrafica* openImagePreview();
    // A picture or media file in the image preview; a web address goes to its
    // program, an unreadable file is ignored.
    void ShowPreviewFile(const std::string& path);
    // The information window while it exists (it is forgotten when closed).
    CScelta* informationWindow() const { return m_information; }
    // The information window, created when there is none. While it is shown the
    // clipboard search is off; closing it turns it on and restores this window.
    CScelta* information();
    // The position the last media window stopped at, for the next one to resume.
    utilities::MediaPositionMemory& mediaPositions() { return m_mediaPositions; }
    // The folder trees 1646 and 1647.
    FolderTrees* folderTrees() const { return m_trees; }
    // "Add to the browser list": tree 1646 over the preview, with the focus.
    void ShowDriveTree();
    // The clipboard search's state (its option, its guard).
    const search::ClipboardSearch& clipboardSearch() const { return m_clipboard; }
    // True while a search or another long operation runs inside a handler.
    bool longWorkRunning() const override { return m_longWork > 0; }
    int previewPointSize() const { return m_previewPointSize; }
    // The print operation of the window (its printing flag, the printer dialog).
    DocumentPrinter& printer() { return *m_printer; }
    // The file name "Save as" gets, given the one it proposes; empty when cancelled.
    // A file dialog unless set (tests answer it).
    using SaveNameChooser = std::function<QString(const QString& proposed)>;
    void setSaveNameChooser(SaveNameChooser chooser) { m_chooseSaveName = std::move(chooser); }
    // A click on the result list's column header: sorted by it, then the other way.
    void resultHeaderClicked(int column);
    // "Relevance" of the result list's header menu: the rows best first.
    void sortResultsByRelevance();
    QAction* relevanceAction() const { return m_relevanceAction; }
    ResultListModel* resultModel() const { return m_resultModel; }
    // Ctrl+F and F3: the search page shown (and the sheet, when hidden) with the
    // words box's text selected and the focus in it.
    void focusWordsBox();
    // Escape before the question to quit: the menu, the pop-up window, the folder
    // trees, the information window or the image window, the first of them open,
    // is closed. False when none was.
    bool closeTopmostPopup();

    // app::Host
    bool drainEvents() override;
    app::MessageAnswer messageBox(const std::string& text, app::MessageButtons buttons) override;
    app::MessageAnswer titledMessageBox(const std::string& title, const std::string& text,
                                        app::MessageButtons buttons) override;
    void setTitle(const std::string& title) override;
    void setStatus(const std::string& text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPosition(int position) override;
    void setWaitCursor(bool on) override;

    // SearchScreen
    app::Workspace& workspace() override { return m_workspace; }
    search::SearchSession& session() override { return *m_session; }
    utilities::PopupFlags& popupFlags() override { return m_popupFlags; }
    void StartSearch(const std::string& queryText) override;
    bool followRunningSearch(std::function<void()> start) override;
    void refreshResults() override;
    void refreshPreview() override;
    void showPopupMenu(utilities::PopupContext context, const QPoint& globalPosition, QWidget* requester) override;
    void closePopupMenu() override;
    void performPopupAction(const utilities::PopupOutcome& outcome, utilities::PopupContext context) override;
    std::string selectedPreviewText() override;
    std::vector<std::size_t> shownRows() const override;
    void showNotesPages(const std::string& notesText) override;
    void drawFunctionGraph() override;
    void printText(const std::string& name, const QTextDocument& text) override;

public slots:
    // While an operation is busy, closing only asks it to stop (BreakCode Break).
    void reject() override;
    // Every way the dialog ends passes here; ShutdownSave runs first.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildControls();
    // The keys of the lists, the tab order and the focus of the buttons; the
    // sheet's pages are arranged once they exist.
    void setUpKeyboard();
    void arrangePagesForKeyboard();
    // The screen reader's texts of every control in the chosen language.
    void applyAccessibleTexts();
    // True for a widget of this window or of the windows it owns.
    bool belongsToProgram(const QWidget* widget) const;
    // True when `object` is the pop-up window or lies inside it (its box's list too).
    bool insidePopupWindow(const QObject* object) const;
    // A message box closed: the pop-up and tool windows back above the window.
    void raiseToolWindows();
    // Ctrl+F and F3 in any of the program's windows go to the words box; true
    // when `key` was one of them.
    bool takeFindKey(QObject* watched, const QKeyEvent& key);
    void buildBottomRow();
    // The status line gives the indicator the room it needs while it shows.
    void layoutStatusArea();
    void createPropertySheet();
    void showPropertySheet();
    void retranslate();
    void retranslatePages();
    void clearSearchPageGuard();
    void archiveOpenedFromPage();
    void checkLanguageButton(int languageIndex);
    void chooseLanguage(int languageIndex);
    // Escape outside a long operation: asks whether to quit.
    void confirmQuit();
    // A window event passed to the clipboard search, and its reaction carried out.
    void reactToClipboardEvent(search::ClipboardWindowEvent event);
    bool ownsWidget(const QObject* object) const;
    bool busyWithLongWork() const;

    // Result list and preview handlers.
    void resultClicked(const QModelIndex& index);
    void resultDoubleClicked(const QModelIndex& index);
    void continueClicked();
    // A double click in the preview: the path or address on the caret's line is
    // opened with its program, a plain word is searched in the notes.
    void openLinkAtCaret();
    void copyViewSelectionToList();
    void copyListSelectionToView();
    void showSortIndicator();
    void showResultsAndPreview();
    void loadIntroduction();
    void loadIndexList();
    // The index list 1831: a click shows the entry's extracts (words given) or its
    // document; a double click opens the entry's path with its program.
    void connectIndexList();
    void indexEntryClicked(QTreeWidgetItem* item);
    void indexEntryDoubleClicked(QTreeWidgetItem* item);
    std::size_t indexEntryRow(QTreeWidgetItem* item, bool forOpening);
    void setPreviewPlainText(const std::string& cp1252);

    // The words box of the search page and the search box of the utility page.
    QString queryWordsText() const;
    void setQueryWordsText(const QString& text);
    QString notesSearchText() const;
    void setNotesSearchText(const QString& text);
    // The preview's selected text as cp1252.
    std::string previewSelection() const;
    // The preview's "Print" (its selection, named after its document) and the image
    // menu's "Print image" (the picture shown in the image preview).
    void printPreview();
    void printImage();
    // The notes file's parts for the information window: the file of the notes
    // target, the words box's words, else those of the notes text.
    utilities::NotesPageQuery notesPageQuery();

    app::Workspace& m_workspace;
    QAction* m_relevanceAction = nullptr;
    std::unique_ptr<search::SearchSession> m_session;
    std::unique_ptr<DocumentPrinter> m_printer;
    utilities::PopupFlags m_popupFlags;
    MessageResponder m_responder;
    std::vector<std::string> m_shownMessages;
    QColor m_fillColour;

    SaveNameChooser m_chooseSaveName;
    ResultListModel* m_resultModel = nullptr;
    QTableView* m_resultList = nullptr;
    QTextEdit* m_preview = nullptr;
    QTextEdit* m_intro = nullptr;
    QTreeWidget* m_pathList = nullptr;
    std::vector<search::PathEntry> m_pathEntries;  // the rows of 1831, in order
    QTreeWidget* m_folderTree = nullptr;
    QTreeWidget* m_fileTree = nullptr;
    FolderTrees* m_trees = nullptr;
    QLabel* m_statusLine = nullptr;
    WatchIndicatorLabel* m_watchIndicator = nullptr;
    WatcherChild* m_watcher = nullptr;
    bool m_liveIndexOn = false;  // decided once, when the window starts its live index
    QLabel* m_positionField = nullptr;
    QLabel* m_sizeField = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_continueButton = nullptr;
    QPushButton* m_breakButton = nullptr;
    QPushButton* m_optionsButton = nullptr;
    QRadioButton* m_english = nullptr;
    QRadioButton* m_italian = nullptr;
    QRadioButton* m_spanish = nullptr;

    CMyPropertySheet* m_sheet = nullptr;
    CMyPropertyPage2* m_searchPage = nullptr;
    CNote* m_notePage = nullptr;
    ArchivePage* m_archivePage = nullptr;
    CTastoDestro* m_popup = nullptr;
    QPointer<CGrafica> m_grafica;
    utilities::PopupContext m_popupContext = utilities::PopupContext::ResultList;
    QPointer<CScelta> m_information;
    utilities::MediaPositionMemory m_mediaPositions;
    std::string m_notesPagingText;  // the notes text when paging began (cp1252)

    QRect m_startGeometry;
    bool m_initialised = false;
    bool m_shutdownSaved = false;
    int m_drainDepth = 0;
    bool m_escapeWhileDraining = false;
    int m_waitCursorDepth = 0;
    int m_longWork = 0;
    bool m_searching = false;                // StartSearch is running a search
    std::function<void()> m_afterSearch;     // entered during a walk: runs when it has stopped
    QElapsedTimer m_sinceListRefresh;
    std::size_t m_rowsShown = 0;
    search::ClipboardSearch m_clipboard;
    bool m_introShown = false;
    bool m_leftForOwnWindow = false;  // deactivated by another window of the program
    int m_previewPointSize = kPreviewBasePointSize;
    std::string m_previewName;  // the preview's own text after "New"
};

} // namespace vedra::ui
