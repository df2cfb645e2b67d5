// Every run goes through runIndexing, so a folder run and the first start lock the
// same buttons and end with the same summary. The host's pump lets clicks through
// during a run, so each command refuses to start while long work runs. A list is
// saved only into the file it was read from; after an archive change it is reread.
#include "ui/ArchivePage.h"

#include "core/app/InstallLayout.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveListFiles.h"
#include "core/indexing/FirstStart.h"
#include "core/search/ResultRowFormat.h"
#include "core/search/SearchSession.h"
#include "core/search/WordWatch.h"
#include "ui/SearchScreen.h"
#include "ui/UiText.h"
#include "ui/WindowTexts.h"

#include <QFile>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace vedra::ui {
namespace {


using namespace captions;

QPushButton* makeButton(const char* name, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

ArchivePage::ArchivePage(SearchScreen& screen, QWidget* parent) : QWidget(parent), m_screen(screen)
{
    setObjectName(QStringLiteral("ArchivePage"));
    m_chooseFolder = [this](const QString& caption) { return QFileDialog::getExistingDirectory(this, caption); };

    m_new = makeButton("newArchive", this);
    m_describe = makeButton("describeArchive", this);
    m_index = makeButton("indexFolder", this);
    m_indexOne = makeButton("indexOneFolder", this);
    m_update = makeButton("updateFolder", this);
    m_break = makeButton("break", this);
    m_break->setEnabled(false);
    m_wordWatch = new QCheckBox(this);
    m_wordWatch->setObjectName(QStringLiteral("wordWatch"));
    m_watchService = new QCheckBox(this);
    m_watchService->setObjectName(QStringLiteral("watchService"));
    m_watchServiceSetup = [this] {
        return watch::WatchServiceSetupFromEnvironment(m_screen.workspace(), app::RunningExecutablePath());
    };
    connect(m_new, &QPushButton::clicked, this, &ArchivePage::newArchive);
    connect(m_describe, &QPushButton::clicked, this, &ArchivePage::describeArchive);
    connect(m_index, &QPushButton::clicked, this, &ArchivePage::indexFolder);
    connect(m_indexOne, &QPushButton::clicked, this, &ArchivePage::indexOneFolder);
    connect(m_update, &QPushButton::clicked, this, &ArchivePage::updateFolder);
    connect(m_break, &QPushButton::clicked, this, &ArchivePage::breakRun);
    // A click, not any change of state: showing how the service is changes nothing.
    connect(m_watchService, &QCheckBox::clicked, this, &ArchivePage::setWatchService);

    m_listsTitle = new QLabel(this);
    m_listsTitle->setObjectName(QStringLiteral("listsTitle"));
    m_listChoice = new QComboBox(this);
    m_listChoice->setObjectName(QStringLiteral("listChoice"));
    for (int slot : indexing::kEditableListSlots)
        m_listChoice->addItem(QString(), slot);
    m_listText = new QPlainTextEdit(this);
    m_listText->setObjectName(QStringLiteral("listText"));
    m_listText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_saveList = makeButton("saveList", this);
    connect(m_listChoice, &QComboBox::currentIndexChanged, this, &ArchivePage::showList);
    connect(m_saveList, &QPushButton::clicked, this, &ArchivePage::saveList);

    auto* layout = new QVBoxLayout(this);
    for (QPushButton* button : {m_new, m_describe, m_index, m_indexOne, m_update, m_break})
        layout->addWidget(button);
    layout->addWidget(m_wordWatch);
    layout->addWidget(m_watchService);
    layout->addWidget(m_listsTitle);
    layout->addWidget(m_listChoice);
    layout->addWidget(m_listText, 1);
    layout->addWidget(m_saveList);
    setLanguage(m_screen.workspace().LanguageIndex);
    showList();
}

ArchivePage::~ArchivePage() = default;

QString ArchivePage::tabTitle(int languageIndex)
{
    return caption(kArchiveTab, languageIndex);
}

void ArchivePage::setLanguage(int languageIndex)
{
    m_languageSlot = languageColumn(languageIndex);
    m_new->setText(QString::fromUtf8(kNewArchive[m_languageSlot]));
    m_describe->setText(QString::fromUtf8(kDescribeArchive[m_languageSlot]));
    m_index->setText(QString::fromUtf8(kIndexFolder[m_languageSlot]));
    m_indexOne->setText(QString::fromUtf8(kIndexOneFolder[m_languageSlot]));
    m_update->setText(QString::fromUtf8(kUpdateFolder[m_languageSlot]));
    m_break->setText(QString::fromUtf8(kBreak[m_languageSlot]));
    m_listsTitle->setText(QString::fromUtf8(kListsTitle[m_languageSlot]));
    m_saveList->setText(QString::fromUtf8(kSaveList[m_languageSlot]));
    m_wordWatch->setText(QString::fromUtf8(kWordWatch[m_languageSlot]));
    m_wordWatch->setToolTip(QString::fromUtf8(kWordWatchTip[m_languageSlot]));
    m_watchService->setText(
        displayed(std::string(app::MessageTable(languageIndex).text(app::MessageKey::MsgWatchServiceBox))));
    for (int i = 0; i < m_listChoice->count(); ++i)
        m_listChoice->setItemText(i, QString::fromUtf8(kListNames[i][m_languageSlot]));
    if (m_dialog)
        m_dialog->setTexts(languageIndex);
}

int ArchivePage::chosenListSlot() const
{
    return m_listChoice->currentData().toInt();
}

void ArchivePage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The archive may have changed while the page was hidden; text being edited
    // for the same archive is kept.
    app::Workspace& workspace = m_screen.workspace();
    const std::string path = workspace.hasCurrentArchive() ? workspace.store().slotPath(chosenListSlot()) : std::string();
    if (path != m_listPath)
        showList();
    showWatchService();
}

void ArchivePage::showList()
{
    app::Workspace& workspace = m_screen.workspace();
    const int slot = chosenListSlot();
    std::optional<std::string> text = indexing::ReadListFile(workspace, slot);
    m_listPath = workspace.hasCurrentArchive() ? workspace.store().slotPath(slot) : std::string();
    m_listText->setPlainText(text ? QString::fromStdString(*text) : QString());
    m_listText->setEnabled(text.has_value());
}

void ArchivePage::saveList()
{
    app::Workspace& workspace = m_screen.workspace();
    // A run or a search reads these files; they change between runs only.
    if (m_running || workspace.busy || m_screen.longWorkRunning())
        return;
    const int slot = chosenListSlot();
    if (workspace.hasCurrentArchive() && workspace.store().slotPath(slot) != m_listPath) {
        showList();
        return;
    }
    if (indexing::SaveListFile(workspace, slot, m_listText->toPlainText().toStdString()))
        showList();
}

void ArchivePage::newArchive()
{
    if (m_screen.longWorkRunning())
        return;
    openDialog(CNomeArchivio::Mode::NewArchive);
}

void ArchivePage::describeArchive()
{
    app::Workspace& workspace = m_screen.workspace();
    if (!workspace.hasCurrentArchive()) {
        workspace.showMessage(app::MessageKey::MsgNeedArchive);
        return;
    }
    openDialog(CNomeArchivio::Mode::CurrentArchive);
}

void ArchivePage::openDialog(CNomeArchivio::Mode mode)
{
    if (m_running)
        return;
    // One dialog at a time, made afresh so that it shows the state of now.
    if (m_dialog)
        m_dialog->deleteLater();
    m_dialog = new CNomeArchivio(m_screen, mode, window());
    m_dialog->show();
    m_dialog->raise();
}

void ArchivePage::indexFolder()
{
    run(indexing::IndexCommand::Normal);
}

void ArchivePage::indexOneFolder()
{
    run(indexing::IndexCommand::SingleFolder);
}

void ArchivePage::updateFolder()
{
    run(indexing::IndexCommand::Update);
}

void ArchivePage::breakRun()
{
    if (m_running)
        m_screen.workspace().BreakCode = app::StopCode::Break;
}

void ArchivePage::showWatchService()
{
    m_watchService->setChecked(watch::WatchServiceState(m_watchServiceSetup()) != watch::WatchServiceWay::None);
}

void ArchivePage::setWatchService(bool on)
{
    app::Workspace& workspace = m_screen.workspace();
    const watch::WatchServiceSetup setup = m_watchServiceSetup();
    workspace.host().setWaitCursor(true);
    const watch::WatchServiceOutcome outcome =
        on ? watch::EnableWatchService(setup, workspace.messages()) : watch::DisableWatchService(setup, workspace.messages());
    workspace.host().setWaitCursor(false);
    std::string text;
    for (const watch::WatchServiceNote& note : outcome.notes)
        text += (text.empty() ? "" : "\n") + note.text;
    workspace.host().messageBox(text, app::MessageButtons::Ok);
    showWatchService();
}

void ArchivePage::setRunning(bool running)
{
    m_running = running;
    for (QPushButton* button : {m_new, m_describe, m_index, m_indexOne, m_update, m_saveList})
        button->setEnabled(!running);
    m_break->setEnabled(running);
}

void ArchivePage::run(indexing::IndexCommand command)
{
    app::Workspace& workspace = m_screen.workspace();
    // The host's pump lets clicks through during a run; a second run must wait.
    if (m_running || workspace.busy || m_screen.longWorkRunning())
        return;
    if (!workspace.hasCurrentArchive()) {
        workspace.showMessage(app::MessageKey::MsgNeedArchive);
        return;
    }
    const QPushButton* button = command == indexing::IndexCommand::Normal        ? m_index
                                : command == indexing::IndexCommand::SingleFolder ? m_indexOne
                                                                                  : m_update;
    const QString folder = m_chooseFolder(button->text());
    if (folder.isEmpty())
        return;

    indexing::IndexingOptions options = m_options;
    search::SearchSession& session = m_screen.session();
    options.fileFilter = session.run().fileFilter();
    options.folderFilter = session.run().folderFilter();
    const std::string start = QFile::encodeName(folder).toStdString();
    runIndexing([&](const indexing::IndexFolderHooks& hooks) -> std::optional<indexing::IndexFolderResult> {
        return indexing::IndexFolder(workspace, start, command, options, hooks);
    });
}

bool ArchivePage::firstStart(const std::string& folder)
{
    app::Workspace& workspace = m_screen.workspace();
    if (m_running || workspace.busy || m_screen.longWorkRunning() || !indexing::NeedsFirstStart(workspace))
        return false;
    bool made = false;
    runIndexing([&](const indexing::IndexFolderHooks& hooks) -> std::optional<indexing::IndexFolderResult> {
        indexing::FirstStartResult result = indexing::RunFirstStart(workspace, folder, hooks);
        made = result.archive.number > 0;
        if (!made)
            return std::nullopt;
        return result.run;
    });
    return made;
}

void ArchivePage::runIndexing(const IndexingWork& work)
{
    app::Workspace& workspace = m_screen.workspace();
    search::ResultList& results = m_screen.session().results();
    const std::size_t rowsBefore = results.size();
    const std::string pathsLabel(workspace.messages().text(app::MessageKey::MsgFilePathsIndexed));
    indexing::IndexFolderHooks hooks;
    hooks.onFile = [&workspace, &pathsLabel](const indexing::IndexingCounters& counters) {
        workspace.host().setStatus(pathsLabel + std::to_string(counters.filesSeen));
    };
    hooks.onRow = [&results](const std::string& row, std::uint64_t size) {
        search::ResultRow line;
        line.columns[0] = row;
        line[search::ResultColumn::Size] = search::SizeText(size);
        results.append(std::move(line));
    };
    if (m_wordWatch->isChecked()) {
        hooks.watchWords = search::WordWatchWords(m_screen.session().run().words());
        hooks.onWatchedDocument = [&workspace, &results, watched = hooks.watchWords](const std::string& path) {
            search::AddWatchedDocument(workspace, results, path, watched);
        };
    }

    setRunning(true);
    workspace.host().setStatus(std::string(workspace.messages().text(app::MessageKey::MsgIndexing)));
    std::optional<indexing::IndexFolderResult> result = work(hooks);
    setRunning(false);
    if (results.size() != rowsBefore)
        m_screen.refreshResults();
    if (!result)
        return;
    m_lastResult = *result;

    if (m_lastResult.status == indexing::IndexStatus::Done || m_lastResult.status == indexing::IndexStatus::Stopped) {
        std::string summary;
        for (const std::string& line : indexing::IndexSummaryLines(workspace, m_lastResult))
            summary += line + "\n";
        workspace.host().messageBox(summary, app::MessageButtons::Ok);
    }
    emit runFinished();
}

} // namespace vedra::ui
