#include "ui/ArchivePage.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/ResultRowFormat.h"
#include "core/search/SearchSession.h"
#include "ui/SearchScreen.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace vedra::ui {
namespace {

constexpr int kBreakRequested = 27;

// Italian, English, Spanish.
const char* const kTabTitle[3] = {"Archivio", "Archive", "Archivo"};
const char* const kNewArchive[3] = {"Nuovo archivio", "New archive", "Nuevo archivo"};
const char* const kDescribeArchive[3] = {"Descrivi l'archivio", "Describe the archive", "Describir el archivo"};
const char* const kIndexFolder[3] = {"Indicizza una cartella…", "Index a folder…", "Indexar una carpeta…"};
const char* const kIndexOneFolder[3] = {"Indicizza una sola cartella…", "Index one folder…",
                                        "Indexar una sola carpeta…"};
const char* const kUpdate[3] = {"Aggiorna una cartella…", "Update a folder…", "Actualizar una carpeta…"};

int languageSlot(int languageIndex)
{
    return languageIndex == 0 ? 0 : languageIndex == 1 ? 1 : 2;
}

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
    m_break->setText(QStringLiteral("Break"));
    m_break->setEnabled(false);
    connect(m_new, &QPushButton::clicked, this, &ArchivePage::newArchive);
    connect(m_describe, &QPushButton::clicked, this, &ArchivePage::describeArchive);
    connect(m_index, &QPushButton::clicked, this, &ArchivePage::indexFolder);
    connect(m_indexOne, &QPushButton::clicked, this, &ArchivePage::indexOneFolder);
    connect(m_update, &QPushButton::clicked, this, &ArchivePage::updateFolder);
    connect(m_break, &QPushButton::clicked, this, &ArchivePage::breakRun);

    auto* layout = new QVBoxLayout(this);
    for (QPushButton* button : {m_new, m_describe, m_index, m_indexOne, m_update, m_break})
        layout->addWidget(button);
    layout->addStretch(1);
    setLanguage(m_screen.workspace().LanguageIndex);
}

ArchivePage::~ArchivePage() = default;

QString ArchivePage::tabTitle(int languageIndex)
{
    return QString::fromUtf8(kTabTitle[languageSlot(languageIndex)]);
}

void ArchivePage::setLanguage(int languageIndex)
{
    m_languageSlot = languageSlot(languageIndex);
    m_new->setText(QString::fromUtf8(kNewArchive[m_languageSlot]));
    m_describe->setText(QString::fromUtf8(kDescribeArchive[m_languageSlot]));
    m_index->setText(QString::fromUtf8(kIndexFolder[m_languageSlot]));
    m_indexOne->setText(QString::fromUtf8(kIndexOneFolder[m_languageSlot]));
    m_update->setText(QString::fromUtf8(kUpdate[m_languageSlot]));
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
        m_screen.workspace().BreakCode = kBreakRequested;
}

void ArchivePage::setRunning(bool running)
{
    m_running = running;
    for (QPushButton* button : {m_new, m_describe, m_index, m_indexOne, m_update})
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

    search::ResultList& results = session.results();
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

    setRunning(true);
    workspace.host().setStatus(std::string(workspace.messages().text(app::MessageKey::MsgIndexing)));
    m_lastResult = indexing::IndexFolder(workspace, QFile::encodeName(folder).toStdString(), command, options, hooks);
    setRunning(false);
    if (results.size() != rowsBefore)
        m_screen.refreshResults();

    if (m_lastResult.status == indexing::IndexStatus::Done || m_lastResult.status == indexing::IndexStatus::Stopped) {
        std::string summary;
        for (const std::string& line : indexing::IndexSummaryLines(workspace, m_lastResult))
            summary += line + "\n";
        workspace.host().messageBox(summary, app::MessageButtons::Ok);
    }
    emit runFinished();
}

} // namespace vedra::ui
