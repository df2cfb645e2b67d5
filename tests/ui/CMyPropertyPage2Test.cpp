// The search page on its own, over a stand-in for the main window: what each control
// hands to the engine, the Enter guard, validation, texts by language, right clicks.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"

#include "core/search/SearchOptions.h"
#include "ui/CMyPropertyPage2.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace app = vedra::app;
using vedra::app::SearchTarget;
using vedra::ui::CMyPropertyPage2;
using vedra::uitest::ScreenStandIn;
using vedra::utilities::PopupContext;

namespace {

using vedra::uitest::control;

// Typing as a keyboard does, accented letters included (QTest::keyClicks takes
// ASCII only).
void type(QWidget* target, const QString& text)
{
    for (QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(target, &press);
    }
}

void pressEnter(QWidget* target, bool autoRepeat)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), autoRepeat);
    QApplication::sendEvent(target, &press);
}

void releaseEnter(QWidget* target, bool autoRepeat)
{
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), autoRepeat);
    QApplication::sendEvent(target, &release);
}

vedra::search::ResultRow row(const char* label)
{
    vedra::search::ResultRow result;
    result.columns[0] = label;
    return result;
}

} // namespace

class CMyPropertyPage2Test : public QObject {
    Q_OBJECT

private slots:
    void everyControlOfTheTemplateExists();
    void cercaHandsTheTypedWordsOnceAsCp1252();
    void enterSearchesOnceUntilTheGuardIsCleared();
    void enterKeepsTheResultsInTheFile();
    void contiguityBoxSetsTheOption();
    void distanceOutOfRangeIsRefused_data();
    void distanceOutOfRangeIsRefused();
    void notesBoxFlipsTheSearchTarget();
    void filtersReachTheRunAsCp1252();
    void driveBoxFollowsDirectOnDisk();
    void textsFollowTheLanguage_data();
    void textsFollowTheLanguage();
    void firstItalianSearchTipNamesEscape();
    void rightClicksAskForTheirPopups();
    void clipboardPastesIntoTheWords();
};

void CMyPropertyPage2Test::everyControlOfTheTemplateExists()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    for (const char* id : {"1800", "1601", "1009", "1771", "1772", "1839", "1787", "1054", "1055", "1534", "1684",
                           "1407"})
        QVERIFY2(page.findChild<QWidget*>(QString::fromLatin1(id)) != nullptr, id);
    // The stand-in's workspace starts in English.
    QCOMPARE(control<QPushButton>(page, "1009")->text(), QStringLiteral("SEARCH"));
    QCOMPARE(control<QLineEdit>(page, "1772")->text(), QStringLiteral("20"));
    QVERIFY(control<QCheckBox>(page, "1839")->isChecked());
    QCOMPARE(screen.workspace().SearchTarget, SearchTarget::Notes);
    QVERIFY(control<QComboBox>(page, "1684")->isHidden());
    QVERIFY(!control<QComboBox>(page, "1684")->isEnabled());
}

void CMyPropertyPage2Test::cercaHandsTheTypedWordsOnceAsCp1252()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    page.show();
    QSignalSpy notesCleared(&page, &CMyPropertyPage2::notesSearchTextCleared);
    screen.session().preview().document().appendText("old preview");
    QGuiApplication::clipboard()->setText(QStringLiteral("elsewhere"));

    auto* words = control<QLineEdit>(page, "1800");
    type(words, QString::fromUtf8("città casa"));
    QTest::mouseClick(control<QPushButton>(page, "1009"), Qt::LeftButton);

    QCOMPARE(screen.searches, std::vector<std::string>{"citt\xe0 casa"});
    QCOMPARE(notesCleared.count(), 1);
    QVERIFY(screen.session().preview().document().empty());
    QCOMPARE(screen.previewRefreshes, 1);
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    QCOMPARE(page.wordsText(), QString::fromUtf8("città casa"));
}

