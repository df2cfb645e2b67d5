// The utility page on its own, over a stand-in for the main window with a real
// archive folder: notes saved and found, the memorandum, the archives on disk, the
// browser list and a web search started in a recording program, never a browser.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"

#include "core/app/MessageTable.h"
#include "core/archive/ArchiveEntry.h"
#include "core/archive/ArchiveStore.h"
#include "core/search/SearchOptions.h"
#include "core/utilities/UtilityPage.h"
#include "ui/CNote.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace app = vedra::app;
using vedra::app::MessageAnswer;
using vedra::app::MessageKey;
using vedra::app::MessageTable;
using vedra::app::SearchTarget;
using vedra::ui::CNote;
using vedra::uitest::ScreenStandIn;
using vedra::utilities::PopupContext;

namespace {

using vedra::uitest::control;

// A stand-in whose workspace has the archives `names` in its catalogue, the
// first one current.
class ArchiveScreen : public ScreenStandIn {
public:
    explicit ArchiveScreen(std::initializer_list<const char*> names = {"C_NOTE_1"})
    {
        QByteArray catalogue(100 * (static_cast<int>(names.size()) + 1), '\0');
        int number = 1;
        for (const char* name : names) {
            vedra::archive::ArchiveEntry entry;
            entry.identification = name;
            entry.encode(reinterpret_cast<std::uint8_t*>(catalogue.data()) + 100 * number++);
            QDir(directory.path()).mkpath(QString::fromLatin1(name));
        }
        catalogue[92] = 1;
        vedra::uitest::writeAll(path(QStringLiteral("IND_ARC.PRI")), catalogue);
        ready = workspace().PrepareWorkspace() == 1 &&
                workspace().OpenCatalogueAtStart() == vedra::app::CatalogueState::ArchiveOpened;
    }

    QString path(const QString& name) const { return directory.filePath(name); }
    static QString path(const std::string& fullPath) { return QString::fromStdString(fullPath); }

    bool ready = false;
};

} // namespace

class CNoteTest : public QObject {
    Q_OBJECT

private slots:
    void textsFollowTheLanguage_data();
    void textsFollowTheLanguage();
    void aSavedNoteIsFoundAgain();
    void theScopeBoxesShareTheSearchTarget();
    void archivesOnDiskAreListedAndOpened();
    void nothingActsWhileLongWorkRuns_data();
    void nothingActsWhileLongWorkRuns();
    void browserChosenAndWebSearchStarted();
    void rightClickAsksForTheUtilityPopup();
};

void CNoteTest::textsFollowTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("notesTitle");
    QTest::addColumn<QString>("archivesCaption");
    QTest::addColumn<QString>("notesTipStart");
    QTest::newRow("italian") << 0 << QStringLiteral("Cerca nelle note") << QStringLiteral("Archivi sul disco")
                             << QStringLiteral("Digitare le informazioni da ricordare <Memorandum>");
    QTest::newRow("english") << 1 << QStringLiteral("Search in the notes") << QStringLiteral("Archives on disk")
                             << QStringLiteral("Select <Memorandum> to remember  or <Notes> to search\n");
    QTest::newRow("spanish") << 2 << QStringLiteral("Buscar en las notas") << QStringLiteral("Archivos el el disco")
                             << QStringLiteral("Escriba la información o tratar de recordar");
}

void CNoteTest::textsFollowTheLanguage()
{
    QFETCH(int, language);
    QFETCH(QString, notesTitle);
    QFETCH(QString, archivesCaption);
    QFETCH(QString, notesTipStart);
    ScreenStandIn screen;
    CNote page(screen);
    for (const char* id : {"1475", "1678", "1499", "1837", "1835", "1838", "1794", "1775", "1776", "1796", "1790"})
        QVERIFY2(page.findChild<QWidget*>(QString::fromLatin1(id)) != nullptr, id);
    QCOMPARE(control<QGroupBox>(page, "1794")->title(), QStringLiteral("Ventiquor"));
    QCOMPARE(control<QLineEdit>(page, "1775")->maxLength(), 250);

    screen.workspace().LanguageIndex = language;
    page.retranslate();
    QCOMPARE(control<QLabel>(page, "1837")->text(), notesTitle);
    QCOMPARE(control<QLabel>(page, "1838")->text(), archivesCaption);
    QVERIFY(control<QPlainTextEdit>(page, "1475")->toolTip().startsWith(notesTipStart));
}

