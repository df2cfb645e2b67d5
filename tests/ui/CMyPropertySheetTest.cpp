// The property sheet with its real pages over a stand-in for the main window: its
// place beside the main window, closing that only hides, and the pages working on
// each other's search boxes.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"

#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using vedra::ui::CMyPropertySheet;
using vedra::uitest::ScreenStandIn;

namespace {

using vedra::uitest::control;

void pressEnter(QWidget* target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(target, &press);
}

} // namespace

class CMyPropertySheetTest : public QObject {
    Q_OBJECT

private slots:
    void sheetIsAToolWindowWithTwoPages();
    void showBesideKeepsAVisibleSheetInPlace();
    void closingOnlyHidesAfterStoringThePages();
    void eachPageSearchEmptiesTheOthersWords();
    void turningAwayFromTheSearchPageStoresIt();
    void retranslateReachesBothPages();
};

void CMyPropertySheetTest::sheetIsAToolWindowWithTwoPages()
{
    ScreenStandIn screen;
    QWidget mainWindow;
    CMyPropertySheet sheet(screen, &mainWindow);
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Vedra"));
    QCOMPARE(sheet.parentWidget(), &mainWindow);
    QCOMPARE(sheet.windowType(), Qt::Tool);
    QVERIFY(!sheet.isModal());
    QCOMPARE(sheet.palette().color(QPalette::Window), QColor(0, 64, 128));
    QCOMPARE(sheet.searchPage()->palette().color(QPalette::Window), QColor(0, 64, 128));

    QTabWidget* tabs = sheet.tabs();
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->widget(0), static_cast<QWidget*>(sheet.searchPage()));
    QCOMPARE(tabs->widget(1), static_cast<QWidget*>(sheet.notePage()));
    QVERIFY(sheet.findChild<QWidget*>(QStringLiteral("1800")) != nullptr);
    QVERIFY(sheet.findChild<QWidget*>(QStringLiteral("1475")) != nullptr);

    QPointer<QWidget> third = new QWidget;
    QCOMPARE(sheet.addPage(third, QStringLiteral("Archivi")), 2);
    QCOMPARE(tabs->tabText(2), QStringLiteral("Archivi"));
    QCOMPARE(third->window(), static_cast<QWidget*>(&sheet));
}

void CMyPropertySheetTest::showBesideKeepsAVisibleSheetInPlace()
{
    ScreenStandIn screen;
    QVERIFY(vedra::uitest::makeCatalogue(screen.directory.path(), "C_PROVA_1"));
    QCOMPARE(screen.workspace().PrepareWorkspace(), 1);
    QCOMPARE(screen.workspace().OpenCatalogueAtStart(), vedra::app::CatalogueState::ArchiveOpened);
    QWidget mainWindow;
    CMyPropertySheet sheet(screen, &mainWindow);

    const QRect mainFrame(100, 50, 900, 500);
    sheet.showBeside(mainFrame);
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.windowTitle(), QStringLiteral("C_PROVA_1"));
    const QRect placed = sheet.frameGeometry();
    QCOMPARE(placed.topLeft(), QPoint(100 + 900 - placed.width() - 5, 50 + 20));

    // Options pressed again, after the main window moved: the sheet stays put.
    sheet.setWindowTitle(QStringLiteral("unchanged"));
    sheet.showBeside(QRect(400, 300, 900, 500));
    QCOMPARE(sheet.frameGeometry().topLeft(), placed.topLeft());
    QCOMPARE(sheet.windowTitle(), QStringLiteral("unchanged"));

    sheet.hide();
    sheet.showBeside(QRect(400, 300, 900, 500));
    QCOMPARE(sheet.frameGeometry().topLeft(), QPoint(400 + 900 - sheet.frameGeometry().width() - 5, 320));
    QCOMPARE(sheet.windowTitle(), QStringLiteral("C_PROVA_1"));
}

