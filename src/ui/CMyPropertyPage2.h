// The search page, first page of the property sheet: the words box, CERCA, the
// contiguity box and distance, "Nelle note", the Files and Directories filters and
// the drive box of a search directly on disk. It holds no search logic: it hands
// its controls to the engine's search run and calls the screen's StartSearch.
// Every control carries its template id as its object name ("1800", "1009", ...).
#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vedra::ui {

class SearchScreen;

class CMyPropertyPage2 : public QWidget {
    Q_OBJECT

public:
    // `screen` is lent for the page's lifetime. "Nelle note" starts checked, so the
    // workspace's SearchTarget becomes the notes.
    explicit CMyPropertyPage2(SearchScreen& screen, QWidget* parent = nullptr);

    // The words box (UTF-8 as shown; the engine gets it as cp1252).
    QString wordsText() const;
    void setWordsText(const QString& text);
    // The clipboard search: pastes the clipboard's text into the words box.
    void pasteWords();

    // The Files (1054) and Directories (1055) boxes, as a folder tree fills them.
    void setFilesText(const QString& text);
    void setDirectoriesText(const QString& text);

    // Box 1771 and the contiguity option with it.
    void setContiguityChecked(bool checked);

    // Enter starts one search, then is ignored until this is called (the main
    // window does on a double click and on a preview) or the page is (de)activated.
    void clearEnterGuard() { m_enterGuard = false; }
    bool enterGuardSet() const { return m_enterGuard; }

    // Hands the controls to the engine: contiguity and its distance to the search
    // options, the Files and Directories texts and the disk root to the search run.
    // False when the distance lies outside 5..500: the validation message has been
    // shown, the old distance is kept and put back into the box.
    bool readControls();

    // Tooltips and the caption of 1839 in the workspace's language.
    void retranslate();

    // Shows and enables the drive box when "direct on disk" is on, else hides and
    // disables it, and sets the "direct on disk" box from the option; the main
    // window calls it after that option changes (a word search on disk ends it).
    void refreshDiskControls();

    // CERCA (button 1009).
    void search();

    // A search of the archive for `words`, as typed into the words box with
    // "Nelle note" unchecked and CERCA pressed (`vedrareader --search`).
    void searchArchiveFor(const QString& words);

    // The sheet turns to another page: the controls are stored and the Enter guard
    // cleared. (Not a hide event, which also comes while the windows are torn down.)
    void deactivate();

signals:
    // The notes page's search box is to be emptied (CERCA, Enter, 1839 unchecked).
    void notesSearchTextCleared();
    // A double click in the Directories box: the folders-only tree is wanted.
    void folderTreeWanted();
    // The sheet turned to another page (the folder trees go, the preview comes back).
    void deactivated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Activation: whenever the page comes into view.
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    // A search, an indexing run or a fetch is working inside a handler.
    bool longWorkRunning() const;
    void applyTexts(bool firstCreation);
    // Enter in any control of the page.
    void enterPressed();
    void notesBoxClicked(bool checked);
    void fillDriveBox();
    void refreshFromEngine();

    SearchScreen& m_screen;
    bool m_enterGuard = false;

    QGroupBox* m_frame = nullptr;        // 1407
    QLineEdit* m_words = nullptr;        // 1800
    QLabel* m_wordsLabel = nullptr;      // 1601
    QPushButton* m_search = nullptr;     // 1009
    QCheckBox* m_contiguity = nullptr;   // 1771
    QLineEdit* m_distance = nullptr;     // 1772
    QCheckBox* m_inNotes = nullptr;      // 1839
    QGroupBox* m_filters = nullptr;      // 1787
    QLineEdit* m_files = nullptr;        // 1054
    QLineEdit* m_directories = nullptr;  // 1055
    QLabel* m_driveLabel = nullptr;      // 1534
    QComboBox* m_drives = nullptr;       // 1684
    QCheckBox* m_onDisk = nullptr;       // "direct on disk"
};

} // namespace vedra::ui
