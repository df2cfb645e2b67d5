// Long work runs inside a handler and pumps events through drainEvents, so every
// handler that reads the archive first checks busyWithLongWork, and closing during
// such work only asks it to stop. Escape met while draining goes to the engine as
// a stop request, not a quit; a search's new rows show a few times a second.
#include "ui/CScovaroDlg.h"

#include "core/app/InstallLayout.h"
#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/indexing/ArchiveRoots.h"
#include "core/search/PathList.h"
#include "core/search/PreviewSession.h"
#include "core/search/Relevance.h"
#include "core/search/RowOpening.h"
#include "core/search/RtfText.h"
#include "core/utilities/ImagePreviewRules.h"
#include "core/utilities/Launching.h"
#include "core/utilities/Notes.h"
#include "core/watch/WatchState.h"
#include "core/watch/WatchService.h"
#include "core/watch/WatcherLaunch.h"
#include "core/web/LinkAtCaret.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"
#include "ui/CScelta.h"
#include "ui/CTastoDestro.h"
#include "ui/CGrafica.h"
#include "ui/FolderTrees.h"
#include "ui/PreviewRendering.h"
#include "ui/QtTranslations.h"
#include "ui/Printing.h"
#include "ui/ResultListModel.h"
#include "ui/UiText.h"
#include "ui/WatchIndicatorLabel.h"
#include "ui/WatcherChild.h"
#include "ui/WindowTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <utility>

