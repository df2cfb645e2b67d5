// Enter is caught by an event filter on every child, before a button or the sheet
// can turn it into a click, and a guard holds it to one search per press: repeats
// arrive as press-release pairs marked auto-repeat, so only a real release lowers
// the guard. The controls show UTF-8; the engine gets cp1252.
#include "ui/CMyPropertyPage2.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/SearchOptions.h"
#include "core/search/SearchSession.h"
#include "ui/SearchScreen.h"
#include "ui/UiText.h"
#include "ui/WindowTexts.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <array>

namespace vedra::ui {
namespace {

using search::SearchOptions;
using namespace captions;

constexpr int kMaxFilterCharacters = 256;
// The tips are long; they stay long enough to be read.
constexpr int kTipMilliseconds = 30000;

// Until the language is first applied, the Italian tip names Escape, which also
// stops a search.
constexpr const char* kFirstItalianSearchTip =
    "Attiva la ricerca nell'archivio.\n<ESC> per interrompere.\n\n(Per ricerche da altre applicazioni:\n -ridurre ad "
    "icona la finestra di Vedra;\n -utilizzare la funzione <Copy>;\n -cliccare sulla finestra ridotta ad icona\n "
    "-oppure digitare 2 volte il tasto <Ctrl>.)\n";

constexpr Texts kDistanceRefused = {"Immettere un numero intero compreso tra 5 e 500.",
                                    "Enter a whole number between 5 and 500.",
                                    "Introduzca un número entero entre 5 y 500."};

bool isEnter(const QEvent* event, QEvent::Type type = QEvent::KeyPress)
{
    if (event->type() != type)
        return false;
    int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The held key lifted: repeats come as press-release pairs marked auto-repeat.
bool isEnterLifted(const QEvent* event)
{
    return isEnter(event, QEvent::KeyRelease) && !static_cast<const QKeyEvent*>(event)->isAutoRepeat();
}

} // namespace

CMyPropertyPage2::CMyPropertyPage2(SearchScreen& screen, QWidget* parent) : QWidget(parent), m_screen(screen)
{
    setObjectName(QStringLiteral("CMyPropertyPage2"));
    buildControls();
    m_screen.workspace().SearchTarget = app::kStartSearchTarget;
    applyTexts(true);
    refreshFromEngine();
    // Enter must reach the page whichever control has the focus, before a button or
    // the sheet's dialog turns it into a click.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
        child->setToolTipDuration(kTipMilliseconds);
    }
}

void CMyPropertyPage2::buildControls()
{
    auto* outer = new QVBoxLayout(this);
    m_frame = named(new QGroupBox(this), "1407");
    outer->addWidget(m_frame);
    auto* grid = new QGridLayout(m_frame);

    m_wordsLabel = named(new QLabel(m_frame), "1601");
    m_words = named(new QLineEdit(m_frame), "1800");
    // Its right button opens the program's own edit menu, not Qt's.
    m_words->setContextMenuPolicy(Qt::PreventContextMenu);
    m_search = named(new QPushButton(m_frame), "1009");
    m_search->setAutoDefault(false);
    grid->addWidget(m_wordsLabel, 0, 0, 1, 3);
    grid->addWidget(m_words, 1, 0, 1, 2);
    grid->addWidget(m_search, 1, 2);

    m_contiguity = named(new QCheckBox(m_frame), "1771");
    m_distance = named(new QLineEdit(m_frame), "1772");
    m_distance->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}")), m_distance));
    m_distance->setMaximumWidth(60);
    m_inNotes = named(new QCheckBox(m_frame), "1839");
    m_inNotes->setChecked(true);
    grid->addWidget(m_contiguity, 2, 0);
    grid->addWidget(m_distance, 2, 1, Qt::AlignLeft);
    grid->addWidget(m_inNotes, 2, 2);

    m_filters = named(new QGroupBox(m_frame), "1787");
    auto* filters = new QVBoxLayout(m_filters);
    m_files = named(new QLineEdit(m_filters), "1054");
    m_files->setMaxLength(kMaxFilterCharacters);
    m_directories = named(new QLineEdit(m_filters), "1055");
    m_directories->setMaxLength(kMaxFilterCharacters);
    filters->addWidget(m_files);
    filters->addWidget(m_directories);
    grid->addWidget(m_filters, 3, 0, 1, 3);

