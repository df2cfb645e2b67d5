// The utility page, second page of the property sheet: the notes field and its
// search in the notes file or the agenda, saving a note as a memorandum or a plain
// note, the browser chooser and the web search, and the archives found on disk.
// Controls of the page's template carry their id as object name ("1475", ...).
#pragma once

#include <QString>
#include <QWidget>

#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vedra::ui {

class SearchScreen;

class CNote : public QWidget {
    Q_OBJECT

public:
    // `screen` is lent for the page's lifetime.
    explicit CNote(SearchScreen& screen, QWidget* parent = nullptr);

    // The notes field 1475, which is also the page's search box (UTF-8 as shown).
    QString searchText() const;
    void setSearchText(const QString& text);
    // The clipboard search: pastes the clipboard's text into the notes field.
    void pasteSearchText();

    // The address of the web search site, ending in '/'; without one the web search
    // does nothing.
    void setWebSearchPage(std::string address) { m_webSearchPage = std::move(address); }

    // Captions and the notes tooltip in the workspace's language.
    void retranslate();

    // What activation does: the browser list and the archives on disk read again,
    // the memorandum and notes boxes set from the workspace's SearchTarget.
    void refresh();

    // Button 1499: the notes file (the agenda while Memorandum is checked) searched
    // for the notes text; the entries found go to the preview.
    void SearchNotes();
    // Saves the notes text into the file of the checked box, then shows it found.
    void saveNote();
    // Button 1776.
    void LaunchWebSearch();

signals:
    // The search page's words are to be emptied before the notes are searched.
    void searchWordsCleared();
    // An archive chosen in 1835 was opened; `introduction` is the path of its
    // "Introduzione.rtf", empty when it has none.
    void archiveOpened(const QString& archiveName, const QString& introduction);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void FillBrowserList();
    void ChooseBrowser(int index);
    void FillArchivesOnDisk();
    void OpenArchiveOnDisk(int index);
    void scopeClicked(QCheckBox* box, bool checked);
    // A search, an indexing run or a fetch is working inside a handler: the page's
    // commands that open or write files wait for it.
    bool longWorkRunning() const;

    SearchScreen& m_screen;
    std::string m_webSearchPage;

    QGroupBox* m_notesFrame = nullptr;      // 1790
    QLabel* m_notesTitle = nullptr;         // 1837
    QPlainTextEdit* m_notes = nullptr;      // 1475
    QPushButton* m_clearNotes = nullptr;    // 1678
    QPushButton* m_searchNotes = nullptr;   // 1499
    QCheckBox* m_memorandum = nullptr;
    QCheckBox* m_notesScope = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_pageNotes = nullptr;     // the information window on the notes
    QPushButton* m_graph = nullptr;         // the notes text drawn as a function of x
    QLabel* m_archivesLabel = nullptr;      // 1838
    QComboBox* m_archives = nullptr;        // 1835
    QCheckBox* m_englishReading = nullptr;  // the workspace's EnglishReading, saved at closing
    int m_currentArchiveIndex = -1;         // the entry of 1835 that is the current archive
    QGroupBox* m_webFrame = nullptr;        // 1794
    QLineEdit* m_webWords = nullptr;        // 1775
    QPushButton* m_webSearch = nullptr;     // 1776
    QComboBox* m_browsers = nullptr;        // 1796
};

} // namespace vedra::ui