namespace vedra::ui {
namespace {

using app::MessageAnswer;
using app::MessageButtons;
using app::MessageKey;

// How often a running search shows its new rows; until the list holds a screen of
// them, at every drain, so the first rows show as soon as the walk finds them.
constexpr int kListRefreshMilliseconds = 250;
constexpr std::size_t kFirstScreenRows = 40;

void setColours(QWidget* widget, QPalette::ColorRole background, QRgb backgroundColour, QPalette::ColorRole text,
                QRgb textColour)
{
    QPalette palette = widget->palette();
    palette.setColor(background, QColor(backgroundColour));
    palette.setColor(text, QColor(textColour));
    widget->setPalette(palette);
}

// The flags of the language buttons, drawn rather than shipped as pictures.
QIcon flagIcon(int languageIndex)
{
    QPixmap pixmap(18, 12);
    QPainter painter(&pixmap);
    const QRect all = pixmap.rect();
    if (languageIndex == 0) {
        painter.fillRect(0, 0, 6, 12, QColor(0, 146, 70));
        painter.fillRect(6, 0, 6, 12, Qt::white);
        painter.fillRect(12, 0, 6, 12, QColor(206, 43, 55));
    } else if (languageIndex == 2) {
        painter.fillRect(all, QColor(170, 21, 27));
        painter.fillRect(0, 3, 18, 6, QColor(241, 191, 0));
    } else {
        painter.fillRect(all, QColor(1, 33, 105));
        painter.setPen(QPen(Qt::white, 3));
        painter.drawLine(0, 0, 18, 12);
        painter.drawLine(18, 0, 0, 12);
        painter.setPen(QPen(QColor(200, 16, 46), 1));
        painter.drawLine(0, 0, 18, 12);
        painter.drawLine(18, 0, 0, 12);
        painter.fillRect(0, 4, 18, 4, Qt::white);
        painter.fillRect(7, 0, 4, 12, Qt::white);
        painter.fillRect(0, 5, 18, 2, QColor(200, 16, 46));
        painter.fillRect(8, 0, 2, 12, QColor(200, 16, 46));
    }
    painter.end();
    return QIcon(pixmap);
}

QRadioButton* makeLanguageButton(const char* objectName, int languageIndex, QWidget* parent)
{
    auto* button = new QRadioButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setIcon(flagIcon(languageIndex));
    button->setIconSize(QSize(18, 12));
    button->setAutoExclusive(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel* makeField(const char* objectName, QWidget* parent, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setAutoFillBackground(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setMargin(1);
    setColours(label, QPalette::Window, CScovaroDlg::kTextBackgroundColour, QPalette::WindowText, qRgb(0, 0, 0));
    return label;
}

QPushButton* makeButton(const char* objectName, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    // Enter belongs to the search page: no button of the window is its default.
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QTreeWidget* makeFolderTree(const char* objectName, QWidget* parent)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(objectName));
    tree->setHeaderHidden(true);
    setColours(tree, QPalette::Base, CScovaroDlg::kWindowColour, QPalette::Text, qRgb(255, 255, 255));
    tree->hide();
    return tree;
}

// A column whose title no longer fits, in another language, is made wide enough.
void widenClippedSections(QHeaderView* header)
{
    for (int section = 0; section < header->count(); ++section) {
        const int wanted = header->sectionSizeHint(section);
        if (header->sectionSize(section) < wanted)
            header->resizeSection(section, wanted);
    }
}

const char* resultListTip(int language)
{
    switch (language) {
    case 0: return " Oggetti trovati.\n Un solo click per una preview.\n Doppio click per eseguire";
    case 1: return " Objects found .\n One only click for preview.\n Double click to execute";
    default: return ".. Los objetos encontrados \n Un solo clic para una vista previa \n doble clic para ejecutar";
    }
}

const char* previewTip(int language)
{
    switch (language) {
    case 0: return "Preview del testo";
    case 1: return "Text preview";
    default: return "Vista previa del texto";
    }
}


} // namespace

QRect CScovaroDlg::unitRect(int left, int top, int width, int height)
{
    return QRect(left * kPixelsPerUnit, top * kPixelsPerUnit, width * kPixelsPerUnit, height * kPixelsPerUnit);
}

CScovaroDlg::CScovaroDlg(app::Workspace& workspace, QWidget* parent)
    : QDialog(parent),
      m_workspace(workspace),
      m_session(std::make_unique<search::SearchSession>(workspace)),
      m_printer(std::make_unique<DocumentPrinter>(workspace, this)),
      m_fillColour(255, 230, 186)
{
    utilities::ConnectNotesSearch(*m_session);
    setObjectName(QStringLiteral("CScovaroDlg"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    buildControls();
    setFixedSize(unitRect(0, 0, 470, 269).size());
    setFillColour(m_fillColour);
    // An application-wide filter, because during a drain Escape must be caught
    // whichever of the program's widgets has the focus.
    qApp->installEventFilter(this);
}

CScovaroDlg::~CScovaroDlg()
{
    qApp->removeEventFilter(this);
    // Destroyed without having been closed: the saving steps still run, but only
    // for a window that was set up, or its empty flag buttons would reset the
    // language file to English.
    if (m_initialised)
        ShutdownSave();
    while (m_waitCursorDepth-- > 0)
        QApplication::restoreOverrideCursor();
    // The search session dies with this object's members, before QDialog's
    // destructor would hide (and so lay out) the children: everything is hidden
    // while it lives, and the windows that read it are let go of first.
    hide();
    if (m_popup != nullptr)
        m_popup->hide();
    if (m_sheet != nullptr)
        m_sheet->hide();
    m_resultList->setModel(nullptr);
    delete m_sheet;
    m_sheet = nullptr;
}

void CScovaroDlg::buildControls()
{
    setAutoFillBackground(true);
    setColours(this, QPalette::Window, kWindowColour, QPalette::WindowText, qRgb(255, 255, 255));

    m_resultModel = new ResultListModel(m_session->results(), this);
    m_session->preview().setShownOrder(
        [this]() -> const std::vector<std::size_t>& { return m_resultModel->shownOrder(); });
    m_resultList = new QTableView(this);
    m_resultList->setObjectName(QStringLiteral("1001"));
    m_resultList->setModel(m_resultModel);
    // The template's list ends where the preview starts.
    m_resultList->setGeometry(unitRect(121, 1, 348, 119));
    m_resultList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_resultList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_resultList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_resultList->setShowGrid(false);
    m_resultList->setWordWrap(false);
    m_resultList->setTextElideMode(Qt::ElideRight);
    // A date and time fill the 90 pixels of their column at this size.
    QFont listFont = m_resultList->font();
    listFont.setPixelSize(11);
    m_resultList->setFont(listFont);
    m_resultList->horizontalHeader()->setFont(listFont);
    m_resultList->verticalHeader()->hide();
    m_resultList->verticalHeader()->setDefaultSectionSize(m_resultList->fontMetrics().height() + 4);
    m_resultList->horizontalHeader()->setHighlightSections(false);
    // A click on a title sorts by its column, a second one the other way.
    m_resultList->horizontalHeader()->setSectionsClickable(true);
    connect(m_resultList->horizontalHeader(), &QHeaderView::sectionClicked, this, &CScovaroDlg::resultHeaderClicked);
    // The header's menu offers the order no column holds.
    m_relevanceAction = new QAction(m_resultList->horizontalHeader());
    m_relevanceAction->setObjectName(QStringLiteral("sortByRelevance"));
    m_resultList->horizontalHeader()->addAction(m_relevanceAction);
    m_resultList->horizontalHeader()->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_relevanceAction, &QAction::triggered, this, &CScovaroDlg::sortResultsByRelevance);
    m_resultList->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int column = 0; column < static_cast<int>(search::ResultRow::kColumnCount); ++column)
        m_resultList->setColumnWidth(column, ResultListModel::kColumnWidths[column]);
    // The date and size columns are widened when this font's date and time, or the
    // size column's title, would not fit.
    const QFontMetrics listMetrics(listFont);
    const int dateWidth = listMetrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00")) + 12;
    m_resultList->setColumnWidth(1, std::max(ResultListModel::kColumnWidths[1], dateWidth));
    const int sizeTitleWidth =
        listMetrics.horizontalAdvance(m_resultModel->headerData(2, Qt::Horizontal).toString()) + 12;
    m_resultList->setColumnWidth(2, std::max(ResultListModel::kColumnWidths[2], sizeTitleWidth));
    setColours(m_resultList, QPalette::Base, kResultListColour, QPalette::Text, qRgb(0, 0, 0));
    connect(m_resultList, &QTableView::clicked, this, &CScovaroDlg::resultClicked);
    connect(m_resultList, &QTableView::doubleClicked, this, &CScovaroDlg::resultDoubleClicked);
    connect(m_resultList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CScovaroDlg::copyViewSelectionToList);
    connect(m_resultList, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        if (QModelIndex index = m_resultList->indexAt(position); index.isValid() &&
                                                                 !m_resultList->selectionModel()->isRowSelected(index.row()))
            m_resultList->selectRow(index.row());
        showPopupMenu(utilities::PopupContext::ResultList, m_resultList->viewport()->mapToGlobal(position),
                      m_resultList);
    });

    m_preview = new QTextEdit(this);
    m_preview->setObjectName(QStringLiteral("1002"));
    m_preview->setGeometry(unitRect(121, 121, 348, 137));
    m_preview->setAcceptRichText(false);
    m_preview->setContextMenuPolicy(Qt::CustomContextMenu);
    setColours(m_preview, QPalette::Base, kPreviewColour, QPalette::Text, qRgb(0, 0, 0));
    connect(m_preview, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        showPopupMenu(utilities::PopupContext::Preview, m_preview->viewport()->mapToGlobal(position), m_preview);
    });
    m_preview->viewport()->installEventFilter(this);

