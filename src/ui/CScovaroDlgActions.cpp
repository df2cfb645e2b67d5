// The main window's side of its property sheet, its pages and the pop-up window:
// the engine carries out a pop-up entry, and the window does the widget work left
// (clipboard, undo, dialogs, printing, drawing the list and the preview again).
#include "ui/CScovaroDlg.h"

#include "core/app/TextEncoding.h"
#include "core/search/PreviewSession.h"
#include "core/utilities/Notes.h"
#include "core/utilities/NotesPager.h"
#include "core/utilities/PopupActions.h"
#include "core/utilities/PreviewCalculation.h"
#include "ui/ArchivePage.h"
#include "ui/CGrafica.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"
#include "ui/CScelta.h"
#include "ui/FileManagerBus.h"
#include "ui/FolderTrees.h"
#include "ui/PreviewRendering.h"
#include "ui/Printing.h"
#include "ui/ResultListModel.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>

#include <cstdlib>
#include <optional>

namespace vedra::ui {
namespace {

using utilities::PopupContext;

} // namespace

void CScovaroDlg::createPropertySheet()
{
    if (m_sheet != nullptr)
        return;
    m_sheet = new CMyPropertySheet(*this, this);
    m_searchPage = m_sheet->searchPage();
    m_notePage = m_sheet->notePage();
    connect(m_notePage, &CNote::archiveOpened, this, &CScovaroDlg::archiveOpenedFromPage);
    connect(m_searchPage, &CMyPropertyPage2::deactivated, m_trees, &FolderTrees::hideTrees);
    connect(m_searchPage, &CMyPropertyPage2::folderTreeWanted, this, [this] {
        m_introShown = false;
        m_intro->hide();
        m_resultList->show();
        m_trees->ShowFolderTree();
    });
    if (const char* webSearch = std::getenv("VEDRA_WEB_SEARCH_PAGE"); webSearch != nullptr)
        m_notePage->setWebSearchPage(webSearch);
    m_archivePage = new ArchivePage(*this);
    m_archivePage->setObjectName(QStringLiteral("archivePage"));
    m_sheet->addPage(m_archivePage, ArchivePage::tabTitle(m_workspace.LanguageIndex));
    connect(m_archivePage, &ArchivePage::runFinished, this, [this] {
        setTitle(m_workspace.windowTitle());
        loadIndexList();
    });
    if (m_workspace.hasCurrentArchive()) {
        // The contiguity box starts checked once there is an archive to search.
        m_searchPage->setContiguityChecked(true);
        m_session->run().options().setContiguity(true);
    }
}

void CScovaroDlg::showPropertySheet()
{
    if (m_sheet != nullptr)
        m_sheet->showBeside(frameGeometry());
}

void CScovaroDlg::retranslatePages()
{
    if (m_sheet == nullptr)
        return;
    m_sheet->retranslate();
    m_archivePage->setLanguage(m_workspace.LanguageIndex);
    int tab = m_sheet->tabs()->indexOf(m_archivePage);
    m_sheet->tabs()->setTabText(tab, ArchivePage::tabTitle(m_workspace.LanguageIndex));
}

void CScovaroDlg::clearSearchPageGuard()
{
    if (m_searchPage != nullptr)
        m_searchPage->clearEnterGuard();
}

void CScovaroDlg::FirstStart(const std::string& folder)
{
    if (m_archivePage != nullptr && m_archivePage->firstStart(folder))
        archiveOpenedFromPage();
}

void CScovaroDlg::archiveOpenedFromPage()
{
    setTitle(m_workspace.windowTitle());
    m_session->results().clear();
    refreshResults();
    loadIndexList();
    loadIntroduction();
}

QString CScovaroDlg::queryWordsText() const
{
    return m_searchPage != nullptr ? m_searchPage->wordsText() : QString();
}

void CScovaroDlg::setQueryWordsText(const QString& text)
{
    if (m_searchPage != nullptr)
        m_searchPage->setWordsText(text);
}

QString CScovaroDlg::notesSearchText() const
{
    return m_notePage != nullptr ? m_notePage->searchText() : QString();
}

void CScovaroDlg::setNotesSearchText(const QString& text)
{
    if (m_notePage != nullptr)
        m_notePage->setSearchText(text);
}

void CScovaroDlg::performPopupAction(const utilities::PopupOutcome& outcome, PopupContext context)
{
    using utilities::PopupWindowTask;
    if (busyWithLongWork())
        return;
    // The image menu's own entries are the image preview's to carry out.
    if (context == PopupContext::ImagePreview && m_grafica != nullptr && m_grafica->runImageEntry(outcome.action))
        return;
    if (context == PopupContext::ImagePreview && outcome.action == utilities::PopupAction::PrintImage) {
        printImage();
        return;
    }
    utilities::PopupWindowState state;
    state.selectedText = previewSelection();
    state.queryText = engineText(queryWordsText());
    state.statusText = engineText(m_statusLine->text());
    state.previewName = m_previewName;
    state.shownRows = shownRows();
    state.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    state.homeFolder = QDir::homePath().toStdString();
    // The engine's side may read documents and pump: other long work waits for it.
    ++m_longWork;
    const utilities::PopupWindowWork work =
        utilities::PerformPopupAction(m_workspace, *m_session, m_popupFlags, outcome, state);
    --m_longWork;

    if (work.contiguityBox >= 0 && m_searchPage != nullptr)
        m_searchPage->setContiguityChecked(work.contiguityBox != 0);
    if (work.previewPointSize > 0)
        m_previewPointSize = work.previewPointSize;
    if (work.refreshResults)
        refreshResults();
    if (work.refreshPreview)
        refreshPreview();
    if (work.redrawDocument)
        RenderPreview(*m_preview, m_session->preview().document(), m_previewPointSize, std::string::npos);

    QTextCursor cursor = m_preview->textCursor();
    switch (work.task) {
    case PopupWindowTask::None:
        break;
    case PopupWindowTask::SearchWords:
        setQueryWordsText(displayed(work.text));
        StartSearch(work.text);
        break;
    case PopupWindowTask::SearchNotes:
        setNotesSearchText(displayed(work.text));
        StartSearch(work.text);
        break;
    case PopupWindowTask::RemoveSelectedText:
        cursor.removeSelectedText();
        break;
    case PopupWindowTask::ClearPreview:
        m_preview->clear();
        setStatus("");
        m_positionField->clear();
        m_sizeField->clear();
        break;
    case PopupWindowTask::StartNewText:
        m_preview->clear();
        // Typing starts plain, not in the last colour of the document shown before.
        m_preview->setCurrentCharFormat(QTextCharFormat());
        m_previewName = work.text;
        setStatus(work.text);
        break;
    case PopupWindowTask::ChooseSaveName: {
        const QString proposed = QString::fromStdString(work.text);
        // The pop-up window would stay over the dialog and keep its input.
        closePopupMenu();
        const QString chosen = m_chooseSaveName ? m_chooseSaveName(proposed)
                                                : QFileDialog::getSaveFileName(this, QString(), proposed);
        if (!chosen.isEmpty())
            utilities::SaveChosenPreviewText(m_workspace, chosen.toStdString(), engineText(m_preview->toPlainText()));
        break;
    }
    case PopupWindowTask::SaveText:
        utilities::SavePreviewText(m_workspace, work.text, engineText(m_preview->toPlainText()));
        break;
    case PopupWindowTask::Print:
        printPreview();
        break;
    case PopupWindowTask::Undo:
        m_preview->undo();
        break;
    case PopupWindowTask::PastePreview:
        m_preview->paste();
        break;
    case PopupWindowTask::Unselect:
        cursor.clearSelection();
        m_preview->setTextCursor(cursor);
        break;
    case PopupWindowTask::CopyPreview:
        m_preview->copy();
        break;
    case PopupWindowTask::CutPreview:
        m_preview->cut();
        break;
    case PopupWindowTask::PasteWords:
        if (m_searchPage != nullptr)
            m_searchPage->pasteWords();
        break;
    case PopupWindowTask::CopyWords:
    case PopupWindowTask::CutWords:
        if (m_searchPage == nullptr)
            break;
        QGuiApplication::clipboard()->setText(m_searchPage->wordsText());
        if (work.task == PopupWindowTask::CutWords)
            m_searchPage->setWordsText(QString());
        break;
    case PopupWindowTask::RefreshDiskControls:
        if (m_searchPage != nullptr)
            m_searchPage->refreshDiskControls();
        break;
    case PopupWindowTask::RefreshBrowserList:
        if (m_notePage != nullptr)
            m_notePage->refresh();
        break;
    case PopupWindowTask::ShowDriveTree:
        ShowDriveTree();
        break;
    case PopupWindowTask::EditBrowserList:
        showResultsAndPreview();
        RenderPreview(*m_preview, m_session->preview().document(), m_previewPointSize, std::string::npos);
        m_previewName = work.text;
        setStatus(work.text);
        break;
    case PopupWindowTask::RepaintBackground:
        update();
        break;
    case PopupWindowTask::ShowCalculation:
        information()->ShowCalculation(displayed(work.title), work.text);
        break;
    case PopupWindowTask::ShowStatistics:
        information()->showReport(displayed(work.title), work.report);
        break;
    case PopupWindowTask::ShowInFolder:
        ShowRowInFolder(m_workspace, work.text);
        break;
    }
}

std::vector<std::size_t> CScovaroDlg::shownRows() const
{
    return m_resultModel->shownOrder();
}

void CScovaroDlg::printPreview()
{
    const std::string& shown = m_session->preview().currentPath();
    const QTextCursor cursor = m_preview->textCursor();
    m_printer->PrintDocument(shown.empty() ? m_previewName : shown, *m_preview->document(), cursor.selectionStart(),
                             cursor.selectionEnd());
}

void CScovaroDlg::printImage()
{
    if (m_grafica == nullptr || m_grafica->fileName().empty() || m_grafica->mode() == CGrafica::Mode::Media)
        return;
    PictureRequest request;
    request.path = m_grafica->fileName();
    request.zoom = m_grafica->zoom();
    request.sourceOffset = m_grafica->pictureSourceOffset();
    QPointer<CGrafica> window = m_grafica;
    request.showSketch = [window](const std::optional<utilities::ProportionSketch>& sketch) {
        if (window != nullptr)
            window->setProportionSketch(sketch);
    };
    m_printer->PrintDocument(request);
}

void CScovaroDlg::printText(const std::string& name, const QTextDocument& text)
{
    if (!busyWithLongWork())
        m_printer->PrintDocument(name, text, 0, 0);
}

CScelta* CScovaroDlg::information()
{
    if (m_information != nullptr)
        return m_information;
    m_information = new CScelta(m_workspace, [this] { return notesPageQuery(); }, this);
    m_information->setWindowFlag(Qt::Window);
    connect(m_information, &CScelta::opened, this, [this] { m_clipboard.SetOption(false); });
    connect(m_information, &CScelta::closed, this, [this] {
        m_information = nullptr;
        m_clipboard.SetOption(true);
        showNormal();
        raise();
    });
    applyAccessibleTexts();
    return m_information;
}

utilities::NotesPageQuery CScovaroDlg::notesPageQuery()
{
    utilities::NotesPageQuery query;
    const app::SearchTarget target = m_workspace.SearchTarget == app::SearchTarget::Memorandum
                                         ? app::SearchTarget::Memorandum
                                         : app::SearchTarget::Notes;
    query.path = utilities::NotesFilePath(m_workspace, target);
    std::string words = engineText(queryWordsText());
    if (words.find_first_not_of(' ') == std::string::npos)
        words = m_notesPagingText;
    search::QueryLimits limits{m_workspace.minWordLength, m_workspace.maxWordLength, m_workspace.truncationThreshold};
    search::ParseQueryWords(words, false, 0, limits, nullptr, query.words);
    query.andWords = m_session->run().options().andWords != 0;
    return query;
}

void CScovaroDlg::showNotesPages(const std::string& notesText)
{
    if (busyWithLongWork())
        return;
    m_notesPagingText = notesText;
    information()->showNotes();
}

void CScovaroDlg::drawFunctionGraph()
{
    if (busyWithLongWork())
        return;
    openImagePreview()->DrawFunctionGraph();
}

} // namespace vedra::ui