    auto* drive = new QHBoxLayout;
    m_onDisk = named(new QCheckBox(m_frame), "directOnDisk");
    drive->addWidget(m_onDisk);
    m_driveLabel = named(new QLabel(m_frame), "1534");
    m_drives = named(new QComboBox(m_frame), "1684");
    m_drives->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    drive->addWidget(m_driveLabel);
    drive->addWidget(m_drives, 1);
    grid->addLayout(drive, 4, 0, 1, 3);
    m_driveLabel->hide();
    m_drives->hide();
    m_driveLabel->setEnabled(false);
    m_drives->setEnabled(false);
    grid->setRowStretch(5, 1);

    connect(m_search, &QPushButton::clicked, this, &CMyPropertyPage2::search);
    connect(m_contiguity, &QCheckBox::toggled, this,
            [this](bool checked) { m_screen.session().run().options().setContiguity(checked); });
    connect(m_inNotes, &QCheckBox::clicked, this, &CMyPropertyPage2::notesBoxClicked);
    connect(m_onDisk, &QCheckBox::clicked, this, [this](bool checked) {
        m_screen.session().run().options().setDirectOnDisk(checked);
        refreshDiskControls();
    });
}

void CMyPropertyPage2::applyTexts(bool firstCreation)
{
    const int language = m_screen.workspace().LanguageIndex;
    const int column = languageColumn(language);
    m_words->setToolTip(QString::fromUtf8(kWordsTip[column]));
    m_files->setToolTip(QString::fromUtf8(kFilesTip[column]));
    m_directories->setToolTip(QString::fromUtf8(kDirectoriesTip[column]));
    m_search->setToolTip(QString::fromUtf8(firstCreation && column == 0 ? kFirstItalianSearchTip : kSearchTip[column]));
    m_inNotes->setText(QString::fromUtf8(kInNotesCaption[column]));
    m_onDisk->setText(QString::fromUtf8(kOnDiskCaption[column]));
    m_onDisk->setToolTip(QString::fromUtf8(kOnDiskTip[column]));
    m_wordsLabel->setText(caption(kWordsCaption, language));
    m_search->setText(caption(kSearchButton, language));
    m_contiguity->setText(caption(kContiguityCaption, language));
    m_filters->setTitle(caption(kFiltersFrame, language));
    m_files->setPlaceholderText(caption(kFilesPlaceholder, language));
    m_directories->setPlaceholderText(caption(kDirectoriesPlaceholder, language));
    m_driveLabel->setText(caption(kDriveCaption, language));
}

void CMyPropertyPage2::retranslate()
{
    applyTexts(false);
}

QString CMyPropertyPage2::wordsText() const
{
    return m_words->text();
}

void CMyPropertyPage2::setWordsText(const QString& text)
{
    m_words->setText(text);
}

void CMyPropertyPage2::pasteWords()
{
    m_words->paste();
}

void CMyPropertyPage2::setFilesText(const QString& text)
{
    m_files->setText(text);
}

void CMyPropertyPage2::setDirectoriesText(const QString& text)
{
    m_directories->setText(text);
}

void CMyPropertyPage2::setContiguityChecked(bool checked)
{
    m_contiguity->setChecked(checked);
    m_screen.session().run().options().setContiguity(checked);
}

bool CMyPropertyPage2::readControls()
{
    search::SearchRun& run = m_screen.session().run();
    SearchOptions& options = run.options();
    options.setContiguity(m_contiguity->isChecked());
    bool isNumber = false;
    const int distance = m_distance->text().toInt(&isNumber);
    const bool distanceTaken = isNumber && options.setContiguityDistance(distance);
    if (!distanceTaken) {
        app::Workspace& workspace = m_screen.workspace();
        // The host takes the engine's cp1252.
        workspace.host().messageBox(engineText(caption(kDistanceRefused, workspace.LanguageIndex)),
                                    app::MessageButtons::Ok);
        m_distance->setText(QString::number(options.contiguityDistance()));
        m_distance->setFocus();
    }
    run.setFilesText(engineText(m_files->text()));
    run.setDirectoriesText(engineText(m_directories->text()));
    if (options.directOnDisk != 0 && m_drives->currentIndex() >= 0)
        run.setDiskRoot(m_drives->currentData().toByteArray().toStdString());
    return distanceTaken;
}

bool CMyPropertyPage2::longWorkRunning() const
{
    return m_screen.longWorkRunning() || m_screen.workspace().busy;
}