    m_folderTree = makeFolderTree("1646", this);
    m_folderTree->setGeometry(unitRect(121, 125, 172, 132));
    m_fileTree = makeFolderTree("1647", this);
    m_fileTree->setGeometry(unitRect(296, 125, 173, 132));
    FolderTrees::Window treeWindow;
    treeWindow.searchPage = [this] { return m_searchPage; };
    treeWindow.searchPageActive = [this] {
        return m_sheet != nullptr && m_sheet->tabs()->currentWidget() == m_searchPage;
    };
    treeWindow.browserListChanged = [this] {
        if (m_notePage != nullptr)
            m_notePage->refresh();
    };
    m_trees = new FolderTrees(*this, m_folderTree, m_fileTree, m_preview, std::move(treeWindow), this);

    m_pathList = new QTreeWidget(this);
    m_pathList->setObjectName(QStringLiteral("1831"));
    m_pathList->setGeometry(unitRect(2, 2, 117, 256));
    m_pathList->setRootIsDecorated(false);
    m_pathList->setColumnCount(2);
    m_pathList->setHeaderLabels({caption(captions::kIndexColumn, 0), caption(captions::kFileColumn, 0)});
    m_pathList->setColumnWidth(0, 400);
    m_pathList->setColumnWidth(1, 50);
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::TypeWriter);
    // 15 high, as pixels: 15 points would fill the narrow list with a few letters.
    courier.setPixelSize(15);
    m_pathList->setFont(courier);
    setColours(m_pathList, QPalette::Base, kIndexListColour, QPalette::Text, kIndexListTextColour);
    connectIndexList();

    m_intro = new QTextEdit(this);
    m_intro->setObjectName(QStringLiteral("1834"));
    m_intro->setGeometry(unitRect(121, 2, 349, 255));
    m_intro->setReadOnly(true);
    m_intro->hide();

    buildBottomRow();
    setUpKeyboard();
}

void CScovaroDlg::buildBottomRow()
{
    QFont small = font();
    small.setPixelSize(11);

    m_statusLine = makeField("1475", this, Qt::AlignLeft);
    m_statusLine->setGeometry(unitRect(0, 260, 172, 9));
    m_watchIndicator = new WatchIndicatorLabel(m_workspace.messages(), this);
    m_watchIndicator->setAutoFillBackground(true);
    setColours(m_watchIndicator, QPalette::Window, kTextBackgroundColour, QPalette::WindowText, qRgb(0, 0, 0));
    connect(m_watchIndicator, &WatchIndicatorLabel::changed, this, &CScovaroDlg::layoutStatusArea);
    m_continueButton = makeButton("1008", caption(captions::kContinue, 0), this);
    m_continueButton->setGeometry(unitRect(173, 260, 32, 9));
    m_continueButton->setEnabled(false);
    connect(m_continueButton, &QPushButton::clicked, this, &CScovaroDlg::continueClicked);
    m_positionField = makeField("1479", this, Qt::AlignRight);
    m_positionField->setGeometry(unitRect(206, 260, 34, 9));
    m_positionField->setText(QStringLiteral("Pos"));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("1025"));
    m_progress->setGeometry(unitRect(241, 260, 75, 9));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    m_sizeField = makeField("1007", this, Qt::AlignRight);
    m_sizeField->setGeometry(unitRect(317, 260, 31, 9));
    m_sizeField->setText(caption(captions::kSizeField, 0));

    m_breakButton = makeButton("1704", caption(captions::kBreak, 0), this);
    m_breakButton->setGeometry(unitRect(349, 260, 23, 9));
    connect(m_breakButton, &QPushButton::clicked, this, &CScovaroDlg::BreakCommand);
    m_optionsButton = makeButton("1566", caption(captions::kOptions, 0), this);
    m_optionsButton->setGeometry(unitRect(373, 260, 28, 9));
    connect(m_optionsButton, &QPushButton::clicked, this, &CScovaroDlg::ShowOptions);

    m_english = makeLanguageButton("1669", 1, this);
    m_english->setGeometry(unitRect(402, 260, 22, 9));
    m_spanish = makeLanguageButton("1774", 2, this);
    m_spanish->setGeometry(unitRect(426, 260, 20, 9));
    m_italian = makeLanguageButton("1670", 0, this);
    m_italian->setGeometry(unitRect(448, 260, 21, 9));
    m_english->setToolTip(QStringLiteral("English"));
    m_spanish->setToolTip(QStringLiteral("Español"));
    m_italian->setToolTip(QStringLiteral("Italiano"));
    connect(m_english, &QRadioButton::clicked, this, [this] { chooseLanguage(1); });
    connect(m_italian, &QRadioButton::clicked, this, [this] { chooseLanguage(0); });
    connect(m_spanish, &QRadioButton::clicked, this, [this] { chooseLanguage(2); });

    for (QWidget* widget : std::initializer_list<QWidget*>{m_statusLine, m_watchIndicator, m_continueButton,
                                                            m_positionField, m_sizeField, m_breakButton, m_optionsButton})
        widget->setFont(small);
}

