// The archive page over a stand-in screen: the archive dialog in its two modes,
// indexing runs over real folder trees made here, found afterwards by the search,
// stopped by Break with the page still usable, and the archive's lists edited
// and saved from the page and taken up by the next run.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"

#include "core/app/MessageTable.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/search/QueryWords.h"
#include "ui/ArchivePage.h"
#include "ui/CNomeArchivio.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <utime.h>

using vedra::ui::ArchivePage;
using vedra::ui::CNomeArchivio;
using vedra::uitest::ScreenStandIn;
using namespace vedra;

namespace {

bool withArchive(ScreenStandIn& screen)
{
    if (screen.workspace().PrepareWorkspace() != 1)
        return false;
    indexing::NewArchive request;
    request.name = "docs";
    return indexing::CreateArchive(screen.workspace(), request).number == 1;
}

QString makeTree(const ScreenStandIn& screen)
{
    const QString root = QString::fromStdString(screen.folder()) + "/docs";
    QDir().mkpath(root + "/sub");
    uitest::writeAll(root + "/a.txt", "house garden");
    uitest::writeAll(root + "/sub/b.txt", "window library");
    return root;
}

QPushButton* button(ArchivePage& page, const char* name)
{
    auto* found = page.findChild<QPushButton*>(QString::fromLatin1(name));
    if (found == nullptr)
        qFatal("no button %s", name);
    return found;
}

// A message text in English, the stand-in's language.
std::string label(const ScreenStandIn&, app::MessageKey key)
{
    return std::string(app::MessageTable(1).text(key));
}

bool shown(const ScreenStandIn& screen, const std::string& text)
{
    for (const auto& message : screen.host.messages())
        if (message.text.find(text) != std::string::npos)
            return true;
    return false;
}

bool listed(ScreenStandIn& screen, const QString& path)
{
    return screen.session().results().containsLabel(path.toStdString());
}

// Picks the list of `slot` in the page's list chooser, as a user would.
void chooseList(ArchivePage& page, int slot)
{
    auto* choice = page.findChild<QComboBox*>(QStringLiteral("listChoice"));
    QVERIFY(choice != nullptr);
    const int index = choice->findData(slot);
    QVERIFY(index >= 0);
    choice->setCurrentIndex(index);
}

QPlainTextEdit* listText(ArchivePage& page)
{
    auto* text = page.findChild<QPlainTextEdit*>(QStringLiteral("listText"));
    if (text == nullptr)
        qFatal("no list editor");
    return text;
}

std::string listFile(ScreenStandIn& screen, int slot)
{
    return uitest::readAll(QString::fromStdString(screen.workspace().store().slotPath(slot))).toStdString();
}

} // namespace

class ArchivePageTest : public QObject {
    Q_OBJECT

private slots:
    void tabTitleAndButtonsFollowTheLanguage();
    void archiveButtonsOpenTheDialogInTheirModes();
    void indexFolderIndexesTheTreeAndTheSearchFindsItsWords();
    void oneFolderAndUpdateRunTheirCommands();
    void noArchiveOrNoFolderRunsNothing();
    void breakDuringTheRunStopsItAndThePageStaysUsable();
    void removingDebugFromTheExcludedFoldersLetsTheNextRunWalkIt();
    void aListThatCannotBeWrittenSaysSoAndKeepsTheText();
    void noListIsSavedDuringLongWorkOrIntoAnotherArchive();
    void theWordWatchListsTheFilesReadWithTheSearchedWords();
};

void ArchivePageTest::tabTitleAndButtonsFollowTheLanguage()
{
    QCOMPARE(ArchivePage::tabTitle(0), QStringLiteral("Archivio"));
    QCOMPARE(ArchivePage::tabTitle(1), QStringLiteral("Archive"));
    QCOMPARE(ArchivePage::tabTitle(2), QStringLiteral("Archivo"));
    ScreenStandIn screen;
    QVERIFY(screen.workspace().PrepareWorkspace() == 1);
    screen.workspace().SetLanguage(0);
    ArchivePage page(screen);
    QCOMPARE(button(page, "newArchive")->text(), QStringLiteral("Nuovo archivio"));
    page.setLanguage(1);
    QCOMPARE(button(page, "newArchive")->text(), QStringLiteral("New archive"));
    QCOMPARE(button(page, "indexFolder")->text(), QStringLiteral("Index a folder…"));
    QVERIFY(!button(page, "break")->isEnabled());
    auto* choice = page.findChild<QComboBox*>(QStringLiteral("listChoice"));
    QCOMPARE(choice->count(), 6);
    QCOMPARE(button(page, "saveList")->text(), QStringLiteral("Save the list"));
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("listsTitle"))->text(), QStringLiteral("Filters"));
    QCOMPARE(choice->itemText(choice->findData(archive::SlotExcludedFolders)),
             QStringLiteral("Excluded folders (DIR.)"));
    page.setLanguage(0);
    QCOMPARE(button(page, "saveList")->text(), QStringLiteral("Salva la lista"));
    QCOMPARE(choice->itemText(choice->findData(archive::SlotStopWords)), QStringLiteral("Parole escluse (NIN.)"));
    page.setLanguage(2);
    QCOMPARE(button(page, "saveList")->text(), QStringLiteral("Guardar la lista"));
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("listsTitle"))->text(), QStringLiteral("Filtros"));
}