void CMyPropertyPage2::search()
{
    // The running work (a search, a fetch for the preview) owns the list and the
    // preview until it ends: nothing of them is reset under it.
    if (longWorkRunning()) {
        m_screen.followRunningSearch([this] { search(); });
        return;
    }
    QGuiApplication::clipboard()->clear();
    search::SearchSession& session = m_screen.session();
    session.preview().reset();
    if (!readControls())
        return;
    emit notesSearchTextCleared();
    session.preview().document().clear();
    m_screen.refreshPreview();
    m_screen.StartSearch(engineText(m_words->text()));
}

void CMyPropertyPage2::searchArchiveFor(const QString& words)
{
    if (m_inNotes->isChecked())
        m_inNotes->click();
    setWordsText(words);
    search();
}

void CMyPropertyPage2::enterPressed()
{
    if (m_enterGuard)
        return;
    if (longWorkRunning()) {
        m_screen.followRunningSearch([this] { enterPressed(); });
        return;
    }
    QGuiApplication::clipboard()->clear();
    search::SearchSession& session = m_screen.session();
    if (session.run().options().inTheFile == 0) {
        session.results().clear();
        m_screen.refreshResults();
    }
    if (!readControls())
        return;
    emit notesSearchTextCleared();
    // Set first: the key's release may arrive while the search drains events.
    m_enterGuard = true;
    m_screen.StartSearch(engineText(m_words->text()));
}

void CMyPropertyPage2::notesBoxClicked(bool checked)
{
    app::Workspace& workspace = m_screen.workspace();
    if (checked) {
        workspace.SearchTarget = app::SearchTarget::Notes;
        m_words->clear();
    } else {
        workspace.SearchTarget = app::SearchTarget::Archive;
        emit notesSearchTextCleared();
    }
}

void CMyPropertyPage2::refreshDiskControls()
{
    const bool onDisk = m_screen.session().run().options().directOnDisk != 0;
    m_onDisk->setChecked(onDisk);
    if (onDisk)
        fillDriveBox();
    m_driveLabel->setVisible(onDisk);
    m_drives->setVisible(onDisk);
    m_driveLabel->setEnabled(onDisk);
    m_drives->setEnabled(onDisk);
}

void CMyPropertyPage2::fillDriveBox()
{
    for (const std::string& root : m_screen.workspace().probe().driveRoots()) {
        QByteArray raw = QByteArray::fromStdString(root);
        if (m_drives->findData(raw) < 0)
            m_drives->addItem(QString::fromStdString(app::displayUtf8(root)), raw);
    }
    if (m_drives->currentIndex() < 0 && m_drives->count() > 0)
        m_drives->setCurrentIndex(0);
}

void CMyPropertyPage2::refreshFromEngine()
{
    const SearchOptions& options = m_screen.session().run().options();
    m_contiguity->setChecked(options.contiguity != 0);
    m_distance->setText(QString::number(options.contiguityDistance()));
    m_inNotes->setChecked(m_screen.workspace().SearchTarget != app::SearchTarget::Archive);
    refreshDiskControls();
}

bool CMyPropertyPage2::eventFilter(QObject* watched, QEvent* event)
{
    if (isEnter(event)) {
        enterPressed();
        return true;
    }
    // Once Enter is let go, the next press is a new search: the guard is there
    // for a key held down, not to make the user click elsewhere first.
    if (isEnterLifted(event))
        m_enterGuard = false;
    if (watched == m_words && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        m_screen.showPopupMenu(utilities::PopupContext::SearchWords, mapToGlobal(QPoint(0, 0)),
                               m_words);
        return true;
    }
    if (watched == m_directories && event->type() == QEvent::MouseButtonDblClick) {
        emit folderTreeWanted();
        return true;
    }
    if (watched == m_drives && event->type() == QEvent::FocusIn)
        fillDriveBox();
    return QWidget::eventFilter(watched, event);
}

void CMyPropertyPage2::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(event)) {
        enterPressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CMyPropertyPage2::keyReleaseEvent(QKeyEvent* event)
{
    if (isEnterLifted(event))
        m_enterGuard = false;
    QWidget::keyReleaseEvent(event);
}

void CMyPropertyPage2::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        m_screen.showPopupMenu(utilities::PopupContext::SearchPage,
                               event->globalPosition().toPoint(), this);
        return;
    }
    QWidget::mousePressEvent(event);
}

void CMyPropertyPage2::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_screen.closePopupMenu();
    m_enterGuard = false;
    refreshFromEngine();
}

void CMyPropertyPage2::deactivate()
{
    m_enterGuard = false;
    readControls();
    emit deactivated();
}

} // namespace vedra::ui