void CMyPropertySheetTest::closingOnlyHidesAfterStoringThePages()
{
    ScreenStandIn screen;
    QWidget mainWindow;
    QPointer<CMyPropertySheet> sheet = new CMyPropertySheet(screen, &mainWindow);
    sheet->showBeside(QRect(0, 0, 900, 500));
    auto& options = screen.session().run().options();

    control<QLineEdit>(*sheet, "1772")->setText(QStringLiteral("77"));
    control<QLineEdit>(*sheet, "1054")->setText(QStringLiteral(".txt,.odt"));
    QVERIFY(sheet->close());
    QVERIFY(!sheet.isNull());
    QVERIFY(!sheet->isVisible());
    QCOMPARE(options.contiguityDistance(), 77);
    QCOMPARE(screen.session().run().fileFilter().patterns, (std::vector<std::string>{".txt", ".odt"}));

    sheet->showBeside(QRect(0, 0, 900, 500));
    control<QLineEdit>(*sheet, "1772")->setText(QStringLiteral("88"));
    QTest::keyClick(control<QCheckBox>(*sheet, "1839"), Qt::Key_Escape);
    QVERIFY(!sheet.isNull());
    QVERIFY(!sheet->isVisible());
    QCOMPARE(options.contiguityDistance(), 88);
}

void CMyPropertySheetTest::eachPageSearchEmptiesTheOthersWords()
{
    ScreenStandIn screen;
    QWidget mainWindow;
    CMyPropertySheet sheet(screen, &mainWindow);
    sheet.show();

    sheet.notePage()->setSearchText(QStringLiteral("appunti"));
    sheet.searchPage()->setWordsText(QStringLiteral("parole"));
    QTest::mouseClick(control<QPushButton>(sheet, "1009"), Qt::LeftButton);
    QVERIFY(sheet.notePage()->searchText().isEmpty());
    QCOMPARE(sheet.searchPage()->wordsText(), QStringLiteral("parole"));

    sheet.notePage()->setSearchText(QStringLiteral("appunti"));
    pressEnter(control<QLineEdit>(sheet, "1800"));
    QVERIFY(sheet.notePage()->searchText().isEmpty());

    sheet.notePage()->setSearchText(QStringLiteral("appunti"));
    QTest::mouseClick(control<QCheckBox>(sheet, "1839"), Qt::LeftButton);
    QVERIFY(sheet.notePage()->searchText().isEmpty());

    sheet.tabs()->setCurrentWidget(sheet.notePage());
    sheet.notePage()->setSearchText(QStringLiteral("appunti"));
    QTest::mouseClick(control<QPushButton>(sheet, "1499"), Qt::LeftButton);
    QVERIFY(sheet.searchPage()->wordsText().isEmpty());
    QCOMPARE(sheet.notePage()->searchText(), QStringLiteral("appunti"));
}

void CMyPropertySheetTest::turningAwayFromTheSearchPageStoresIt()
{
    ScreenStandIn screen;
    QWidget mainWindow;
    CMyPropertySheet sheet(screen, &mainWindow);
    sheet.show();
    sheet.searchPage()->setWordsText(QStringLiteral("dante"));
    pressEnter(control<QLineEdit>(sheet, "1800"));
    QVERIFY(sheet.searchPage()->enterGuardSet());

    control<QLineEdit>(sheet, "1772")->setText(QStringLiteral("45"));
    sheet.tabs()->setCurrentWidget(sheet.notePage());
    QCOMPARE(screen.session().run().options().contiguityDistance(), 45);
    QVERIFY(!sheet.searchPage()->enterGuardSet());

    pressEnter(control<QLineEdit>(sheet, "1800"));
    sheet.tabs()->setCurrentWidget(sheet.searchPage());
    // Activation closes the pop-up window.
    QCOMPARE(screen.popupCloses, 2);
    QVERIFY(!sheet.searchPage()->enterGuardSet());
}

void CMyPropertySheetTest::retranslateReachesBothPages()
{
    ScreenStandIn screen;
    QWidget mainWindow;
    CMyPropertySheet sheet(screen, &mainWindow);
    screen.workspace().LanguageIndex = 0;
    sheet.retranslate();
    QCOMPARE(control<QCheckBox>(sheet, "1839")->text(), QStringLiteral("Nelle note"));
    QCOMPARE(control<QLabel>(sheet, "1837")->text(), QStringLiteral("Cerca nelle note"));
    screen.workspace().LanguageIndex = 2;
    sheet.retranslate();
    QCOMPARE(control<QCheckBox>(sheet, "1839")->text(), QStringLiteral("En las notas"));
    QCOMPARE(control<QLabel>(sheet, "1838")->text(), QStringLiteral("Archivos el el disco"));
}

VEDRA_UI_TEST_MAIN(CMyPropertySheetTest)
#include "CMyPropertySheetTest.moc"
