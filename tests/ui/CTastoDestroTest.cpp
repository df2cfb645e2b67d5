// The pop-up window over a stand-in screen: entries from the engine's menus, a
// click applied and handed on, placement, the program box, run-with with a
// recorder program of the test's own, the browser choice, Escape.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"

#include "core/app/TextEncoding.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/utilities/Launching.h"
#include "core/utilities/UtilityPage.h"
#include "ui/CTastoDestro.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using vedra::ui::CTastoDestro;
using vedra::uitest::ScreenStandIn;
using namespace vedra;
using utilities::PopupAction;
using utilities::PopupContext;

namespace {

using vedra::uitest::record;
using vedra::uitest::recordedArguments;
using vedra::uitest::writeRecorder;

utilities::PopupMenu menuFor(ScreenStandIn& screen, PopupContext context, int language = 1)
{
    utilities::PopupConditions conditions;
    conditions.listHasRows = true;
    return utilities::BuildPopupMenu(context, language, conditions, screen.session().run().options(), screen.flags);
}

void clickRow(QListWidget* list, int row)
{
    QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

int rowStartingWith(QListWidget* list, const QString& label)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().mid(1) == label)
            return i;
    return -1;
}

// The workspace as the program has it with an archive open: the per-archive
// lists (program associations, browsers, executables) have their places.
bool withArchive(ScreenStandIn& screen)
{
    if (screen.workspace().PrepareWorkspace() != 1)
        return false;
    indexing::NewArchive request;
    request.name = "prova";
    return indexing::CreateArchive(screen.workspace(), request).number == 1;
}

} // namespace

class CTastoDestroTest : public QObject {
    Q_OBJECT

private slots:
    void entriesTitleAndCaptionComeFromTheMenu();
    void runWithCaptionFollowsTheLanguage();
    void optionEntryFlipsAndReachesTheScreen();
    void commandEntryReachesTheScreenWithItsAction();
    void placementFollowsTheContext();
    void windowIsPlacedAndKeptOnScreen();
    void programBoxIsFilledFromTheAssociations();
    void runWithStartsTheChosenProgramOnTheSelectedRow();
    void runWithTakesThePreviewSelectionWithoutARow();
    void utilityPageBoxChoosesTheBrowser();
    void escapeClosesAndTellsTheOwner();
};

void CTastoDestroTest::entriesTitleAndCaptionComeFromTheMenu()
{
    ScreenStandIn screen;
    QCOMPARE(screen.workspace().PrepareWorkspace(), 1);
    CTastoDestro window(screen);
    utilities::PopupMenu menu = menuFor(screen, PopupContext::ResultList);
    window.showMenu(menu, QPoint(10, 10), QPoint());
    auto* list = window.findChild<QListWidget*>("1532");
    QVERIFY(list);
    QCOMPARE(list->count(), 30);
    for (int i = 0; i < 30; ++i)
        QCOMPARE(list->item(i)->text().toStdString(), app::displayUtf8(menu.entries[static_cast<std::size_t>(i)]));
    QCOMPARE(list->item(0)->text(), QStringLiteral(" Disable search"));
    QCOMPARE(window.findChild<QLabel*>("title")->text(), QStringLiteral("FILES FOUND"));
    QVERIFY(window.findChild<QComboBox*>("1114")->isVisible());
    QVERIFY(window.findChild<QPushButton*>("1115")->isVisible());
    // Sized to the used entries and one more, not to all thirty.
    const int used = menu.usedEntries();
    QVERIFY(used > 3 && used < 30);
    QVERIFY(list->height() >= used * list->sizeHintForRow(0));
    QVERIFY(list->height() < (used + 3) * list->sizeHintForRow(0));

    // The search page's menu has no program box.
    window.showMenu(menuFor(screen, PopupContext::SearchPage), QPoint(10, 10), QPoint());
    QVERIFY(!window.findChild<QComboBox*>("1114")->isVisible());
    QVERIFY(!window.findChild<QPushButton*>("1115")->isVisible());
    QCOMPARE(window.findChild<QLabel*>("title")->text(), QStringLiteral("SEARCH"));
    QCOMPARE(list->count(), 30);
}

void CTastoDestroTest::runWithCaptionFollowsTheLanguage()
{
    ScreenStandIn screen;
    QCOMPARE(screen.workspace().PrepareWorkspace(), 1);
    CTastoDestro window(screen);
    const char* captions[] = {"Esegui con:", "Run with:", "Execute con:"};
    for (int language = 0; language < 3; ++language) {
        window.showMenu(menuFor(screen, PopupContext::Preview, language), QPoint(), QPoint());
        QCOMPARE(window.findChild<QPushButton*>("1115")->text(), QString::fromLatin1(captions[language]));
    }
}