void ArchivePageTest::archiveButtonsOpenTheDialogInTheirModes()
{
    ScreenStandIn screen;
    QVERIFY(screen.workspace().PrepareWorkspace() == 1);
    ArchivePage page(screen);
    page.show();
    // Describing needs an archive.
    QTest::mouseClick(button(page, "describeArchive"), Qt::LeftButton);
    QVERIFY(page.archiveDialog() == nullptr);
    QVERIFY(shown(screen, label(screen, app::MessageKey::MsgNeedArchive)));

    QTest::mouseClick(button(page, "newArchive"), Qt::LeftButton);
    QVERIFY(page.archiveDialog() != nullptr);
    QCOMPARE(page.archiveDialog()->mode(), CNomeArchivio::Mode::NewArchive);
    QVERIFY(page.archiveDialog()->isVisible());
    QVERIFY(!page.archiveDialog()->isModal());

    indexing::NewArchive request;
    request.name = "docs";
    QCOMPARE(indexing::CreateArchive(screen.workspace(), request).number, 1);
    QTest::mouseClick(button(page, "describeArchive"), Qt::LeftButton);
    QCOMPARE(page.archiveDialog()->mode(), CNomeArchivio::Mode::CurrentArchive);
    QCOMPARE(page.archiveDialog()->archiveNumber(), 1);
}

void ArchivePageTest::indexFolderIndexesTheTreeAndTheSearchFindsItsWords()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    const QString root = makeTree(screen);
    ArchivePage page(screen);
    QStringList captions;
    page.setFolderChooser([&](const QString& caption) {
        captions << caption;
        return root;
    });
    QSignalSpy finished(&page, &ArchivePage::runFinished);
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);

    QCOMPARE(captions, QStringList{QStringLiteral("Index a folder…")});
    QCOMPARE(finished.count(), 1);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Done);
    QCOMPARE(page.lastResult().counters.filesWithText, std::uint64_t{2});
    QCOMPARE(page.lastResult().totalDocuments, std::uint32_t{2});
    // Progress went through the host, the summary to a message.
    QVERIFY(screen.host.progressHigh() > 0);
    QVERIFY(screen.host.status().starts_with(label(screen, app::MessageKey::MsgFilePathsIndexed)));
    QVERIFY(shown(screen, label(screen, app::MessageKey::MsgFilesWithText) + "2\n"));
    QVERIFY(shown(screen, label(screen, app::MessageKey::MsgTotalFiles) + "2\n"));
    QVERIFY(!page.isRunning());

    QVERIFY(screen.session().StartSearch("library") > 0);
    QVERIFY(listed(screen, root + "/sub/b.txt"));
    QVERIFY(!listed(screen, root + "/a.txt"));
    screen.session().results().clear();
    QVERIFY(screen.session().StartSearch("garden") > 0);
    QVERIFY(listed(screen, root + "/a.txt"));
}

void ArchivePageTest::oneFolderAndUpdateRunTheirCommands()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    const QString root = makeTree(screen);
    ArchivePage page(screen);
    page.setFolderChooser([&](const QString&) { return root; });

    QTest::mouseClick(button(page, "indexOneFolder"), Qt::LeftButton);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Done);
    QCOMPARE(page.lastResult().counters.filesWithText, std::uint64_t{1});
    QCOMPARE(page.lastResult().totalDocuments, std::uint32_t{1});

    // a.txt changed since: the update reads it again and adds the sub-folder's file.
    uitest::writeAll(root + "/a.txt", "house garden lantern");
    struct utimbuf later {2'000'000'000, 2'000'000'000};
    QCOMPARE(::utime((root + "/a.txt").toLocal8Bit().constData(), &later), 0);
    QTest::mouseClick(button(page, "updateFolder"), Qt::LeftButton);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Done);
    QCOMPARE(page.lastResult().counters.filesUpdated, std::uint64_t{1});
    QCOMPARE(page.lastResult().counters.newDocuments, std::uint64_t{1});
    QCOMPARE(page.lastResult().totalDocuments, std::uint32_t{2});
    QVERIFY(screen.session().StartSearch("lantern") > 0);
    QVERIFY(listed(screen, root + "/a.txt"));
}

