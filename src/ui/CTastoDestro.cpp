// Entries run on a click, not on a change of selection, so clicking an option
// twice turns it back off; every row is redrawn after a click, since one flip can
// change other rows' marks. The window is placed for its context, then kept on the
// screen the click was on. For the utility page its box offers the browsers.
#include "ui/CTastoDestro.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/ResultOrder.h"
#include "core/search/SearchSession.h"
#include "core/utilities/Launching.h"
#include "core/utilities/UtilityPage.h"
#include "ui/SearchScreen.h"
#include "ui/UiText.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vedra::ui {

using utilities::PopupContext;

namespace {

} // namespace

QPoint PopupPosition(PopupContext context, const QPoint& click, const QPoint& pageTopLeft)
{
    switch (context) {
    case PopupContext::ResultList: return click + QPoint(20, 20);
    case PopupContext::UtilityPage: return click + QPoint(50, 20);
    case PopupContext::SearchPage: return click + QPoint(30, 0);
    case PopupContext::Preview:
    case PopupContext::ImagePreview: return click;
    case PopupContext::SearchWords: return pageTopLeft + QPoint(100, 0);
    }
    return click;
}

QPoint KeepOnScreen(const QRect& window, const QRect& screen)
{
    int x = std::min(window.x(), screen.right() + 1 - window.width());
    int y = std::min(window.y(), screen.bottom() + 1 - window.height());
    return {std::max(x, screen.left()), std::max(y, screen.top())};
}

CTastoDestro::CTastoDestro(SearchScreen& screen, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), m_screen(screen)
{
    setObjectName(QStringLiteral("CTastoDestro"));

    // No title bar: the menu's title shows at the top instead.
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setTextFormat(Qt::PlainText);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    // Without a title bar, the window's own close control.
    auto* closeButton = new QToolButton(this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setText(QStringLiteral("\u00d7"));
    closeButton->setAutoRaise(true);
    connect(closeButton, &QToolButton::clicked, this, &QWidget::close);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(2);
    titleRow->addWidget(m_title, 1);
    titleRow->addWidget(closeButton);

    m_entries = new QListWidget(this);
    m_entries->setObjectName(QStringLiteral("1532"));
    m_entries->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Only the separators run wider than the window; a scroll bar would hide a row.
    m_entries->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_entries->setTextElideMode(Qt::ElideNone);
    for (std::size_t i = 0; i < utilities::kPopupEntryCount; ++i)
        m_entries->addItem(QString());
    // A click, not a change of selection, runs the entry, so that clicking the same
    // option twice turns it back off.
    connect(m_entries, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { runEntry(m_entries->row(item)); });

    m_runWith = new QPushButton(QStringLiteral("esegui con:"), this);
    m_runWith->setObjectName(QStringLiteral("1115"));
    m_runWith->setAutoDefault(false);
    connect(m_runWith, &QPushButton::clicked, this, &CTastoDestro::runWith);

    m_programs = new QComboBox(this);
    m_programs->setObjectName(QStringLiteral("1114"));
    connect(m_programs, &QComboBox::activated, this, &CTastoDestro::programChosen);

    auto* programRow = new QHBoxLayout;
    programRow->setSpacing(2);
    programRow->addWidget(m_runWith);
    programRow->addWidget(m_programs, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(titleRow);
    layout->addWidget(m_entries);
    layout->addLayout(programRow);
}

void CTastoDestro::showMenu(const utilities::PopupMenu& menu, const QPoint& globalClick, const QPoint& pageTopLeft)
{
    m_menu = menu;
    // The image preview's menu keeps the title it had.
    if (!m_menu.title.empty())
        m_title->setText(displayed(m_menu.title));
    m_runWith->setText(displayed(m_menu.runWithCaption));
    fillEntries();

    // Serving the utility page, the box offers the browsers: choosing one there is
    // how a browser is chosen.
    const bool utilityPage = m_menu.context == PopupContext::UtilityPage;
    if (m_menu.showsProgramBox || utilityPage)
        fillProgramBox();
    m_programs->setVisible(m_menu.showsProgramBox || utilityPage);
    m_runWith->setVisible(m_menu.showsProgramBox);

    int rowHeight = m_entries->sizeHintForRow(0);
    if (rowHeight <= 0)
        rowHeight = m_entries->fontMetrics().height() + 2;
    m_entries->setFixedHeight((m_menu.usedEntries() + 1) * rowHeight + 2 * m_entries->frameWidth());
    const int width = m_menu.context == PopupContext::SearchWords ? kSearchWordsWidth : kDefaultWidth;
    setFixedWidth(width);
    adjustSize();
    resize(width, sizeHint().height());

    QRect window(PopupPosition(m_menu.context, globalClick, pageTopLeft), size());
    QScreen* screen = QGuiApplication::screenAt(globalClick);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen != nullptr)
        window.moveTopLeft(KeepOnScreen(window, screen->availableGeometry()));
    move(window.topLeft());
    show();
    raise();
}

void CTastoDestro::fillEntries()
{
    for (std::size_t i = 0; i < utilities::kPopupEntryCount; ++i)
        m_entries->item(static_cast<int>(i))->setText(displayed(m_menu.entries[i]));
    m_entries->clearSelection();
}

void CTastoDestro::fillProgramBox()
{
    app::Workspace& workspace = m_screen.workspace();
    m_programs->clear();
    if (m_menu.context == PopupContext::UtilityPage) {
        app::BrowserChoice choice = utilities::FillBrowserList(workspace);
        for (const std::string& browser : choice.browsers)
            m_programs->addItem(displayed(browser));
        int selected = m_programs->findText(displayed(choice.selected));
        m_programs->setCurrentIndex(selected >= 0 ? selected : 0);
        return;
    }
    // When the associations cannot be had the box keeps what the engine last read.
    utilities::FillProgramBox(workspace);
    for (const std::string& program : workspace.runWithPrograms)
        m_programs->addItem(displayed(program));
    m_programs->setCurrentIndex(0);
}

void CTastoDestro::runEntry(int index)
{
    if (index < 0 || index >= static_cast<int>(utilities::kPopupEntryCount))
        return;
    utilities::PopupOutcome outcome = utilities::RunSelectedEntry(
        m_screen.workspace(), m_menu, index, m_screen.session().run().options(), m_screen.popupFlags());
    // A flip to '*' clears the other entries' stars too, so every row is redrawn.
    fillEntries();
    m_screen.performPopupAction(outcome, m_menu.context);
}

void CTastoDestro::runWith()
{
    search::ResultList& results = m_screen.session().results();
    std::vector<std::size_t> selected = search::SelectedRowsShown(results, m_screen.shownRows());
    std::string rowPath = selected.empty() ? std::string() : results.row(selected.front()).label();
    utilities::RunWithButton(m_screen.workspace(), engineText(m_programs->currentText()), rowPath,
                             m_screen.selectedPreviewText());
}

void CTastoDestro::programChosen(int index)
{
    if (m_menu.context != PopupContext::UtilityPage || index < 0)
        return;
    utilities::ChooseBrowser(m_screen.workspace(), engineText(m_programs->itemText(index)));
}

void CTastoDestro::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CTastoDestro::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace vedra::ui