void CNoteTest::aSavedNoteIsFoundAgain()
{
    ArchiveScreen screen;
    QVERIFY(screen.ready);
    CNote page(screen);
    page.show();
    QSignalSpy wordsCleared(&page, &CNote::searchWordsCleared);
    const QString notesFile = screen.path(screen.workspace().notesPath);

    QTest::mouseClick(control<QCheckBox>(page, "notesScope"), Qt::LeftButton);
    page.setSearchText(QString::fromUtf8("la città di Dite"));
    QTest::mouseClick(control<QPushButton>(page, "saveNote"), Qt::LeftButton);
    QCOMPARE(vedra::uitest::readAll(notesFile), QByteArray("la citt\xe0 di Dite\r\n\r\n"));
    QCOMPARE(screen.previewRefreshes, 1);

    // The same note again: asked first, and Cancel leaves the file alone.
    screen.host.queueAnswer(MessageAnswer::Cancel);
    QTest::mouseClick(control<QPushButton>(page, "saveNote"), Qt::LeftButton);
    QCOMPARE(screen.host.messages().back().text, std::string(MessageTable(1).text(MessageKey::MsgLemmaExists)));
    QCOMPARE(vedra::uitest::readAll(notesFile), QByteArray("la citt\xe0 di Dite\r\n\r\n"));

    vedra::uitest::writeAll(notesFile, QByteArray("la citt\xe0 di Dite\r\n\r\nun altro appunto\r\n\r\n"));
    screen.session().preview().document().clear();
    page.setSearchText(QStringLiteral("dite"));
    QTest::mouseClick(control<QPushButton>(page, "1499"), Qt::LeftButton);
    QCOMPARE(wordsCleared.count(), 1);
    const std::string& found = screen.session().preview().document().text();
    QVERIFY2(found.find("Dite") != std::string::npos, found.c_str());
    QVERIFY2(found.find("altro") == std::string::npos, found.c_str());
    QCOMPARE(screen.previewRefreshes, 2);

    QTest::mouseClick(control<QPushButton>(page, "1678"), Qt::LeftButton);
    QVERIFY(page.searchText().isEmpty());
}

void CNoteTest::theScopeBoxesShareTheSearchTarget()
{
    ArchiveScreen screen;
    QVERIFY(screen.ready);
    CNote page(screen);
    screen.workspace().SearchTarget = SearchTarget::Notes;
    page.show();
    auto* memorandum = control<QCheckBox>(page, "memorandumScope");
    auto* notes = control<QCheckBox>(page, "notesScope");
    QVERIFY(notes->isChecked() && !memorandum->isChecked());

    QTest::mouseClick(memorandum, Qt::LeftButton);
    QVERIFY(!notes->isChecked());
    QCOMPARE(screen.workspace().SearchTarget, SearchTarget::Memorandum);
    page.setSearchText(QStringLiteral("05/08/2030 rinnovare la tessera"));
    QTest::mouseClick(control<QPushButton>(page, "saveNote"), Qt::LeftButton);
    const QByteArray agenda = vedra::uitest::readAll(screen.path(screen.workspace().agendaPath));
    QVERIFY2(agenda.endsWith(": memorandum=5/8/2030 rinnovare la tessera\r\n\r\n"), agenda.constData());
    QVERIFY(!QFile::exists(screen.path(screen.workspace().notesPath)) ||
            vedra::uitest::readAll(screen.path(screen.workspace().notesPath)).isEmpty());

    // With Memorandum checked the search button searches the agenda.
    screen.session().preview().document().clear();
    page.setSearchText(QStringLiteral("tessera"));
    QTest::mouseClick(control<QPushButton>(page, "1499"), Qt::LeftButton);
    const std::string& found = screen.session().preview().document().text();
    QVERIFY2(found.find("rinnovare la tessera") != std::string::npos, found.c_str());

    // No box: nothing is written, the user is asked to choose.
    QTest::mouseClick(memorandum, Qt::LeftButton);
    QCOMPARE(screen.workspace().SearchTarget, SearchTarget::Archive);
    QTest::mouseClick(control<QPushButton>(page, "saveNote"), Qt::LeftButton);
    QCOMPARE(screen.host.messages().back().text,
             std::string(MessageTable(1).text(MessageKey::MsgChooseMemoOrNotes)));
    QCOMPARE(vedra::uitest::readAll(screen.path(screen.workspace().agendaPath)), agenda);
}