void CMyPropertyPage2Test::enterSearchesOnceUntilTheGuardIsCleared()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    page.show();
    screen.session().results().append(row("/old/result.txt"));
    auto* words = control<QLineEdit>(page, "1800");
    page.setWordsText(QStringLiteral("dante"));

    pressEnter(words, false);
    QCOMPARE(screen.searches, std::vector<std::string>{"dante"});
    QVERIFY(screen.session().results().empty());
    QCOMPARE(screen.resultRefreshes, 1);
    QVERIFY(page.enterGuardSet());

    // Holding Enter down: the repeats, wherever the focus is, start nothing.
    for (int i = 0; i < 5; ++i) {
        releaseEnter(words, true);
        pressEnter(words, true);
    }
    pressEnter(control<QPushButton>(page, "1009"), true);
    pressEnter(control<QLineEdit>(page, "1054"), true);
    QCOMPARE(screen.searches.size(), std::size_t{1});

    page.clearEnterGuard();
    page.setWordsText(QStringLiteral("beatrice"));
    pressEnter(control<QCheckBox>(page, "1771"), false);
    QCOMPARE(screen.searches, (std::vector<std::string>{"dante", "beatrice"}));

    // Activation clears the guard too.
    page.hide();
    page.show();
    pressEnter(words, false);
    QCOMPARE(screen.searches.size(), std::size_t{3});

    // Letting the key go ends the hold: the next press searches again.
    releaseEnter(words, false);
    pressEnter(words, false);
    QCOMPARE(screen.searches.size(), std::size_t{4});
}

void CMyPropertyPage2Test::enterKeepsTheResultsInTheFile()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    screen.session().run().options().inTheFile = 1;
    screen.session().results().append(row("/shown/document.txt"));
    page.setWordsText(QStringLiteral("dante"));
    pressEnter(control<QLineEdit>(page, "1800"), false);
    QCOMPARE(screen.searches.size(), std::size_t{1});
    QCOMPARE(screen.session().results().size(), std::size_t{1});
    QCOMPARE(screen.resultRefreshes, 0);
}

void CMyPropertyPage2Test::contiguityBoxSetsTheOption()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    page.show();
    auto& options = screen.session().run().options();
    auto* box = control<QCheckBox>(page, "1771");
    QVERIFY(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(options.contiguity, 0);
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(options.contiguity, static_cast<int>('*'));

    page.setContiguityChecked(false);
    QVERIFY(!box->isChecked());
    QCOMPARE(options.contiguity, 0);
}

void CMyPropertyPage2Test::distanceOutOfRangeIsRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("below") << QStringLiteral("4");
    QTest::newRow("above") << QStringLiteral("501");
    QTest::newRow("empty") << QString();
}

void CMyPropertyPage2Test::distanceOutOfRangeIsRefused()
{
    QFETCH(QString, typed);
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    page.show();
    auto* distance = control<QLineEdit>(page, "1772");
    auto* search = control<QPushButton>(page, "1009");
    auto& options = screen.session().run().options();

    distance->setText(QStringLiteral("37"));
    QTest::mouseClick(search, Qt::LeftButton);
    QCOMPARE(options.contiguityDistance(), 37);
    QCOMPARE(screen.searches.size(), std::size_t{1});
    QVERIFY(screen.host.messages().empty());

    distance->setText(typed);
    QTest::mouseClick(search, Qt::LeftButton);
    QCOMPARE(screen.host.messages().size(), std::size_t{1});
    QCOMPARE(screen.host.messages()[0].text, std::string("Enter a whole number between 5 and 500."));
    QCOMPARE(options.contiguityDistance(), 37);
    QCOMPARE(distance->text(), QStringLiteral("37"));
    QCOMPARE(screen.searches.size(), std::size_t{1});

    // The edges are taken.
    for (int edge : {5, 500}) {
        distance->setText(QString::number(edge));
        QVERIFY(page.readControls());
        QCOMPARE(options.contiguityDistance(), edge);
    }
}

void CMyPropertyPage2Test::notesBoxFlipsTheSearchTarget()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    page.show();
    QSignalSpy notesCleared(&page, &CMyPropertyPage2::notesSearchTextCleared);
    auto* box = control<QCheckBox>(page, "1839");

    page.setWordsText(QStringLiteral("kept"));
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(screen.workspace().SearchTarget, SearchTarget::Archive);
    QCOMPARE(notesCleared.count(), 1);
    QCOMPARE(page.wordsText(), QStringLiteral("kept"));

    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(screen.workspace().SearchTarget, SearchTarget::Notes);
    QCOMPARE(notesCleared.count(), 1);
    QVERIFY(page.wordsText().isEmpty());
}

