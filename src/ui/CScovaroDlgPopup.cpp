// The pop-up window of the main window: filled from the engine's menu table for the
// right-clicked control, created on first use and dropped when it closes.
#include "ui/CScovaroDlg.h"

#include "core/search/PreviewSession.h"
#include "core/search/ResultOrder.h"
#include "core/search/RowOpening.h"
#include "core/utilities/ImagePreviewRules.h"
#include "core/utilities/Launching.h"
#include "ui/CGrafica.h"
#include "ui/CNote.h"
#include "ui/CTastoDestro.h"
#include "ui/ResultListModel.h"

#include "core/app/TextEncoding.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextEdit>

namespace vedra::ui {

void CScovaroDlg::showPopupMenu(utilities::PopupContext context, const QPoint& globalPosition, QWidget* requester)
{
    using utilities::PopupContext;
    // Its entries change the list and the preview that the running work fills.
    if (busyWithLongWork())
        return;
    search::ResultList& results = m_session->results();
    const QString words = queryWordsText();
    utilities::PopupConditions when;
    when.listHasRows = !results.empty();
    when.queryHasBlank = words.trimmed().contains(u' ');
    when.queryHasSeveralWords = when.queryHasBlank || m_session->run().words().count > 1;
    const std::size_t firstShown = m_resultModel->engineRow(0);
    when.firstRowHasArrow = !results.empty() && results.row(firstShown).label().find("->") != std::string::npos;
    when.previewHasText = !m_preview->document()->isEmpty();
    when.fileLoaded = !m_session->preview().currentPath().empty();
    when.textSelected = m_preview->textCursor().hasSelection() ||
                        (context == PopupContext::SearchWords && requester != nullptr && !words.isEmpty());
    when.clipboardHasText = !QGuiApplication::clipboard()->text().isEmpty();
    when.clippingExists = m_grafica != nullptr && m_grafica->clippingExists();
    const std::vector<std::size_t> selectedRows = search::SelectedRowsShown(results, shownRows());
    when.selectedRowIsFile = !selectedRows.empty() && search::ClassifyRowPath(results.row(selectedRows.front()).label()) ==
                                                          search::RowPathState::Present;

    utilities::PopupMenu menu = utilities::BuildPopupMenu(context, m_workspace.LanguageIndex, when,
                                                          m_session->run().options(), m_popupFlags);
    if (m_popup == nullptr) {
        m_popup = new CTastoDestro(*this, this);
        connect(m_popup, &CTastoDestro::closed, this, [this] {
            // Hidden, not deleted: a click on one of its entries may be what closed it.
            m_popup->hide();
        });
        applyAccessibleTexts();
    }
    m_popupContext = context;
    const QPoint pageTopLeft = context == PopupContext::SearchWords ? globalPosition : QPoint();
    m_popup->showMenu(menu, globalPosition, pageTopLeft);
}

void CScovaroDlg::closePopupMenu()
{
    if (m_popup != nullptr)
        m_popup->hide();
}

CGrafica* CScovaroDlg::imagePreview() const
{
    return m_grafica;
}

CGrafica* CScovaroDlg::openImagePreview()
{
    if (m_grafica == nullptr) {
        m_grafica = new CGrafica(*this, this);
        m_grafica->setObjectName(QStringLiteral("imagePreview"));
        m_grafica->setAttribute(Qt::WA_DeleteOnClose);
        m_grafica->setMediaPositions(&m_mediaPositions);
        m_grafica->setExpressionSource([this] {
            return m_notePage != nullptr ? app::utf8ToCp1252(m_notePage->searchText().toStdString()) : std::string();
        });
        applyAccessibleTexts();
    }
    return m_grafica;
}

void CScovaroDlg::ShowPreviewFile(const std::string& path)
{
    // A web address needs no window.
    if (utilities::IsWebAddress(path)) {
        utilities::OpenWithRegisteredProgram(m_workspace, path);
        return;
    }
    openImagePreview()->ShowPreviewFile(path);
}

std::string CScovaroDlg::selectedPreviewText()
{
    return previewSelection();
}

} // namespace vedra::ui