void CScovaroDlg::layoutStatusArea()
{
    const QRect area = unitRect(0, 260, 172, 9);
    if (!m_watchIndicator->isVisibleTo(this)) {
        m_statusLine->setGeometry(area);
        return;
    }
    // At most a third of the line: the status keeps the start and end of a path.
    const int width = std::min(m_watchIndicator->sizeHint().width(), area.width() / 3);
    m_watchIndicator->setGeometry(area.right() + 1 - width, area.top(), width, area.height());
    m_statusLine->setGeometry(area.left(), area.top(), area.width() - width - 1, area.height());
}

void CScovaroDlg::startLiveIndex()
{
    const std::string folder = m_workspace.WorkingFolder;
    if (folder.empty())
        return;
    // The service turned on by the user watches the default working folder at
    // login; when its watcher is not running, the window runs one while it is open.
    const watch::WatchServiceSetup setup =
        watch::WatchServiceSetupFromEnvironment(m_workspace, app::RunningExecutablePath());
    const bool serviceOn =
        watch::WatchesAtLogin(setup) && watch::WatchServiceState(setup) != watch::WatchServiceWay::None;
    m_liveIndexOn = watch::LiveIndexTurnedOn(folder, serviceOn);
    if (!m_liveIndexOn || watch::watcherProcess(folder + std::string(watch::kWatchLockName)) > 0)
        return;
    if (m_watcher == nullptr) {
        m_watcher = new WatcherChild(this);
        connect(m_watcher, &WatcherChild::changed, this, [this] { m_watchIndicator->setOwnWatcher(m_watcher->state()); });
    }
    m_watcher->start(watch::FindVedraProgram(app::RunningExecutablePath()), watch::WatcherArguments(folder));
}

void CScovaroDlg::initialise()
{
    if (m_initialised)
        return;
    m_initialised = true;
    QGuiApplication::clipboard()->clear();
    m_workspace.InitialiseSession();
    createPropertySheet();
    arrangePagesForKeyboard();
    retranslate();
    checkLanguageButton(m_workspace.LanguageIndex);
    m_startGeometry = geometry();
    loadIndexList();
    loadIntroduction();
    if (!m_workspace.WorkingFolder.empty()) {
        const std::string folder = m_workspace.WorkingFolder;
        // The service's answer is kept from the start (systemctl is not asked at
        // every refresh); the setting and the folder list are looked at each time.
        m_watchIndicator->follow(folder, [this, folder] { return m_liveIndexOn || watch::LiveIndexTurnedOn(folder); });
    }
    // The search page is where a person starts, so the sheet comes up beside the
    // window once it is on screen, unless the introduction is shown first.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !m_introShown && m_sheet != nullptr && !m_sheet->isVisible()) {
            showPropertySheet();
            activateWindow();
        }
    });
}

void CScovaroDlg::loadIndexList()
{
    m_pathList->clear();
    m_pathEntries.clear();
    if (!m_workspace.hasCurrentArchive())
        return;
    m_pathEntries = search::LoadPathList(m_workspace);
    QList<QTreeWidgetItem*> items;
    for (const search::PathEntry& entry : m_pathEntries) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, displayed(entry.index));
        item->setText(1, displayed(entry.file));
        items.push_back(item);
    }
    m_pathList->addTopLevelItems(items);
}

void CScovaroDlg::loadIntroduction()
{
    // Without a current archive the working folder is where the page would be.
    std::string folder = m_workspace.hasCurrentArchive() ? m_workspace.ArchiveFolder : m_workspace.WorkingFolder;
    QFile file(QString::fromStdString(folder + "Introduzione.rtf"));
    if (folder.empty() || !file.open(QIODevice::ReadOnly))
        return;
    const qint64 limit = static_cast<qint64>(std::max<std::size_t>(m_workspace.workBuffers.sizes().textBytes, 4096));
    QByteArray bytes = file.read(limit);
    search::PreviewDocument text = search::ReadRtfText(std::string_view(bytes.constData(), bytes.size()));
    RenderPreview(*m_intro, text, kPreviewBasePointSize + 1, std::string::npos);
    m_introShown = true;
    if (m_sheet != nullptr)
        m_sheet->hide();
    m_resultList->hide();
    m_preview->hide();
    m_intro->show();
}

void CScovaroDlg::setFillColour(const QColor& colour)
{
    m_fillColour = colour;
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(kWindowColour));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(24);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
    painter.end();
    setWindowIcon(QIcon(pixmap));
}

int CScovaroDlg::checkedLanguage() const
{
    if (m_spanish->isChecked())
        return 2;
    if (m_italian->isChecked())
        return 0;
    if (m_english->isChecked())
        return 1;
    return -1;
}

void CScovaroDlg::checkLanguageButton(int languageIndex)
{
    QRadioButton* button = languageIndex == 0 ? m_italian
                           : languageIndex == 1 ? m_english
                           : languageIndex == 2 ? m_spanish
                                                : nullptr;
    if (button != nullptr) {
        button->setChecked(true);
        return;
    }
    // Auto-exclusive buttons refuse to uncheck the last checked one.
    for (QRadioButton* each : {m_english, m_italian, m_spanish}) {
        each->setAutoExclusive(false);
        each->setChecked(false);
        each->setAutoExclusive(true);
    }
}

void CScovaroDlg::chooseLanguage(int languageIndex)
{
    m_workspace.SetLanguage(languageIndex);
    retranslate();
}