void ArchivePageTest::noArchiveOrNoFolderRunsNothing()
{
    ScreenStandIn screen;
    QVERIFY(screen.workspace().PrepareWorkspace() == 1);
    ArchivePage page(screen);
    int asked = 0;
    page.setFolderChooser([&](const QString&) {
        ++asked;
        return QString();
    });
    QSignalSpy finished(&page, &ArchivePage::runFinished);
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    QCOMPARE(asked, 0);
    QVERIFY(shown(screen, label(screen, app::MessageKey::MsgNeedArchive)));

    indexing::NewArchive request;
    request.name = "docs";
    QCOMPARE(indexing::CreateArchive(screen.workspace(), request).number, 1);
    const std::size_t messages = screen.host.messages().size();
    QTest::mouseClick(button(page, "updateFolder"), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(screen.host.messages().size(), messages);

    // While the window's own long work runs (a search), no run starts.
    screen.workRunning = true;
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    QTest::mouseClick(button(page, "newArchive"), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY(page.archiveDialog() == nullptr || !page.archiveDialog()->isVisible());
}

void ArchivePageTest::breakDuringTheRunStopsItAndThePageStaysUsable()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    const QString root = makeTree(screen);
    for (int i = 0; i < 6; ++i) {
        QDir().mkpath(root + QString("/d%1").arg(i));
        uitest::writeAll(root + QString("/d%1/f.txt").arg(i), "house garden window");
    }
    ArchivePage page(screen);
    int asked = 0;
    page.setFolderChooser([&](const QString&) {
        ++asked;
        return root;
    });
    QPushButton* breakButton = button(page, "break");
    bool breakWasEnabled = false;
    bool indexWasEnabled = true;
    screen.host.setOnDrain([&](int count) {
        if (count != 3)
            return;
        breakWasEnabled = breakButton->isEnabled();
        indexWasEnabled = button(page, "indexFolder")->isEnabled();
        // A second command during the run is refused, not started inside it.
        page.indexFolder();
        page.updateFolder();
        QTest::mouseClick(breakButton, Qt::LeftButton);
    });
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    screen.host.setOnDrain(nullptr);

    QVERIFY(breakWasEnabled);
    QVERIFY(!indexWasEnabled);
    QCOMPARE(asked, 1);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Stopped);
    QVERIFY(page.lastResult().totalDocuments < 8);
    QVERIFY(shown(screen, "The indexing of the disk is not completed."));
    QVERIFY(!page.isRunning());
    QVERIFY(!breakButton->isEnabled());
    QVERIFY(button(page, "indexFolder")->isEnabled());

    // The page goes on: the next run resumes and finishes the tree.
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Done);
    QCOMPARE(page.lastResult().totalDocuments, std::uint32_t{8});
    QVERIFY(shown(screen, "Completion of indexing interrupted."));
    QVERIFY(screen.session().StartSearch("window") > 0);
    QVERIFY(listed(screen, root + "/d5/f.txt"));
}

void ArchivePageTest::removingDebugFromTheExcludedFoldersLetsTheNextRunWalkIt()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    const QString root = makeTree(screen);
    QDir().mkpath(root + "/debug");
    uitest::writeAll(root + "/debug/trace.txt", "lantern");
    ArchivePage page(screen);
    page.setFolderChooser([&](const QString&) { return root; });

    // With the list as created, the run leaves the folder out.
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Done);
    QCOMPARE(page.lastResult().totalDocuments, std::uint32_t{2});
    QCOMPARE(screen.session().StartSearch("lantern"), 0);

    chooseList(page, archive::SlotExcludedFolders);
    QPlainTextEdit* editor = listText(page);
    QVERIFY(editor->isEnabled());
    QStringList lines = editor->toPlainText().split(u'\n');
    QVERIFY(lines.contains(QStringLiteral("debug")));
    QVERIFY(lines.contains(QStringLiteral("/temp")));
    lines.removeAll(QStringLiteral("debug"));
    editor->setPlainText(lines.join(u'\n'));
    QTest::mouseClick(button(page, "saveList"), Qt::LeftButton);

    const std::string saved = listFile(screen, archive::SlotExcludedFolders);
    QVERIFY(saved.find("debug") == std::string::npos);
    QVERIFY(saved.find("\r\nrecycled\r\n/temp\r\nrelease\r\n") != std::string::npos);
    QVERIFY(saved.ends_with("/system/\r\n"));
    // The editor shows the file as it now is.
    QVERIFY(!listText(page)->toPlainText().split(u'\n').contains(QStringLiteral("debug")));

    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Done);
    QCOMPARE(page.lastResult().totalDocuments, std::uint32_t{3});
    screen.session().results().clear();
    QVERIFY(screen.session().StartSearch("lantern") > 0);
    QVERIFY(listed(screen, root + "/debug/trace.txt"));
}

