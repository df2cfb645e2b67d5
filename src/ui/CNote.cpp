// The browser and archive lists are refilled at every showing, since the files
// behind them change elsewhere; only `activated` acts on them, so a refill never
// chooses a browser or opens an archive. Commands that open or write files wait
// while long work runs, and an archive choice refused then snaps back.
#include "ui/CNote.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/SearchOptions.h"
#include "core/search/SearchSession.h"
#include "core/utilities/FunctionGraph.h"
#include "core/utilities/Notes.h"
#include "core/utilities/UtilityPage.h"
#include "ui/SearchScreen.h"
#include "ui/UiText.h"
#include "ui/WindowTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <array>

namespace vedra::ui {
namespace {

using app::SearchTarget;

constexpr int kMaxWebWords = 250;

using namespace captions;

constexpr Texts kNoWebSearchPage = {
    "Nessuna pagina di ricerca web configurata: impostare VEDRA_WEB_SEARCH_PAGE con il suo indirizzo.",
    "No web search page is configured: set VEDRA_WEB_SEARCH_PAGE to its address.",
    "No hay ninguna página de búsqueda web configurada: indique su dirección en VEDRA_WEB_SEARCH_PAGE."};

} // namespace

CNote::CNote(SearchScreen& screen, QWidget* parent) : QWidget(parent), m_screen(screen)
{
    setObjectName(QStringLiteral("CNote"));
    buildControls();
    retranslate();
}

void CNote::buildControls()
{
    auto* outer = new QVBoxLayout(this);

    m_notesFrame = named(new QGroupBox(this), "1790");
    auto* notes = new QGridLayout(m_notesFrame);
    m_notesTitle = named(new QLabel(m_notesFrame), "1837");
    m_clearNotes = named(new QPushButton(QStringLiteral("X"), m_notesFrame), "1678");
    m_searchNotes = named(new QPushButton(m_notesFrame), "1499");
    m_searchNotes->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    m_notes = named(new QPlainTextEdit(m_notesFrame), "1475");
    m_notes->setToolTipDuration(5000);
    m_memorandum = named(new QCheckBox(QStringLiteral("Memorandum"), m_notesFrame), "memorandumScope");
    m_notesScope = named(new QCheckBox(m_notesFrame), "notesScope");
    m_save = named(new QPushButton(QStringLiteral("OK"), m_notesFrame), "saveNote");
    // The information window's caption: it opens on the notes file's first part.
    m_pageNotes = named(new QPushButton(QStringLiteral("Info"), m_notesFrame), "pageNotes");
    m_graph = named(new QPushButton(m_notesFrame), "drawGraph");
    for (QPushButton* button : {m_clearNotes, m_searchNotes, m_save, m_pageNotes, m_graph})
        button->setAutoDefault(false);
    notes->addWidget(m_notesTitle, 0, 0, 1, 3);
    notes->addWidget(m_clearNotes, 0, 3);
    notes->addWidget(m_searchNotes, 0, 4);
    notes->addWidget(m_notes, 1, 0, 1, 5);
    notes->addWidget(m_memorandum, 2, 0);
    notes->addWidget(m_notesScope, 2, 1);
    notes->addWidget(m_pageNotes, 2, 2);
    notes->addWidget(m_graph, 2, 3);
    notes->addWidget(m_save, 2, 4);
    outer->addWidget(m_notesFrame, 1);

    auto* archives = new QHBoxLayout;
    m_archivesLabel = named(new QLabel(this), "1838");
    m_archives = named(new QComboBox(this), "1835");
    archives->addWidget(m_archivesLabel);
    archives->addWidget(m_archives, 1);
    outer->addLayout(archives);
    m_englishReading = named(new QCheckBox(this), "englishReading");
    m_englishReading->setChecked(m_screen.workspace().EnglishReading);
    outer->addWidget(m_englishReading);

    m_webFrame = named(new QGroupBox(QStringLiteral("Ventiquor"), this), "1794");
    auto* web = new QHBoxLayout(m_webFrame);
    m_webWords = named(new QLineEdit(m_webFrame), "1775");
    m_webWords->setMaxLength(kMaxWebWords);
    m_webSearch = named(new QPushButton(m_webFrame), "1776");
    m_webSearch->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    m_webSearch->setAutoDefault(false);
    m_browsers = named(new QComboBox(m_webFrame), "1796");
    web->addWidget(m_webWords, 1);
    web->addWidget(m_webSearch);
    web->addWidget(m_browsers);
    outer->addWidget(m_webFrame);

    connect(m_clearNotes, &QPushButton::clicked, m_notes, &QPlainTextEdit::clear);
    connect(m_searchNotes, &QPushButton::clicked, this, &CNote::SearchNotes);
    connect(m_save, &QPushButton::clicked, this, &CNote::saveNote);
    connect(m_pageNotes, &QPushButton::clicked, this,
            [this] { m_screen.showNotesPages(engineText(m_notes->toPlainText())); });
    connect(m_graph, &QPushButton::clicked, this, [this] { m_screen.drawFunctionGraph(); });
    connect(m_webSearch, &QPushButton::clicked, this, &CNote::LaunchWebSearch);
    connect(m_memorandum, &QCheckBox::clicked, this, [this](bool checked) { scopeClicked(m_memorandum, checked); });
    connect(m_notesScope, &QCheckBox::clicked, this, [this](bool checked) { scopeClicked(m_notesScope, checked); });
    // `activated` comes from the user only, so filling the lists chooses nothing.
    connect(m_browsers, &QComboBox::activated, this, &CNote::ChooseBrowser);
    connect(m_archives, &QComboBox::activated, this, &CNote::OpenArchiveOnDisk);
    connect(m_englishReading, &QCheckBox::clicked, this,
            [this](bool checked) { m_screen.workspace().EnglishReading = checked; });
}

void CNote::retranslate()
{
    const int column = languageColumn(m_screen.workspace().LanguageIndex);
    m_notesTitle->setText(QString::fromUtf8(kNotesTitle[column]));
    m_archivesLabel->setText(QString::fromUtf8(kArchivesCaption[column]));
    m_notesScope->setText(QString::fromUtf8(kNotesScopeCaption[column]));
    m_notes->setToolTip(QString::fromUtf8(kNotesTip[column]));
    m_graph->setText(QString::fromUtf8(kGraphButton[column]));
    m_clearNotes->setToolTip(QString::fromUtf8(kClearNotesTip[column]));
    m_searchNotes->setToolTip(QString::fromUtf8(kSearchNotesTip[column]));
    m_webSearch->setToolTip(QString::fromUtf8(kWebSearchTip[column]));
    // The message table's caption carries the blank of a menu entry.
    const std::string_view reading = m_screen.workspace().messages().text(app::MessageKey::MsgEnglishReading);
    m_englishReading->setText(QString::fromUtf8(reading.data(), static_cast<qsizetype>(reading.size())).trimmed());
}

QString CNote::searchText() const
{
    return m_notes->toPlainText();
}

void CNote::setSearchText(const QString& text)
{
    m_notes->setPlainText(text);
}

void CNote::pasteSearchText()
{
    m_notes->paste();
}

void CNote::refresh()
{
    const SearchTarget target = m_screen.workspace().SearchTarget;
    m_memorandum->setChecked(target == SearchTarget::Memorandum);
    m_notesScope->setChecked(target == SearchTarget::Notes);
    m_englishReading->setChecked(m_screen.workspace().EnglishReading);
    FillBrowserList();
    FillArchivesOnDisk();
}

// The two boxes and the search page's "Nelle note" share SearchTarget: at most one
// of them is on, and none means the archive.
void CNote::scopeClicked(QCheckBox* box, bool checked)
{
    QCheckBox* other = box == m_memorandum ? m_notesScope : m_memorandum;
    if (checked)
        other->setChecked(false);
    const SearchTarget target = !checked                ? SearchTarget::Archive
                                : box == m_memorandum ? SearchTarget::Memorandum
                                                        : SearchTarget::Notes;
    m_screen.workspace().SearchTarget = target;
}

bool CNote::longWorkRunning() const
{
    return m_screen.longWorkRunning() || m_screen.workspace().busy;
}

void CNote::SearchNotes()
{
    if (longWorkRunning())
        return;
    emit searchWordsCleared();
    app::Workspace& workspace = m_screen.workspace();
    const SearchTarget target = workspace.SearchTarget == SearchTarget::Memorandum
                                    ? SearchTarget::Memorandum
                                    : SearchTarget::Notes;
    search::SearchSession& session = m_screen.session();
    utilities::SearchNotesText(workspace, target, engineText(m_notes->toPlainText()),
                               session.run().options(), session.preview().document());
    m_screen.refreshPreview();
}

void CNote::saveNote()
{
    if (longWorkRunning())
        return;
    const utilities::NoteScope scope = m_memorandum->isChecked()   ? utilities::NoteScope::Memorandum
                                       : m_notesScope->isChecked() ? utilities::NoteScope::Notes
                                                                   : utilities::NoteScope::None;
    search::SearchSession& session = m_screen.session();
    if (utilities::SaveNote(m_screen.workspace(), scope, engineText(m_notes->toPlainText()),
                            session.preview().document()) == utilities::AppendResult::Appended)
        m_screen.refreshPreview();
}

void CNote::LaunchWebSearch()
{
    // The search site is the installation's to name; without one the button
    // says so rather than doing nothing.
    if (m_webSearchPage.empty() && !m_webWords->text().trimmed().isEmpty()) {
        m_screen.workspace().host().messageBox(
            engineText(caption(kNoWebSearchPage, m_screen.workspace().LanguageIndex)), app::MessageButtons::Ok);
        return;
    }
    utilities::LaunchWebSearch(m_screen.workspace(), m_webSearchPage, engineText(m_webWords->text()));
}

void CNote::FillBrowserList()
{
    m_browsers->clear();
    app::BrowserChoice choice = utilities::FillBrowserList(m_screen.workspace());
    for (const std::string& browser : choice.browsers)
        m_browsers->addItem(displayed(browser), QByteArray::fromStdString(browser));
    m_browsers->setCurrentIndex(m_browsers->findData(QByteArray::fromStdString(choice.selected)));
}

void CNote::ChooseBrowser(int index)
{
    if (index >= 0)
        utilities::ChooseBrowser(m_screen.workspace(), m_browsers->itemData(index).toByteArray().toStdString());
}

void CNote::FillArchivesOnDisk()
{
    m_archives->clear();
    utilities::ArchivesOnDisk found = utilities::FillArchivesOnDisk(m_screen.workspace());
    for (const std::string& name : found.names)
        m_archives->addItem(displayed(name), QByteArray::fromStdString(name));
    m_archives->setCurrentIndex(found.selected);
    m_currentArchiveIndex = m_archives->currentIndex();
}

void CNote::OpenArchiveOnDisk(int index)
{
    if (index < 0)
        return;
    if (longWorkRunning()) {
        // The running work reads the current archive: it stays, and so does the list.
        QSignalBlocker quiet(m_archives);
        m_archives->setCurrentIndex(m_currentArchiveIndex);
        return;
    }
    const std::string name = m_archives->itemData(index).toByteArray().toStdString();
    bool opened = false;
    const std::string introduction = utilities::OpenArchiveOnDisk(m_screen.workspace(), name, opened);
    if (opened) {
        m_currentArchiveIndex = index;
        emit archiveOpened(displayed(name), QFile::decodeName(QByteArray::fromStdString(introduction)));
    }
}

void CNote::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        m_screen.showPopupMenu(utilities::PopupContext::UtilityPage,
                               event->globalPosition().toPoint(), this);
        return;
    }
    QWidget::mousePressEvent(event);
}

void CNote::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

} // namespace vedra::ui