void CScovaroDlg::retranslate()
{
    const int language = m_workspace.LanguageIndex;
    UseQtTranslations(language);
    m_resultList->setToolTip(QString::fromUtf8(resultListTip(language)));
    m_preview->setToolTip(QString::fromUtf8(previewTip(language)));
    m_resultModel->setLanguage(language);
    m_relevanceAction->setText(displayed(std::string(m_workspace.messages().text(app::MessageKey::MsgSortByRelevance))));
    m_pathList->setHeaderLabels({caption(captions::kIndexColumn, language), caption(captions::kFileColumn, language)});
    m_continueButton->setText(caption(captions::kContinue, language));
    m_breakButton->setText(caption(captions::kBreak, language));
    m_optionsButton->setText(caption(captions::kOptions, language));
    // The size field names itself until a document gives it a number.
    for (int other = 0; other < 3; ++other)
        if (m_sizeField->text() == caption(captions::kSizeField, other))
            m_sizeField->setText(caption(captions::kSizeField, language));
    widenClippedSections(m_resultList->horizontalHeader());
    widenClippedSections(m_pathList->header());
    m_watchIndicator->retranslate();
    if (m_grafica != nullptr)
        m_grafica->retranslate();
    retranslatePages();
    applyAccessibleTexts();
}

void CScovaroDlg::ShutdownSave()
{
    if (m_shutdownSaved)
        return;
    m_shutdownSaved = true;
    m_workspace.ShutdownSave(checkedLanguage());
    if (m_watcher != nullptr)
        m_watcher->stop();
    if (m_grafica != nullptr)
        m_grafica->closeMedia();
    m_workspace.BreakCode = app::StopCode::Closing;
}

void CScovaroDlg::BreakCommand()
{
    m_workspace.BreakCode = app::StopCode::Break;
    setStatus(engineText(caption(captions::kBreakStatus, m_workspace.LanguageIndex)));
    QGuiApplication::clipboard()->clear();
}

void CScovaroDlg::showResultsAndPreview()
{
    m_introShown = false;
    m_intro->hide();
    m_folderTree->hide();
    m_fileTree->hide();
    m_resultList->show();
    m_preview->setEnabled(true);
    m_preview->show();
}

void CScovaroDlg::ShowDriveTree()
{
    m_introShown = false;
    m_intro->hide();
    m_resultList->show();
    m_trees->ShowDriveTree();
}

void CScovaroDlg::ShowOptions()
{
    showResultsAndPreview();
    showPropertySheet();
}

void CScovaroDlg::SearchArchiveFor(const QString& words)
{
    ShowOptions();
    if (m_searchPage != nullptr)
        m_searchPage->searchArchiveFor(words);
}

bool CScovaroDlg::busyWithLongWork() const
{
    return m_longWork > 0 || m_workspace.busy;
}

bool CScovaroDlg::followRunningSearch(std::function<void()> start)
{
    // The walk stops at its next test; the new search starts once it has unwound.
    if (!m_searching || !m_session->run().walkRunning() || m_workspace.busy)
        return false;
    m_afterSearch = std::move(start);
    m_workspace.BreakCode = app::StopCode::Break;
    return true;
}

void CScovaroDlg::StartSearch(const std::string& queryText)
{
    // A search started inside another long operation would walk the archive
    // under its feet; Break or Escape ends the running one first.
    if (busyWithLongWork())
        return;
    ++m_longWork;
    m_searching = true;
    {
        const auto paused = m_clipboard.pause();
        showResultsAndPreview();
        // Every search is shown first in its own order.
        m_resultModel->sortByColumn(-1, false);
        showSortIndicator();
        m_rowsShown = m_session->results().size();
        m_sinceListRefresh.start();
        m_session->StartSearch(queryText);
    }
    m_searching = false;
    --m_longWork;
    if (std::function<void()> next = std::exchange(m_afterSearch, nullptr)) {
        // The stopped search's rows are not shown again: the next search's follow.
        next();
        return;
    }
    // The archive lacked the roots of some words: offer to add them.
    indexing::OfferToAddRoots(m_workspace, m_session->run().takeRootlessWords());
    refreshResults();
    refreshPreview();
    // What the search looked for, when it is not what was typed, outlasts the
    // statuses the search and the extracts set meanwhile; the tip holds it whole.
    const std::string& notice = m_session->run().queryNotice();
    if (!notice.empty()) {
        m_statusLine->setText(displayed(notice));
        m_statusLine->setToolTip(displayed(notice));
    }
    if (m_session->run().continueEnabled())
        m_continueButton->setEnabled(true);
    // A word search on disk switches "direct on disk" off again.
    if (m_searchPage != nullptr)
        m_searchPage->refreshDiskControls();
}

void CScovaroDlg::refreshResults()
{
    m_resultModel->reload();
    m_rowsShown = m_session->results().size();
    showSortIndicator();
    copyListSelectionToView();
}

void CScovaroDlg::resultHeaderClicked(int column)
{
    const bool descending = m_resultModel->sortColumn() == column && !m_resultModel->sortedDescending();
    m_resultModel->sortByColumn(column, descending);
    showSortIndicator();
    copyListSelectionToView();
}

void CScovaroDlg::sortResultsByRelevance()
{
    m_resultModel->sortByOrder([this] {
        std::vector<std::size_t> rows;
        for (const search::RankedRow& ranked : search::RelevanceOrder(*m_session, m_session->results().size()))
            rows.push_back(ranked.row);
        return rows;
    });
    showSortIndicator();
    copyListSelectionToView();
}