void CMyPropertyPage2Test::filtersReachTheRunAsCp1252()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    auto* files = control<QLineEdit>(page, "1054");
    auto* directories = control<QLineEdit>(page, "1055");
    type(files, QString::fromUtf8(".pdf , città"));
    directories->setText(QStringLiteral("lettere,/home/archivio"));
    QVERIFY(page.readControls());
    auto& run = screen.session().run();
    QCOMPARE(run.fileFilter().patterns, (std::vector<std::string>{".pdf", "citt\xe0"}));
    QCOMPARE(run.folderFilter().patterns, (std::vector<std::string>{"lettere", "/home/archivio"}));

    files->setText(QString(300, QLatin1Char('x')));
    QCOMPARE(files->text().size(), 256);
    QCOMPARE(directories->maxLength(), 256);
}

void CMyPropertyPage2Test::driveBoxFollowsDirectOnDisk()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    page.show();
    auto* drives = control<QComboBox>(page, "1684");
    auto* label = control<QLabel>(page, "1534");

    screen.session().run().options().directOnDisk = 1;
    page.refreshDiskControls();
    QVERIFY(drives->isVisible() && drives->isEnabled());
    QVERIFY(label->isVisible());
    QCOMPARE(drives->count(), 1);
    QCOMPARE(drives->itemText(0), QString::fromStdString(screen.folder()));
    // Taking the focus lists the roots again without doubling them.
    QFocusEvent focusIn(QEvent::FocusIn);
    QCoreApplication::sendEvent(drives, &focusIn);
    QCOMPARE(drives->count(), 1);

    screen.session().run().options().directOnDisk = 0;
    page.refreshDiskControls();
    QVERIFY(drives->isHidden());
    QVERIFY(!drives->isEnabled());
}

void CMyPropertyPage2Test::textsFollowTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("wordsTip");
    QTest::addColumn<QString>("filesTipStart");
    QTest::addColumn<QString>("directoriesTipStart");
    QTest::addColumn<QString>("searchTipStart");
    QTest::addColumn<QString>("notesCaption");
    QTest::addColumn<QStringList>("captions");  // 1601, 1009, 1771, 1787, placeholders of 1054 and 1055, 1534
    QTest::newRow("italian") << 0 << QStringLiteral("Digitare le parole interspaziate.")
                             << QStringLiteral("Questo campo ha due funzioni:\n -Cercare files;")
                             << QStringLiteral("Questo campo ha due funzioni:\n -Cercare le directory;")
                             << QStringLiteral("Attiva la ricerca nell'archivio.\n<break> per interrompere.")
                             << QStringLiteral("Nelle note")
                             << QStringList{"Parole (max 10)", "CERCA", "Contigue AND - car.:", "Includi solo", "File",
                                            "Cartelle", QString::fromUtf8("Unità")};
    QTest::newRow("english") << 1 << QStringLiteral("Type the words with a space.")
                             << QStringLiteral("This area has two functions:\n -It seeks files;")
                             << QStringLiteral("This area has two functions:\n -It seeks the folders;")
                             << QStringLiteral("Serch\n<break> to break.") << QStringLiteral("In the notes")
                             << QStringList{"Words (max 10)", "SEARCH", "Contig And - Char:", "Include only", "Files",
                                            "Directories", "Drive"};
    QTest::newRow("spanish") << 2 << QStringLiteral("Escriba las palabras separadas por un espacio.")
                             << QStringLiteral("Este campo tiene dos funciones:")
                             << QStringLiteral("Este campo tiene dos funciones:\n -Buscar las carpetas;")
                             << QStringLiteral("Activa la búsqueda") << QStringLiteral("En las notas")
                             << QStringList{QString::fromUtf8("Palabras (máx. 10)"), "BUSCAR", "Contiguas AND - car.:",
                                            "Incluir solo", "Ficheros", "Carpetas", "Unidad"};
    QTest::newRow("out of range is spanish") << 7 << QStringLiteral("Escriba las palabras separadas por un espacio.")
                                             << QStringLiteral("Este campo") << QStringLiteral("Este campo")
                                             << QStringLiteral("Activa") << QStringLiteral("En las notas")
                                             << QStringList{QString::fromUtf8("Palabras (máx. 10)"), "BUSCAR",
                                                            "Contiguas AND - car.:", "Incluir solo", "Ficheros",
                                                            "Carpetas", "Unidad"};
}