void CTastoDestroTest::optionEntryFlipsAndReachesTheScreen()
{
    ScreenStandIn screen;
    QCOMPARE(screen.workspace().PrepareWorkspace(), 1);
    CTastoDestro window(screen);
    window.showMenu(menuFor(screen, PopupContext::SearchPage), QPoint(10, 10), QPoint());
    auto* list = window.findChild<QListWidget*>("1532");
    const int row = rowStartingWith(list, QStringLiteral("In the file"));
    const int andRow = rowStartingWith(list, QStringLiteral("AND"));
    QVERIFY(row >= 0 && andRow >= 0);
    QCOMPARE(list->item(row)->text().at(0), QChar(' '));
    QCOMPARE(list->item(andRow)->text().at(0), QChar('*'));

    clickRow(list, row);
    QCOMPARE(list->item(row)->text(), QStringLiteral("*In the file"));
    // AND keeps its star when another option is switched on.
    QCOMPARE(list->item(andRow)->text().at(0), QChar('*'));
    QVERIFY(screen.session().run().options().inTheFile != 0);
    QCOMPARE(screen.actions.size(), std::size_t{1});
    QCOMPARE(screen.actions[0].outcome.action, PopupAction::ScopeOption);
    QVERIFY(screen.actions[0].outcome.turnedOn);
    QCOMPARE(screen.actions[0].context, PopupContext::SearchPage);

    // The same entry clicked again turns the option back off.
    clickRow(list, row);
    QCOMPARE(list->item(row)->text(), QStringLiteral(" In the file"));
    QCOMPARE(screen.session().run().options().inTheFile, 0);
    QCOMPARE(screen.actions.size(), std::size_t{2});
    QVERIFY(!screen.actions[1].outcome.turnedOn);
}

void CTastoDestroTest::commandEntryReachesTheScreenWithItsAction()
{
    ScreenStandIn screen;
    QCOMPARE(screen.workspace().PrepareWorkspace(), 1);
    // The entry is recognised in the workspace's language.
    screen.workspace().SetLanguage(0);
    CTastoDestro window(screen);
    window.showMenu(menuFor(screen, PopupContext::ResultList, 0), QPoint(10, 10), QPoint());
    auto* list = window.findChild<QListWidget*>("1532");
    const int row = rowStartingWith(list, QStringLiteral("Cancella lista files"));
    QVERIFY(row >= 0);
    clickRow(list, row);
    QCOMPARE(screen.actions.size(), std::size_t{1});
    QCOMPARE(screen.actions[0].outcome.action, PopupAction::CleanFromList);
    QCOMPARE(screen.actions[0].context, PopupContext::ResultList);
    // A command shows '*' after its use.
    QCOMPARE(list->item(row)->text().at(0), QChar('*'));

    // An empty row asks nothing of the screen.
    clickRow(list, 29);
    QCOMPARE(screen.actions.size(), std::size_t{2});
    QCOMPARE(screen.actions[1].outcome.action, PopupAction::None);
    QVERIFY(!screen.actions[1].outcome.handled);
}

void CTastoDestroTest::placementFollowsTheContext()
{
    const QPoint click(300, 200);
    const QPoint page(40, 60);
    QCOMPARE(ui::PopupPosition(PopupContext::ResultList, click, page), QPoint(320, 220));
    QCOMPARE(ui::PopupPosition(PopupContext::UtilityPage, click, page), QPoint(350, 220));
    QCOMPARE(ui::PopupPosition(PopupContext::SearchPage, click, page), QPoint(330, 200));
    QCOMPARE(ui::PopupPosition(PopupContext::Preview, click, page), click);
    QCOMPARE(ui::PopupPosition(PopupContext::ImagePreview, click, page), click);
    QCOMPARE(ui::PopupPosition(PopupContext::SearchWords, click, page), QPoint(140, 60));

    const QRect screenArea(0, 0, 800, 600);
    QCOMPARE(ui::KeepOnScreen(QRect(100, 100, 200, 300), screenArea), QPoint(100, 100));
    QCOMPARE(ui::KeepOnScreen(QRect(700, 500, 200, 300), screenArea), QPoint(600, 300));
    QCOMPARE(ui::KeepOnScreen(QRect(-50, -20, 200, 300), screenArea), QPoint(0, 0));
    QCOMPARE(ui::KeepOnScreen(QRect(300, 300, 1000, 900), screenArea), QPoint(0, 0));
}

void CTastoDestroTest::windowIsPlacedAndKeptOnScreen()
{
    ScreenStandIn screen;
    QCOMPARE(screen.workspace().PrepareWorkspace(), 1);
    CTastoDestro window(screen);
    window.showMenu(menuFor(screen, PopupContext::ResultList), QPoint(100, 100), QPoint());
    QCOMPARE(window.pos(), QPoint(120, 120));
    QCOMPARE(window.width(), CTastoDestro::kDefaultWidth);

    window.showMenu(menuFor(screen, PopupContext::SearchWords), QPoint(500, 300), QPoint(30, 40));
    QCOMPARE(window.pos(), QPoint(130, 40));
    QCOMPARE(window.width(), CTastoDestro::kSearchWordsWidth);

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window.showMenu(menuFor(screen, PopupContext::Preview), area.bottomRight(), QPoint());
    QVERIFY(area.contains(window.frameGeometry()));
}