void CScovaroDlg::showSortIndicator()
{
    // The title carries the arrow; the header keeps the order for assistive tools.
    QHeaderView* header = m_resultList->horizontalHeader();
    const int column = m_resultModel->sortColumn();
    header->setSortIndicator(column, m_resultModel->sortedDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (column < 0)
        return;
    const int needed =
        header->fontMetrics().horizontalAdvance(m_resultModel->headerData(column, Qt::Horizontal).toString()) + 12;
    if (header->sectionSize(column) < needed)
        header->resizeSection(column, needed);
}

void CScovaroDlg::refreshPreview()
{
    // The preview shown is the end of the trees.
    if (m_trees->anyShown())
        m_trees->hideTrees();
    search::PreviewSession& preview = m_session->preview();
    // A document of the engine replaces the user's new text: "Save" is about it now.
    m_previewName.clear();
    RenderPreview(*m_preview, preview.document(), m_previewPointSize, preview.scrollPosition());
    m_positionField->setText(QString::number(preview.positionField()));
    m_sizeField->setText(QString::number(preview.sizeField()));
    m_continueButton->setEnabled(preview.continueEnabled() || m_session->run().continueEnabled());
}

void CScovaroDlg::copyViewSelectionToList()
{
    search::ResultList& results = m_session->results();
    results.clearSelection();
    for (const QModelIndex& index : m_resultList->selectionModel()->selectedRows())
        results.setSelected(m_resultModel->engineRow(index.row()), true);
}

void CScovaroDlg::copyListSelectionToView()
{
    QItemSelection selection;
    for (std::size_t row : m_session->results().selectedRows()) {
        const int shown = m_resultModel->viewRow(row);
        QModelIndex first = m_resultModel->index(shown, 0);
        QModelIndex last = m_resultModel->index(shown, m_resultModel->columnCount() - 1);
        selection.select(first, last);
    }
    QSignalBlocker quiet(m_resultList->selectionModel());
    m_resultList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_resultList->viewport()->update();
}

void CScovaroDlg::resultClicked(const QModelIndex& index)
{
    if (!index.isValid() || busyWithLongWork())
        return;
    closePopupMenu();
    copyViewSelectionToList();
    clearSearchPageGuard();
    // A web result may be fetched here: the fetch pumps, and the guard keeps other
    // long work out until it is done or Break ends it.
    const std::size_t rowsBefore = m_session->results().size();
    const std::size_t row = m_resultModel->engineRow(index.row());
    ++m_longWork;
    m_session->preview().ShowClickedRow(row, !queryWordsText().trimmed().isEmpty());
    --m_longWork;
    if (m_session->results().size() != rowsBefore)
        refreshResults();  // the fetch's error row
    refreshPreview();
    if (row < m_session->results().size()) {
        const std::string label = m_session->results().row(row).label();
        if (utilities::RowShowsInImagePreview(label, m_session->run().lists()))
            ShowPreviewFile(label);
    }
}

void CScovaroDlg::resultDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid() || busyWithLongWork())
        return;
    clearSearchPageGuard();
    const search::RowOpening opening = search::CheckRowOnDisk(search::DecideRowOpening(
        m_session->results(), m_resultModel->engineRow(index.row()), m_workspace.WorkingFolder + "vedratemp/"));
    switch (opening.action) {
    case search::RowOpenAction::None:
        break;
    case search::RowOpenAction::ReportMissing:
        m_workspace.showMessage(app::MessageKey::MsgFileNoLongerExists, app::MessageButtons::Ok, {opening.target});
        break;
    case search::RowOpenAction::PreviewPlain:
        m_session->preview().OpenPreviewFile(opening.target, 0, search::ReadMode::Plain);
        m_session->preview().ShowBlock();
        refreshPreview();
        break;
    case search::RowOpenAction::ListFolder:
        ++m_longWork;
        m_workspace.BreakCode = app::StopCode::None;
        m_session->run().ListFolder(opening.target);
        --m_longWork;
        refreshResults();
        break;
    case search::RowOpenAction::OpenFile:
    case search::RowOpenAction::OpenWebAddress:
        utilities::OpenWithRegisteredProgram(m_workspace, opening.target);
        break;
    }
}

void CScovaroDlg::openLinkAtCaret()
{
    if (busyWithLongWork())
        return;
    const std::string text = app::utf8ToCp1252(m_preview->toPlainText().toStdString());
    const web::LinkAtCaret link = web::OpenLinkAtCaret(text, static_cast<std::size_t>(m_preview->textCursor().position()));
    switch (link.action) {
    case web::LinkAction::OpenFile:
    case web::LinkAction::OpenWebAddress:
        utilities::OpenWithRegisteredProgram(m_workspace, link.target);
        break;
    case web::LinkAction::SearchNotes:
        m_workspace.SearchTarget = app::SearchTarget::Notes;
        setNotesSearchText(displayed(link.target));
        StartSearch(link.target);
        break;
    case web::LinkAction::None:
        break;
    }
}

void CScovaroDlg::continueClicked()
{
    if (busyWithLongWork())
        return;
    ++m_longWork;
    m_session->preview().ContinuePreview();
    --m_longWork;
    refreshPreview();
}

void CScovaroDlg::setPreviewPlainText(const std::string& cp1252)
{
    search::PreviewDocument& document = m_session->preview().document();
    document.clear();
    document.appendText(cp1252);
    RenderPreview(*m_preview, document, m_previewPointSize, std::string::npos);
}