void CNoteTest::archivesOnDiskAreListedAndOpened()
{
    ArchiveScreen screen({"C_NOTE_1", "C_ALTRO_2"});
    QVERIFY(screen.ready);
    QDir(screen.directory.path()).mkpath(QStringLiteral(".C_HIDDEN_3"));
    QDir(screen.directory.path()).mkpath(QStringLiteral("plain"));
    QVERIFY(vedra::uitest::writeAll(screen.path(QStringLiteral("C_ALTRO_2/Introduzione.rtf")), "{\\rtf1 hello}"));
    CNote page(screen);
    QSignalSpy opened(&page, &CNote::archiveOpened);
    page.show();

    auto* archives = control<QComboBox>(page, "1835");
    QCOMPARE(archives->count(), 2);
    QCOMPARE(archives->itemText(0), QStringLiteral("C_ALTRO_2"));
    QCOMPARE(archives->itemText(1), QStringLiteral("C_NOTE_1"));
    QCOMPARE(archives->currentIndex(), 1);
    QCOMPARE(opened.count(), 0);

    archives->setCurrentIndex(0);
    emit archives->activated(0);
    QCOMPARE(screen.workspace().currentArchiveName(), std::string("C_ALTRO_2"));
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened[0][0].toString(), QStringLiteral("C_ALTRO_2"));
    QCOMPARE(opened[0][1].toString(), screen.path(QStringLiteral("C_ALTRO_2/Introduzione.rtf")));

    emit archives->activated(1);
    QCOMPARE(screen.workspace().currentArchiveName(), std::string("C_NOTE_1"));
    QCOMPARE(opened.count(), 2);
    QVERIFY(opened[1][1].toString().isEmpty());
}

void CNoteTest::nothingActsWhileLongWorkRuns_data()
{
    QTest::addColumn<bool>("windowWork");
    // The window's own long work (a search, a preview) or the engine's busy flag (an
    // indexing run, a fetch).
    QTest::newRow("search running") << true;
    QTest::newRow("busy flag") << false;
}

