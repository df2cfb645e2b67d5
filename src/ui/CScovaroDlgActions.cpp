// The main window's side of its property sheet, its pages and the pop-up window:
// what each pop-up entry does to the list, the preview and the search words.
#include "ui/CScovaroDlg.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/search/PreviewSession.h"
#include "core/search/WordStatistics.h"
#include "core/utilities/Launching.h"
#include "core/utilities/PreviewCalculation.h"
#include "ui/ArchivePage.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"
#include "ui/PreviewRendering.h"
#include "ui/ResultListModel.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>

#include <cstdlib>
#include <fstream>

namespace vedra::ui {
namespace {

using app::MessageButtons;
using app::MessageKey;
using utilities::PopupAction;
using utilities::PopupContext;

constexpr std::size_t kSelectedTextLimit = 500;
constexpr const char* kNewTextName = "nuovotesto.vedra";

std::string engineText(const QString& text)
{
    return app::utf8ToCp1252(text.toStdString());
}

QString displayed(const std::string& text)
{
    return QString::fromStdString(app::displayUtf8(text));
}

} // namespace

void CScovaroDlg::createPropertySheet()
{
    if (m_sheet != nullptr)
        return;
    m_sheet = new CMyPropertySheet(*this, this);
    m_searchPage = m_sheet->searchPage();
    m_notePage = m_sheet->notePage();
    connect(m_notePage, &CNote::archiveOpened, this, &CScovaroDlg::archiveOpenedFromPage);
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

void CScovaroDlg::performPopupAction(const utilities::PopupOutcome& outcome, PopupContext)
{
    if (busyWithLongWork())
        return;
    search::PreviewSession& preview = m_session->preview();
    search::SearchOptions& options = m_session->run().options();
    QTextCursor cursor = m_preview->textCursor();
    switch (outcome.action) {
    case PopupAction::ExtractFiles:
        // The export names its file itself ("File path: ..."): one box is enough.
        if (auto path = preview.ExportFoundFiles())
            utilities::OpenWithRegisteredProgram(m_workspace, *path);
        break;
    case PopupAction::ExtractText: {
        // The selected preview text names the document to show as plain text.
        std::string path = previewSelection(kSelectedTextLimit);
        path.erase(0, path.find_first_not_of(" \t\r\n"));
        path.erase(path.find_last_not_of(" \t\r\n") + 1);
        if (path.empty())
            break;
        if (preview.OpenPreviewFile(path, 0, search::ReadMode::Plain) == 0)
            preview.ShowBlock();
        else
            m_workspace.host().messageBox(std::string(m_workspace.messages().text(MessageKey::MsgCannotReadFile)) +
                                              "\n" + path,
                                          MessageButtons::Ok);
        refreshPreview();
        break;
    }
    case PopupAction::Origin:
        if (auto row = firstSelectedRow()) {
            preview.ShowDocument(*row);
            refreshPreview();
        }
        break;
    case PopupAction::VerifyContiguity:
        if (m_searchPage != nullptr)
            m_searchPage->setContiguityChecked(true);
        options.setContiguity(true);
        preview.ShowExtracts();
        refreshPreview();
        break;
    case PopupAction::WordsInFile:
        if (auto row = firstSelectedRow()) {
            preview.ShowIndexedWords(*row);
            refreshPreview();
        }
        break;
    case PopupAction::ScopeOption:
    case PopupAction::AllArchives:
    case PopupAction::AndOption:
        if (m_searchPage != nullptr)
            m_searchPage->refreshDiskControls();
        break;
    case PopupAction::Contiguity:
        if (m_searchPage != nullptr)
            m_searchPage->setContiguityChecked(options.contiguity != 0);
        break;
    case PopupAction::CleanFromList:
        m_session->results().CleanFromList();
        refreshResults();
        break;
    case PopupAction::CleanPreview:
        if (cursor.selectedText().size() > 1) {
            cursor.removeSelectedText();
        } else {
            preview.document().clear();
            m_preview->clear();
            setStatus("");
            m_positionField->clear();
            m_sizeField->clear();
        }
        break;
    case PopupAction::NewText:
        preview.reset();
        preview.document().clear();
        m_preview->clear();
        m_previewName = kNewTextName;
        setStatus(kNewTextName);
        break;
    case PopupAction::SearchInArchive: {
        std::string words = previewSelection(kSelectedTextLimit);
        if (words.empty())
            break;
        setQueryWordsText(displayed(words));
        StartSearch(words);
        break;
    }
    case PopupAction::SearchInNotes:
        if (outcome.turnedOn) {
            std::string words = previewSelection(kSelectedTextLimit);
            if (words.empty())
                break;
            setNotesSearchText(displayed(words));
            StartSearch(words);
        }
        break;
    case PopupAction::Save:
        savePreview(false);
        break;
    case PopupAction::SaveAs:
        savePreview(true);
        break;
    case PopupAction::Print:
        printPreview();
        break;
    case PopupAction::Undo:
        m_preview->undo();
        break;
    case PopupAction::Readable:
        preview.readable = m_popupFlags.readable != 0;
        if (!preview.currentPath().empty() && !preview.showsExtractFile()) {
            preview.ShowHits();
            refreshPreview();
        }
        break;
    case PopupAction::Statistics:
        showStatistics();
        break;
    case PopupAction::Enlarge:
        m_previewPointSize = kPreviewBasePointSize + m_popupFlags.previewSizeStep / 25;
        refreshPreview();
        break;
    case PopupAction::PastePreview:
        m_preview->paste();
        break;
    case PopupAction::Unselect: {
        cursor.clearSelection();
        m_preview->setTextCursor(cursor);
        break;
    }
    case PopupAction::CopyPreview:
        m_preview->copy();
        break;
    case PopupAction::CutPreview:
        m_preview->cut();
        break;
    case PopupAction::PasteWords:
        if (m_searchPage != nullptr)
            m_searchPage->pasteWords();
        break;
    case PopupAction::CopyWords:
    case PopupAction::CutWords: {
        if (m_searchPage == nullptr)
            break;
        QString words = m_searchPage->wordsText();
        QGuiApplication::clipboard()->setText(words);
        if (outcome.action == PopupAction::CutWords)
            m_searchPage->setWordsText(QString());
        break;
    }
    case PopupAction::Calculate:
        calculate();
        break;
    case PopupAction::AddToBrowserList:
    case PopupAction::UpdateBrowserList:
        if (m_notePage != nullptr)
            m_notePage->refresh();
        break;
    case PopupAction::CleanBackground:
        update();
        break;
    case PopupAction::None:
    case PopupAction::DisableSearch:
    case PopupAction::EnglishReading:
    case PopupAction::PrintImage:
    case PopupAction::SaveAsBmp:
    case PopupAction::SaveClipping:
    case PopupAction::PreviousImage:
    case PopupAction::NextImage:
    case PopupAction::ZoomIn:
    case PopupAction::ZoomOut:
        // Flags only (the engine has set them), or the image window's own entries.
        break;
    }
}

void CScovaroDlg::savePreview(bool askName)
{
    search::PreviewSession& preview = m_session->preview();
    std::string path = m_previewName.empty() ? preview.currentPath() : m_previewName;
    const bool ownText = path.empty() || path == kNewTextName || preview.showsExtractFile();
    if (askName || ownText) {
        QString start = QString::fromStdString(path == kNewTextName || path.empty()
                                                   ? m_workspace.WorkingFolder + kNewTextName
                                                   : path);
        QString chosen = QFileDialog::getSaveFileName(this, QString(), start);
        if (chosen.isEmpty())
            return;
        path = chosen.toStdString();
    } else if (m_workspace.showMessage(MessageKey::MsgOverwriteFile, MessageButtons::YesNo, {path}) !=
               app::MessageAnswer::Yes) {
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    QString text = m_preview->toPlainText();
    std::string bytes = engineText(text);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        m_workspace.showMessage(MessageKey::MsgWriteError);
        return;
    }
    m_workspace.showMessage(MessageKey::MsgFileSavedAs, MessageButtons::Ok, {path});
}

void CScovaroDlg::printPreview()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        m_preview->document()->print(&printer);
}

void CScovaroDlg::showStatistics()
{
    search::PreviewSession& preview = m_session->preview();
    search::SearchRun& run = m_session->run();
    search::WordStatisticsRequest request;
    request.languageIndex = m_workspace.LanguageIndex;
    request.queryText = engineText(queryWordsText());
    request.queryWords = run.words();
    request.limits = {m_workspace.minWordLength, m_workspace.maxWordLength, m_workspace.truncationThreshold};
    request.wordsOr = run.options().wordsOr != 0;
    request.inTheFile = run.options().inTheFile != 0;
    request.inTheIndex = run.options().inTheIndex != 0;
    request.nameSearch = run.options().fileNameSearch;
    request.folderSearch = run.options().folderNameSearch;
    request.listedDocuments = m_session->results().size();
    request.elapsedTimeText = run.elapsedText();
    request.statusText = engineText(m_statusLine->text());
    request.archiveName = m_workspace.currentArchiveName();
    if (!preview.currentPath().empty())
        request.documentPath = preview.currentPath();
    request.operationInProgress = busyWithLongWork();
    ++m_longWork;
    search::WordStatisticsReport report = search::BuildWordStatistics(m_workspace, request);
    --m_longWork;
    if (report.outcome == search::WordStatisticsOutcome::NotRun)
        return;
    // The report's title belongs to a report window; the main window keeps the
    // archive's name as its title.
    preview.document() = report.body;
    RenderPreview(*m_preview, report.body, m_previewPointSize, std::string::npos);
}

void CScovaroDlg::showInformation(const QString& title, const QString& text)
{
    if (m_information == nullptr) {
        m_information = new QTextEdit(this);
        m_information->setObjectName(QStringLiteral("information"));
        m_information->setWindowFlags(Qt::Tool);
        m_information->setReadOnly(true);
    }
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    utilities::WindowPlacement place = utilities::CalculationWindowPlacement(screen.right(), screen.bottom());
    m_information->setGeometry(place.left, place.top, place.width, place.height);
    m_information->setWindowTitle(title);
    m_information->moveCursor(QTextCursor::End);
    m_information->insertPlainText(text);
    m_information->show();
}

void CScovaroDlg::calculate()
{
    std::string selection = previewSelection(std::string::npos);
    utilities::CalculationReport report;
    if (!selection.empty()) {
        report = utilities::CalculateSelection(selection);
    } else {
        search::PreviewDocument& document = m_session->preview().document();
        if (document.empty())
            utilities::LoadAgendaIntoPreview(m_workspace.agendaPath, document);
        report = utilities::CalculatePreview(
            document, utilities::FilterFromQuery(m_session->run().words(), m_session->run().options().andWords != 0));
        RenderPreview(*m_preview, document, m_previewPointSize, std::string::npos);
    }
    if (report.showWindow || !report.appendedText.empty())
        showInformation(displayed(utilities::CalculationTitle(engineText(queryWordsText()))),
                        displayed(report.appendedText));
}

} // namespace vedra::ui