std::string CScovaroDlg::previewSelection() const
{
    QString text = m_preview->textCursor().selectedText();
    // The control gives paragraph breaks as U+2029.
    text.replace(QChar::ParagraphSeparator, u'\n');
    return engineText(text);
}

bool CScovaroDlg::drainEvents()
{
    ++m_drainDepth;
    QCoreApplication::processEvents();
    --m_drainDepth;
    // A long search shows its rows as they come, a few times a second (an
    // indexing run too: the word watch lists files as they are read).
    if ((m_longWork > 0 || m_workspace.busy) && m_session->results().size() != m_rowsShown &&
        (!m_sinceListRefresh.isValid() || m_rowsShown < kFirstScreenRows ||
         m_sinceListRefresh.elapsed() >= kListRefreshMilliseconds)) {
        m_resultModel->reload();
        m_rowsShown = m_session->results().size();
        m_sinceListRefresh.start();
    }
    return std::exchange(m_escapeWhileDraining, false);
}

MessageAnswer CScovaroDlg::messageBox(const std::string& text, MessageButtons buttons)
{
    std::string shown = app::displayUtf8(text);
    m_shownMessages.push_back(shown);
    if (m_responder)
        return m_responder(shown, buttons);
    const MessageAnswer answer =
        runMessageBox(isVisible() ? this : nullptr, shown, buttons, "VedraReader", m_workspace.LanguageIndex);
    raiseToolWindows();
    return answer;
}

MessageAnswer CScovaroDlg::titledMessageBox(const std::string& title, const std::string& text,
                                            MessageButtons buttons)
{
    std::string shown = app::displayUtf8(text);
    m_shownMessages.push_back(shown);
    if (m_responder)
        return m_responder(shown, buttons);
    const MessageAnswer answer = runMessageBox(isVisible() ? this : nullptr, shown, buttons,
                                               app::displayUtf8(title), m_workspace.LanguageIndex);
    raiseToolWindows();
    return answer;
}

void CScovaroDlg::setTitle(const std::string& title)
{
    setWindowTitle(displayed(title));
}

void CScovaroDlg::setStatus(const std::string& text)
{
    // The line keeps the start and the end of a long path; the blank padding that
    // overwrote old text in a fixed-width field is not needed in a label.
    std::string shown = search::StatusLineText(text);
    shown.erase(shown.find_last_not_of(' ') + 1);
    m_statusLine->setText(displayed(shown));
    m_statusLine->setToolTip(QString());
}

void CScovaroDlg::setProgressRange(int low, int high)
{
    // QProgressBar animates an empty range as "busy"; a Windows bar just stays empty.
    m_progress->setRange(low, std::max(high, low + 1));
}

void CScovaroDlg::setProgressPosition(int position)
{
    m_progress->setValue(std::clamp(position, m_progress->minimum(), m_progress->maximum()));
}

void CScovaroDlg::setWaitCursor(bool on)
{
    if (on) {
        ++m_waitCursorDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_waitCursorDepth > 0) {
        --m_waitCursorDepth;
        QApplication::restoreOverrideCursor();
    }
}

void CScovaroDlg::reject()
{
    // Closing inside a running handler would free the archive it reads: the
    // request only stops the work, and the user closes again.
    if (busyWithLongWork()) {
        m_workspace.BreakCode = app::StopCode::Break;
        return;
    }
    QDialog::reject();
}

void CScovaroDlg::done(int result)
{
    ShutdownSave();
    if (m_sheet != nullptr)
        m_sheet->hide();
    closePopupMenu();
    QDialog::done(result);
}

bool CScovaroDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && watched != this && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow() && QApplication::activeWindow() == nullptr &&
        std::exchange(m_leftForOwnWindow, false)) {
        // Left for the sheet, and from there for another program: that is leaving too.
        reactToClipboardEvent(search::ClipboardWindowEvent::Deactivated);
        return false;
    }
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_preview->viewport()) {
        // The control selects the word first; the link is looked for after that.
        QTimer::singleShot(0, this, &CScovaroDlg::openLinkAtCaret);
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() && m_popup != nullptr &&
        m_popup->isVisible()) {
        // A click anywhere outside the pop-up window ends it, as a menu would end.
        if (!insidePopupWindow(watched))
            closePopupMenu();
        return false;
    }
    if (event->type() == QEvent::ApplicationDeactivate && m_popup != nullptr && m_popup->isVisible()) {
        // A click in another program's window.
        closePopupMenu();
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    if (m_drainDepth == 0 && takeFindKey(watched, *static_cast<QKeyEvent*>(event)))
        return true;
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return false;
    // A message box or another modal window handles its own Escape.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != this)
        return false;
    if (m_drainDepth > 0) {
        m_escapeWhileDraining = true;
        return true;
    }
    // The pop-up window goes first, whichever of the program's windows has the focus.
    if (m_popup != nullptr && m_popup->isVisible() && belongsToProgram(static_cast<QWidget*>(watched))) {
        closePopupMenu();
        return true;
    }
    if (!ownsWidget(watched))
        return false;
    if (!closeTopmostPopup())
        confirmQuit();
    return true;
}