void ArchivePageTest::aListThatCannotBeWrittenSaysSoAndKeepsTheText()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    ArchivePage page(screen);
    chooseList(page, archive::SlotTextExtensions);
    QVERIFY(listText(page)->toPlainText().startsWith(QStringLiteral(".doc\n.pub\n")));
    // A folder in the list file's place: no write can replace it, even as root.
    const QString path = QString::fromStdString(screen.workspace().store().slotPath(archive::SlotTextExtensions));
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkpath(path));
    listText(page)->setPlainText(QStringLiteral(".città\n.txt"));
    QTest::mouseClick(button(page, "saveList"), Qt::LeftButton);
    QVERIFY(shown(screen, label(screen, app::MessageKey::MsgWriteError)));
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(listText(page)->toPlainText(), QStringLiteral(".città\n.txt"));

    // Once the file can be written, the same text is saved as the program's text.
    QVERIFY(QDir(path).removeRecursively());
    QTest::mouseClick(button(page, "saveList"), Qt::LeftButton);
    QCOMPARE(listFile(screen, archive::SlotTextExtensions), std::string(".citt\xE0\r\n.txt\r\n"));
    QCOMPARE(listText(page)->toPlainText(), QStringLiteral(".città\n.txt"));
}

void ArchivePageTest::noListIsSavedDuringLongWorkOrIntoAnotherArchive()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    ArchivePage page(screen);
    chooseList(page, archive::SlotStopWords);
    const std::string before = listFile(screen, archive::SlotStopWords);
    listText(page)->setPlainText(QStringLiteral("garden"));

    screen.workRunning = true;
    QTest::mouseClick(button(page, "saveList"), Qt::LeftButton);
    screen.workRunning = false;
    screen.workspace().busy = true;
    QTest::mouseClick(button(page, "saveList"), Qt::LeftButton);
    screen.workspace().busy = false;
    QCOMPARE(listFile(screen, archive::SlotStopWords), before);

    // Another archive became current while the text was shown: it is not written
    // there; the page shows that archive's own list instead.
    indexing::NewArchive request;
    request.name = "other";
    QCOMPARE(indexing::CreateArchive(screen.workspace(), request).number, 2);
    const std::string second = listFile(screen, archive::SlotStopWords);
    QTest::mouseClick(button(page, "saveList"), Qt::LeftButton);
    QCOMPARE(listFile(screen, archive::SlotStopWords), second);
    QVERIFY(listText(page)->toPlainText().startsWith(QStringLiteral("uno\n")));
    QTest::mouseClick(button(page, "saveList"), Qt::LeftButton);
    QCOMPARE(listFile(screen, archive::SlotStopWords), second);
}

void ArchivePageTest::theWordWatchListsTheFilesReadWithTheSearchedWords()
{
    ScreenStandIn screen;
    QVERIFY(withArchive(screen));
    const QString root = makeTree(screen);
    uitest::writeAll(root + "/sub/c.txt", "a garden of words");
    ArchivePage page(screen);
    page.setFolderChooser([&](const QString&) { return root; });
    auto* watch = page.findChild<QCheckBox*>(QStringLiteral("wordWatch"));
    QVERIFY(watch != nullptr);
    QCOMPARE(watch->text(), QStringLiteral("List the files with the searched words"));
    QVERIFY(!watch->isChecked());
    // The words of the current query, as the last search parsed them.
    search::ParseQueryWords("Garden", false, 0, {}, nullptr, screen.session().run().words());

    watch->setChecked(true);
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    QCOMPARE(page.lastResult().status, indexing::IndexStatus::Done);
    search::ResultList& results = screen.session().results();
    QCOMPARE(results.size(), std::size_t{2});
    QVERIFY(listed(screen, root + "/a.txt"));
    QVERIFY(listed(screen, root + "/sub/c.txt"));
    QVERIFY(!listed(screen, root + "/sub/b.txt"));
    QCOMPARE(results.row(0)[search::ResultColumn::Words], std::string("garden "));
    QVERIFY(screen.resultRefreshes > 0);

    // Unticked, a run that reads a new file with the word lists nothing.
    watch->setChecked(false);
    results.clear();
    uitest::writeAll(root + "/d.txt", "garden again");
    QTest::mouseClick(button(page, "indexFolder"), Qt::LeftButton);
    QCOMPARE(page.lastResult().counters.newDocuments, std::uint64_t{1});
    QVERIFY(results.empty());
}

VEDRA_UI_TEST_MAIN(ArchivePageTest)
#include "ArchivePageTest.moc"