void CMyPropertyPage2Test::textsFollowTheLanguage()
{
    QFETCH(int, language);
    QFETCH(QString, wordsTip);
    QFETCH(QString, filesTipStart);
    QFETCH(QString, directoriesTipStart);
    QFETCH(QString, searchTipStart);
    QFETCH(QString, notesCaption);
    QFETCH(QStringList, captions);
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    screen.workspace().LanguageIndex = language;
    page.retranslate();
    QCOMPARE(control<QLineEdit>(page, "1800")->toolTip(), wordsTip);
    QVERIFY2(control<QLineEdit>(page, "1054")->toolTip().startsWith(filesTipStart), qPrintable(filesTipStart));
    QVERIFY(control<QLineEdit>(page, "1055")->toolTip().startsWith(directoriesTipStart));
    QVERIFY(control<QPushButton>(page, "1009")->toolTip().startsWith(searchTipStart));
    QCOMPARE(control<QCheckBox>(page, "1839")->text(), notesCaption);
    const QStringList shown{control<QLabel>(page, "1601")->text(), control<QPushButton>(page, "1009")->text(),
                            control<QCheckBox>(page, "1771")->text(), control<QGroupBox>(page, "1787")->title(),
                            control<QLineEdit>(page, "1054")->placeholderText(),
                            control<QLineEdit>(page, "1055")->placeholderText(), control<QLabel>(page, "1534")->text()};
    QCOMPARE(shown, captions);
}

void CMyPropertyPage2Test::firstItalianSearchTipNamesEscape()
{
    ScreenStandIn screen;
    screen.workspace().LanguageIndex = 0;
    CMyPropertyPage2 page(screen);
    auto* search = control<QPushButton>(page, "1009");
    QVERIFY(search->toolTip().startsWith(QStringLiteral("Attiva la ricerca nell'archivio.\n<ESC> per interrompere.")));
    page.retranslate();
    QVERIFY(search->toolTip().contains(QStringLiteral("<break> per interrompere.")));
    QVERIFY(!search->toolTip().contains(QStringLiteral("<ESC>")));
    QVERIFY(search->toolTip().endsWith(QStringLiteral("-oppure digitare 2 volte il tasto <Ctrl>.)\n")));
}

void CMyPropertyPage2Test::rightClicksAskForTheirPopups()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    page.move(40, 60);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    // A static passes the click on to the page.
    auto* label = control<QLabel>(page, "1601");
    QTest::mousePress(label, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
    QCOMPARE(screen.popups.size(), std::size_t{1});
    QCOMPARE(screen.popups[0].context, PopupContext::SearchPage);
    QCOMPARE(screen.popups[0].position, label->mapToGlobal(QPoint(3, 4)));
    QCOMPARE(screen.popups[0].requester, static_cast<QWidget*>(&page));

    auto* words = control<QLineEdit>(page, "1800");
    QTest::mousePress(words, Qt::RightButton, Qt::NoModifier, QPoint(20, 5));
    QCOMPARE(screen.popups.size(), std::size_t{2});
    QCOMPARE(screen.popups[1].context, PopupContext::SearchWords);
    QCOMPARE(screen.popups[1].position, page.mapToGlobal(QPoint(0, 0)));
    QCOMPARE(screen.popups[1].requester, static_cast<QWidget*>(words));

    // The left button opens nothing.
    QTest::mousePress(label, Qt::LeftButton, Qt::NoModifier, QPoint(3, 4));
    QCOMPARE(screen.popups.size(), std::size_t{2});
}

void CMyPropertyPage2Test::clipboardPastesIntoTheWords()
{
    ScreenStandIn screen;
    CMyPropertyPage2 page(screen);
    QGuiApplication::clipboard()->setText(QString::fromUtf8("perché no"));
    page.pasteWords();
    QCOMPARE(page.wordsText(), QString::fromUtf8("perché no"));
}

VEDRA_UI_TEST_MAIN(CMyPropertyPage2Test)
#include "CMyPropertyPage2Test.moc"
