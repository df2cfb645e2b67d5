// Leaving the search page hands its controls to the engine at once, so a search
// started elsewhere (the clipboard, a pop-up) uses what was typed there. Each
// page's search empties the other's words, so one query stands at a time. The
// sheet is placed twice, since the first show can still change its frame's width.
#include "ui/CMyPropertySheet.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CNote.h"
#include "ui/SearchScreen.h"
#include "ui/WindowTexts.h"

#include <QRect>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vedra::ui {
namespace {

// Gap between the sheet's right edge and the main window's, and below its top.
constexpr int kRightGap = 5;
constexpr int kTopGap = 20;

} // namespace

CMyPropertySheet::CMyPropertySheet(SearchScreen& screen, QWidget* parent) : QDialog(parent), m_screen(screen)
{
    setObjectName(QStringLiteral("CMyPropertySheet"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setWindowTitle(QStringLiteral("Vedra"));

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(kBackgroundColour));
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("sheetTabs"));
    layout->addWidget(m_tabs);
    // Tab titles in dark text on the light tabs, not in the sheet's white.
    QPalette tabPalette = m_tabs->tabBar()->palette();
    tabPalette.setColor(QPalette::WindowText, Qt::black);
    tabPalette.setColor(QPalette::Window, QColor(220, 230, 240));
    m_tabs->tabBar()->setPalette(tabPalette);

    m_searchPage = new CMyPropertyPage2(screen, m_tabs);
    m_notePage = new CNote(screen, m_tabs);
    for (QWidget* page : {static_cast<QWidget*>(m_searchPage), static_cast<QWidget*>(m_notePage)})
        page->setAutoFillBackground(true);
    const int language = m_screen.workspace().LanguageIndex;
    m_tabs->addTab(m_searchPage, caption(captions::kSearchTab, language));
    m_tabs->addTab(m_notePage, caption(captions::kUtilityTab, language));

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_tabs->widget(index) != m_searchPage && m_searchShown)
            m_searchPage->deactivate();
        m_searchShown = m_tabs->widget(index) == m_searchPage;
    });
    // Each page's search empties the other's words.
    connect(m_searchPage, &CMyPropertyPage2::notesSearchTextCleared, m_notePage,
            [this] { m_notePage->setSearchText(QString()); });
    connect(m_notePage, &CNote::searchWordsCleared, m_searchPage, [this] { m_searchPage->setWordsText(QString()); });
    // An archive opened from the utility page is searched next.
    connect(m_notePage, &CNote::archiveOpened, this, [this](const QString& name) {
        setWindowTitle(name);
        m_tabs->setCurrentWidget(m_searchPage);
    });
}

int CMyPropertySheet::addPage(QWidget* page, const QString& title)
{
    page->setAutoFillBackground(true);
    return m_tabs->addTab(page, title);
}

void CMyPropertySheet::showBeside(const QRect& mainFrame)
{
    if (isVisible())
        return;
    setWindowTitle(QString::fromStdString(app::displayUtf8(m_screen.workspace().currentArchiveName())));
    ensurePolished();
    if (!testAttribute(Qt::WA_Resized))
        adjustSize();
    auto place = [this, &mainFrame] {
        move(mainFrame.left() + mainFrame.width() - frameGeometry().width() - kRightGap, mainFrame.top() + kTopGap);
    };
    place();
    show();
    // The first show can still settle the layout and the frame; place it again with
    // the width it really has.
    place();
}

void CMyPropertySheet::retranslate()
{
    const int language = m_screen.workspace().LanguageIndex;
    m_tabs->setTabText(m_tabs->indexOf(m_searchPage), caption(captions::kSearchTab, language));
    m_tabs->setTabText(m_tabs->indexOf(m_notePage), caption(captions::kUtilityTab, language));
    m_searchPage->retranslate();
    m_notePage->retranslate();
}

void CMyPropertySheet::storePages()
{
    m_searchPage->readControls();
}

void CMyPropertySheet::reject()
{
    storePages();
    hide();
}

} // namespace vedra::ui