void CScovaroDlg::keyPressEvent(QKeyEvent* event)
{
    // QDialog would reject at once; Escape must ask first.
    if (event->key() == Qt::Key_Escape) {
        if (!closeTopmostPopup())
            confirmQuit();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        showAbout();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CScovaroDlg::closeEvent(QCloseEvent* event)
{
    QGuiApplication::clipboard()->clear();
    if (busyWithLongWork()) {
        m_workspace.BreakCode = app::StopCode::Break;
        event->ignore();
        return;
    }
    // QDialog closes through reject().
    QDialog::closeEvent(event);
}

void CScovaroDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    using search::ClipboardWindowEvent;
    if (event->type() == QEvent::WindowStateChange) {
        auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if (isMaximized()) {
            // The window keeps its size: Maximise puts it back where it started.
            QTimer::singleShot(0, this, [this] {
                setWindowState(windowState() & ~Qt::WindowMaximized);
                if (m_startGeometry.isValid())
                    setGeometry(m_startGeometry);
            });
        } else if (isMinimized()) {
            reactToClipboardEvent(ClipboardWindowEvent::Minimised);
        } else if ((change->oldState() & Qt::WindowMinimized) != 0) {
            reactToClipboardEvent(ClipboardWindowEvent::Restored);
        }
    } else if (event->type() == QEvent::ActivationChange) {
        // Going to the sheet or another of the program's windows and back (a click
        // on a flag, on the list) is not leaving the program: only coming back from
        // another program searches what it copied, not whatever the clipboard holds.
        if (isActiveWindow()) {
            if (!std::exchange(m_leftForOwnWindow, false))
                reactToClipboardEvent(ClipboardWindowEvent::Activated);
        } else {
            m_leftForOwnWindow = QApplication::activeWindow() != nullptr;
            if (!m_leftForOwnWindow)
                reactToClipboardEvent(ClipboardWindowEvent::Deactivated);
        }
    }
}

void CScovaroDlg::reactToClipboardEvent(search::ClipboardWindowEvent event)
{
    search::ClipboardWindowFacts facts;
    facts.heightPixels = height();
    facts.minimised = isMinimized();
    facts.busy = busyWithLongWork();
    facts.directOnDisk = m_session->run().options().directOnDisk != 0;
    switch (m_clipboard.OnWindowEvent(event, facts)) {
    case search::ClipboardReaction::None:
        break;
    case search::ClipboardReaction::EmptyFields:
        setQueryWordsText(QString());
        setNotesSearchText(QString());
        QGuiApplication::clipboard()->clear();
        break;
    case search::ClipboardReaction::SearchPaste:
        QTimer::singleShot(0, this, [this] { ClipboardSearch(ClipboardMode::Paste); });
        break;
    case search::ClipboardReaction::SearchClick:
        closePopupMenu();
        QTimer::singleShot(0, this, [this] {
            ClipboardSearch(ClipboardMode::Click);
            QGuiApplication::clipboard()->clear();
        });
        break;
    }
}

void CScovaroDlg::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    reactToClipboardEvent(search::ClipboardWindowEvent::Moved);
}

void CScovaroDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        closePopupMenu();
        m_trees->hideTrees();
    } else if (event->button() == Qt::RightButton && childAt(event->position().toPoint()) == nullptr) {
        // The system menu of a Qt window cannot take the About item; the window's
        // own menu can. Right clicks that controls pass on are theirs, not this menu's.
        QMenu menu(this);
        menu.addAction(caption(captions::kAboutTitle, m_workspace.LanguageIndex), this, &CScovaroDlg::showAbout);
        menu.exec(event->globalPosition().toPoint());
    }
    QDialog::mousePressEvent(event);
}

void CScovaroDlg::ClipboardSearch(ClipboardMode mode)
{
    // Nothing is asked or pasted for a search that would be refused.
    if (m_session->searchDisabled())
        return;
    const search::ClipboardTake take = m_clipboard.Take(mode, QGuiApplication::clipboard()->text().toStdString(),
                                                        m_workspace.SearchTarget, busyWithLongWork());
    if (take.emptyFields) {
        setNotesSearchText(QString());
        setQueryWordsText(QString());
    }
    if (take.restoreWindow)
        showNormal();
    if (take.status != search::ClipboardTakeStatus::Text)
        return;
    const QString shown = QString::fromStdString(app::cp1252ToUtf8(take.text));
    if (take.field == search::ClipboardField::Words)
        setQueryWordsText(shown);
    else
        setNotesSearchText(shown);
    if (!m_clipboard.Confirm(m_workspace, m_session->run(), take))
        return;
    StartSearch(take.text);
    if (take.emptyClipboardAfter)
        QGuiApplication::clipboard()->clear();
}

void CScovaroDlg::showAbout()
{
    const int language = m_workspace.LanguageIndex;
    QString text = QStringLiteral("VedraReader %1\n\n%2")
                       .arg(QString::fromLatin1(app::Workspace::kVersion), caption(captions::kAboutText, language));
    if (m_responder) {
        m_shownMessages.push_back(text.toStdString());
        m_responder(text.toStdString(), MessageButtons::Ok);
        return;
    }
    QMessageBox::about(this, caption(captions::kAboutTitle, language), text);
}

void CScovaroDlg::confirmQuit()
{
    // Escape ends the window as the close box would, but without the busy check
    // of closing: while an operation runs, its drain takes Escape first.
    if (m_workspace.showMessage(MessageKey::MsgConfirmQuit, MessageButtons::OkCancel) == MessageAnswer::Ok)
        done(QDialog::Rejected);
    else
        m_workspace.BreakCode = app::StopCode::QuitDeclined;
}

bool CScovaroDlg::ownsWidget(const QObject* object) const
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget != nullptr && widget->window() == this;
}

} // namespace vedra::ui
