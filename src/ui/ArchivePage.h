// The property sheet's archive page: a new archive, the current archive's
// description, and the indexing commands (a folder with resume, one folder, an
// update), the live index turned on or off for every login, and the archive's
// editable lists (its filters). The run itself is the engine's IndexFolder; while
// it works the window stays live through the host's pump and Break stops it.
#pragma once

#include "core/indexing/IndexFolder.h"
#include "core/watch/WatchService.h"
#include "ui/CNomeArchivio.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vedra::ui {

class SearchScreen;

class ArchivePage : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a folder (`caption` in the window's language); an empty
    // text means none was chosen.
    using FolderChooser = std::function<QString(const QString& caption)>;
    // Where the live index's service is for the user (the environment's, unless
    // a test gives its own).
    using WatchServiceSetupSource = std::function<watch::WatchServiceSetup()>;

    // `screen` is lent for the page's lifetime.
    explicit ArchivePage(SearchScreen& screen, QWidget* parent = nullptr);
    ~ArchivePage() override;

    // The sheet's tab title: "Archivio", "Archive", "Archivo".
    static QString tabTitle(int languageIndex);

    // Replaces the folder dialog (tests give a path).
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    void setWatchServiceSetup(WatchServiceSetupSource source) { m_watchServiceSetup = std::move(source); }
    // Sub-folders, unpacking and filters of the next runs. The file and folder
    // filters are taken from the search page at the start of each run.
    indexing::IndexingOptions& indexingOptions() { return m_options; }

    // Button texts in `languageIndex` (0 Italian, 1 English, other Spanish).
    void setLanguage(int languageIndex);

    // The archive dialog last opened, null before.
    CNomeArchivio* archiveDialog() const { return m_dialog.data(); }
    bool isRunning() const { return m_running; }
    // The last run's counters and how it ended.
    const indexing::IndexFolderResult& lastResult() const { return m_lastResult; }

    // The first start of an installed program: without a catalogue, the archive
    // DOCUMENTI is made and `folder` indexed into it with unpacking, as any run
    // of the page (progress, Break, summary). False when nothing was made (a
    // catalogue exists, other work runs, or the creation failed and said why).
    bool firstStart(const std::string& folder);

public slots:
    void newArchive();
    void describeArchive();
    void indexFolder();
    void indexOneFolder();
    // A normal run over the chosen folder whose records rewritten for changed files
    // are marked as updated.
    void updateFolder();
    // Asks the running indexing to stop (BreakCode Break).
    void breakRun();

    // The box "watchService" ticked (`on`) or cleared by the user: the live
    // index's service turned on or off, what was done shown in a message, and the
    // box set to how the service now is.
    void setWatchService(bool on);
    // The box set to whether the service is on, as the page is shown.
    void showWatchService();

    // The list chosen in "listChoice" read again from the current archive into
    // "listText".
    void showList();
    // "listText" written over the chosen list file; the next search and the next
    // run read it. Refused while long work runs.
    void saveList();

protected:
    void showEvent(QShowEvent* event) override;

signals:
    // An indexing run ended (done or stopped); the summary has been shown.
    void runFinished();

private:
    using IndexingWork =
        std::function<std::optional<indexing::IndexFolderResult>(const indexing::IndexFolderHooks& hooks)>;

    void openDialog(CNomeArchivio::Mode mode);
    void run(indexing::IndexCommand command);
    // Runs an engine indexing operation as every run of the page goes: buttons
    // locked and Break on, the status line and the result rows kept up, the
    // summary shown and runFinished emitted at the end; nothing shown when the
    // work gives no result (it has told the user why).
    void runIndexing(const IndexingWork& work);
    void setRunning(bool running);
    int chosenListSlot() const;

    SearchScreen& m_screen;
    FolderChooser m_chooseFolder;
    WatchServiceSetupSource m_watchServiceSetup;
    indexing::IndexingOptions m_options;
    indexing::IndexFolderResult m_lastResult;
    // Owned by the page's window, which may go first.
    QPointer<CNomeArchivio> m_dialog;
    bool m_running = false;
    int m_languageSlot = 1;

    QPushButton* m_new = nullptr;
    QPushButton* m_describe = nullptr;
    QPushButton* m_index = nullptr;
    QPushButton* m_indexOne = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_break = nullptr;
    QCheckBox* m_wordWatch = nullptr;
    QCheckBox* m_watchService = nullptr;
    QLabel* m_listsTitle = nullptr;
    QComboBox* m_listChoice = nullptr;
    QPlainTextEdit* m_listText = nullptr;
    QPushButton* m_saveList = nullptr;
    // The file the editor's text was read from: a list shown before the archive
    // changed is never saved into the new archive.
    std::string m_listPath;
};

} // namespace vedra::ui