void CTastoDestroTest::programBoxIsFilledFromTheAssociations()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    CTastoDestro window(screen);
    window.showMenu(menuFor(screen, PopupContext::ResultList), QPoint(), QPoint());
    auto* box = window.findChild<QComboBox*>("1114");
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(0), QStringLiteral("7z"));
    QCOMPARE(box->itemText(2), QStringLiteral("xdg-open"));
    QCOMPARE(box->currentIndex(), 0);

    // Refilled each time the menu opens: a program registered meanwhile shows.
    const QString associations = QString::fromStdString(utilities::ProgramAssociationsPath(screen.workspace()));
    QVERIFY(vedra::uitest::writeAll(associations, vedra::uitest::readAll(associations) + record("Viewer=.md\r\n")));
    window.showMenu(menuFor(screen, PopupContext::Preview), QPoint(), QPoint());
    QCOMPARE(box->count(), 4);
    QCOMPARE(box->itemText(3), QStringLiteral("viewer"));
}

void CTastoDestroTest::runWithStartsTheChosenProgramOnTheSelectedRow()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    const QString root = QString::fromStdString(screen.folder());
    const QString recorder = writeRecorder(root + "/tools/reader");
    const QString document = root + "/docs/letter.md";
    QDir().mkpath(root + "/docs");
    QVERIFY(vedra::uitest::writeAll(document, "dear reader"));
    CTastoDestro window(screen);
    window.showMenu(menuFor(screen, PopupContext::ResultList), QPoint(), QPoint());
    const QString associations = QString::fromStdString(utilities::ProgramAssociationsPath(screen.workspace()));
    QVERIFY(vedra::uitest::writeAll(associations, vedra::uitest::readAll(associations) + record("reader=.md\r\n")));
    window.showMenu(menuFor(screen, PopupContext::ResultList), QPoint(), QPoint());

    search::ResultRow other;
    other.columns[0] = (root + "/docs/other.md").toStdString();
    search::ResultRow row;
    row.columns[0] = document.toStdString();
    screen.session().results().append(other);
    screen.session().results().append(row);
    screen.session().results().setSelected(1, true);

    auto* box = window.findChild<QComboBox*>("1114");
    box->setCurrentIndex(box->findText(QStringLiteral("reader")));
    QVERIFY(box->currentIndex() >= 0);
    QTest::mouseClick(window.findChild<QPushButton*>("1115"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    QCOMPARE(recordedArguments(recorder), (QStringList{recorder, document}));
}

void CTastoDestroTest::runWithTakesThePreviewSelectionWithoutARow()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    const QString root = QString::fromStdString(screen.folder());
    const QString recorder = writeRecorder(root + "/tools/reader");
    const QString document = root + "/picked.txt";
    QVERIFY(vedra::uitest::writeAll(document, "text"));
    CTastoDestro window(screen);
    const QString associations = QString::fromStdString(utilities::ProgramAssociationsPath(screen.workspace()));
    QVERIFY(vedra::uitest::writeAll(associations, record("reader=.txt\r\n")));
    window.showMenu(menuFor(screen, PopupContext::Preview), QPoint(), QPoint());
    screen.previewSelection = document.toStdString();

    QTest::mouseClick(window.findChild<QPushButton*>("1115"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    QCOMPARE(recordedArguments(recorder), (QStringList{recorder, document}));
}

void CTastoDestroTest::utilityPageBoxChoosesTheBrowser()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    CTastoDestro window(screen);
    window.showMenu(menuFor(screen, PopupContext::UtilityPage), QPoint(), QPoint());
    QCOMPARE(window.findChild<QLabel*>("title")->text(), QStringLiteral("UTILITY"));
    auto* box = window.findChild<QComboBox*>("1114");
    QVERIFY(box->isVisible());
    QVERIFY(!window.findChild<QPushButton*>("1115")->isVisible());
    const int firefox = box->findText(QStringLiteral("firefox"));
    QVERIFY(firefox >= 0);
    QVERIFY(utilities::FillBrowserList(screen.workspace()).selected != "firefox");

    box->setCurrentIndex(firefox);
    emit box->activated(firefox);
    QCOMPARE(utilities::FillBrowserList(screen.workspace()).selected, std::string("firefox"));

    // Outside the utility page the box only names a program.
    window.showMenu(menuFor(screen, PopupContext::ResultList), QPoint(), QPoint());
    emit box->activated(box->count() - 1);
    QCOMPARE(utilities::FillBrowserList(screen.workspace()).selected, std::string("firefox"));
}

void CTastoDestroTest::escapeClosesAndTellsTheOwner()
{
    ScreenStandIn screen;
    QCOMPARE(screen.workspace().PrepareWorkspace(), 1);
    CTastoDestro window(screen);
    QSignalSpy closed(&window, &CTastoDestro::closed);
    window.showMenu(menuFor(screen, PopupContext::SearchPage), QPoint(), QPoint());
    QVERIFY(window.isVisible());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(closed.count(), 1);
}

VEDRA_UI_TEST_MAIN(CTastoDestroTest)
#include "CTastoDestroTest.moc"