void CNoteTest::nothingActsWhileLongWorkRuns()
{
    QFETCH(bool, windowWork);
    ArchiveScreen screen({"C_NOTE_1", "C_ALTRO_2"});
    QVERIFY(screen.ready);
    CNote page(screen);
    QSignalSpy opened(&page, &CNote::archiveOpened);
    QSignalSpy wordsCleared(&page, &CNote::searchWordsCleared);
    page.show();
    auto* archives = control<QComboBox>(page, "1835");
    QCOMPARE(archives->itemText(archives->currentIndex()), QStringLiteral("C_NOTE_1"));
    QCOMPARE(screen.workspace().store().createArchiveFiles(), 1);
    QVERIFY(screen.workspace().store().open());
    QTest::mouseClick(control<QCheckBox>(page, "notesScope"), Qt::LeftButton);
    const QString notesFile = screen.path(screen.workspace().notesPath);
    const QByteArray notesBefore = vedra::uitest::readAll(notesFile);
    screen.session().preview().document().appendText("the running search's text");

    if (windowWork)
        screen.workRunning = true;
    else
        screen.workspace().busy = true;
    archives->setCurrentIndex(0);
    emit archives->activated(0);
    page.setSearchText(QStringLiteral("appunto di prova"));
    QTest::mouseClick(control<QPushButton>(page, "saveNote"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(page, "1499"), Qt::LeftButton);

    QCOMPARE(screen.workspace().currentArchiveName(), std::string("C_NOTE_1"));
    QVERIFY(screen.workspace().store().isOpen());
    QCOMPARE(opened.count(), 0);
    // The list shows the archive that is still the current one.
    QCOMPARE(archives->itemText(archives->currentIndex()), QStringLiteral("C_NOTE_1"));
    QCOMPARE(vedra::uitest::readAll(notesFile), notesBefore);
    QCOMPARE(wordsCleared.count(), 0);
    QCOMPARE(screen.session().preview().document().text(), std::string("the running search's text"));
    QCOMPARE(screen.previewRefreshes, 0);
    QVERIFY(screen.host.messages().empty());

    // Once the work has ended the same clicks act.
    screen.workRunning = false;
    screen.workspace().busy = false;
    QTest::mouseClick(control<QPushButton>(page, "saveNote"), Qt::LeftButton);
    QCOMPARE(vedra::uitest::readAll(notesFile), notesBefore + "appunto di prova\r\n\r\n");
    emit archives->activated(0);
    QCOMPARE(screen.workspace().currentArchiveName(), std::string("C_ALTRO_2"));
    QCOMPARE(opened.count(), 1);
}

void CNoteTest::browserChosenAndWebSearchStarted()
{
    ArchiveScreen screen;
    QVERIFY(screen.ready);
    // In the working folder, where the program search looks first; it only writes
    // down its arguments.
    const QString recorder = screen.path(QStringLiteral("testbrowser"));
    QVERIFY(vedra::uitest::writeAll(
        recorder, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.argv\"\n"));
    QVERIFY(QFile::setPermissions(recorder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    CNote page(screen);
    page.show();
    // No search page configured: the button says so and starts nothing.
    control<QLineEdit>(page, "1775")->setText(QStringLiteral("dante"));
    QTest::mouseClick(control<QPushButton>(page, "1776"), Qt::LeftButton);
    QVERIFY(screen.host.messages().back().text.find("VEDRA_WEB_SEARCH_PAGE") != std::string::npos);
    control<QLineEdit>(page, "1775")->clear();
    page.setWebSearchPage("https://search.example/");
    auto* browsers = control<QComboBox>(page, "1796");
    QCOMPARE(browsers->count(), 4);
    QCOMPARE(browsers->currentText(), QStringLiteral("xdg-open"));

    emit browsers->activated(browsers->findText(QStringLiteral("firefox")));
    QVERIFY(vedra::uitest::readAll(screen.path(screen.workspace().browserListPath)).startsWith("firefox\r\n"));
    page.hide();
    page.show();
    QCOMPARE(browsers->currentText(), QStringLiteral("firefox"));

    QVERIFY(vedra::utilities::AddToBrowserList(screen.workspace(), recorder.toStdString()));
    page.refresh();
    emit browsers->activated(browsers->findText(QStringLiteral("testbrowser")));
    QTest::keyClicks(control<QLineEdit>(page, "1775"), QStringLiteral("divina commedia"));
    QTest::mouseClick(control<QPushButton>(page, "1776"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    const QByteArray expected = recorder.toUtf8() +
                                "\nhttps://search.example/ventiquor.asp?keyw=divina "
                                "commedia&cat=Religioni&pag=1&lang=EN_\n";
    QCOMPARE(vedra::uitest::readAll(recorder + ".argv"), expected);
}

void CNoteTest::rightClickAsksForTheUtilityPopup()
{
    ScreenStandIn screen;
    CNote page(screen);
    page.move(30, 30);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto* title = control<QLabel>(page, "1837");
    QTest::mousePress(title, Qt::RightButton, Qt::NoModifier, QPoint(2, 3));
    QCOMPARE(screen.popups.size(), std::size_t{1});
    QCOMPARE(screen.popups[0].context, PopupContext::UtilityPage);
    QCOMPARE(screen.popups[0].position, title->mapToGlobal(QPoint(2, 3)));
    QCOMPARE(screen.popups[0].requester, static_cast<QWidget*>(&page));
}

VEDRA_UI_TEST_MAIN(CNoteTest)
#include "CNoteTest.moc"
