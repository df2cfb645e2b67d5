// The main window driven as a person would: words typed and CERCA pressed, rows
// clicked, Continue, the language switched, Break in a long search, the clipboard
// search on restore, Maximise, a folder row opened, the introduction page.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/app/MessageFormat.h"
#include "core/indexing/ArchiveRoots.h"
#include "core/search/SearchSession.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/ArchivePage.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"
#include "ui/CScelta.h"
#include "ui/CTastoDestro.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

namespace app = vedra::app;
using vedra::app::MessageAnswer;
using vedra::uitest::Session;
using vedra::uitest::formatOf;

namespace {

using vedra::uitest::searchFor;

// The documents live in a folder of their own. (A path holding "windows" is left
// out by indexing, so the test's name must not hold it.)
QTemporaryDir& corpusFolder()
{
    static QTemporaryDir folder;
    return folder;
}

QString corpusPath(const Session& session)
{
    return corpusFolder().filePath(QStringLiteral("corpus-") + QFileInfo(QString::fromStdString(session.folder())).fileName().right(6));
}

// A session whose workspace has an archive holding `files` (name -> text).
bool indexCorpus(Session& session, const std::map<QString, QByteArray>& files)
{
    const QString folder = QString::fromStdString(session.folder());
    if (!session.prepareWithArchive("alpha bravo casa mare common filler sole luna vento"))
        return false;
    const QString corpus = corpusPath(session);
    QDir().mkpath(corpus);
    for (const auto& [name, text] : files) {
        if (!vedra::uitest::writeAll(corpus + "/" + name, text))
            return false;
    }
    vedra::indexing::IndexFolderResult result = vedra::indexing::IndexFolder(
        session.workspace, corpus.toStdString(), vedra::indexing::IndexCommand::Normal, {});
    return result.status == vedra::indexing::IndexStatus::Done && result.totalDocuments == files.size();
}

std::map<QString, QByteArray> numberedCorpus(int count)
{
    std::map<QString, QByteArray> files;
    for (int i = 0; i < count; ++i) {
        QByteArray text = "common filler text " + QByteArray::number(i) + "\n";
        if (i % 2 == 0)
            text += QByteArray(300, 'x') + "\nla casa al mare e il sole\n";
        files[QStringLiteral("doc%1.txt").arg(i, 3, 10, QChar(u'0'))] = text;
    }
    return files;
}

QString cell(QTableView* view, int row, int column)
{
    return view->model()->index(row, column).data().toString();
}


} // namespace

class SearchScreenTest : public QObject {
    Q_OBJECT

private slots:
    void searchFillsTheListAndAClickShowsTheWordsBoldBlue();
    void continuePagesToTheNextRows();
    void italianRetitlesTheColumnsAndKeepsTheRows();
    void breakDuringALongSearchKeepsTheRowsFound();
    void closingSavesTheLanguageAndTheCatalogue();
    void closingDuringASearchOnlyRequestsABreak();
    void restoringWithTextOnTheClipboardSearchesIt();
    void cleanFromListThroughThePopupWindow();
    void closingDuringAnIndexingRunOnlyRequestsABreak();
    void pasteModeSearchesTheClipboardWithoutAsking();
    void popupEntriesActOnTheListAndThePreview();
    void aboutBoxAndArchivePageAreReachable();
    void doubleClickOnAWordInThePreviewSearchesTheNotes();
    void maximiseKeepsTheStartSize();
    void doubleClickOnAFolderRowListsIt();
    void introductionHidesTheListUntilOptions();
    void extractFilesShowsOneMessageForOneExport();
    void wordStatisticsLeaveTheWindowTitleAlone();
    void aWordOfLettersAndDigitsIsFoundAndTheStatusSaysWhatWasSearched();
    void aWordWithoutARootIsOfferedItsRoot();
    void searchArchiveForSearchesTheArchiveEvenFromTheNotes();
};

// `vedrareader --search`: the words reach the archive, not the notes the window
// starts on, and stand in the words box as if typed.
void SearchScreenTest::searchArchiveForSearchesTheArchiveEvenFromTheNotes()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(6)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* notes = dialog.searchPage()->findChild<QCheckBox*>(QStringLiteral("1839"));
    QVERIFY(notes->isChecked());
    dialog.SearchArchiveFor(QStringLiteral("casa mare"));
    QCOMPARE(list->model()->rowCount(), 3);
    QVERIFY(!notes->isChecked());
    QCOMPARE(dialog.searchPage()->wordsText(), QStringLiteral("casa mare"));
    QVERIFY(cell(list, 0, 0).startsWith(corpusPath(session) + "/doc"));
    dialog.SearchArchiveFor(QStringLiteral("filler"));
    QCOMPARE(list->model()->rowCount(), 6);
}

void SearchScreenTest::searchFillsTheListAndAClickShowsTheWordsBoldBlue()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(6)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");

    searchFor(dialog, QStringLiteral("casa mare"));
    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Files/Dir"));
    QCOMPARE(list->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Words"));
    for (int row = 0; row < 3; ++row) {
        QVERIFY(cell(list, row, 0).startsWith(corpusPath(session) + "/doc"));
        QVERIFY2(cell(list, row, 3).contains(QStringLiteral("casa")), qPrintable(cell(list, row, 3)));
        QCOMPARE(cell(list, row, 4), QStringLiteral("C_DEMO_1"));
        QVERIFY(cell(list, row, 2).toInt() > 300);
        QVERIFY(!cell(list, row, 1).isEmpty());
    }

    QRect second = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY(preview->toPlainText().contains(cell(list, 1, 0)));
    QVERIFY(preview->toPlainText().contains(QStringLiteral("la casa al mare")));
    QTextCharFormat hit = formatOf(preview, QStringLiteral("casa"));
    QCOMPARE(hit.fontWeight(), int(QFont::Bold));
    QCOMPARE(hit.foreground().color(), QColor(0, 0, 200));
    QTextCharFormat plain = formatOf(preview, QStringLiteral(" al "));
    QVERIFY(plain.fontWeight() != int(QFont::Bold));
    // The extract file's headers: the file line red, the hit line green.
    QCOMPARE(formatOf(preview, QStringLiteral("File:")).foreground().color(), QColor(200, 0, 0));
    QCOMPARE(formatOf(preview, QStringLiteral("N.file:")).foreground().color(), QColor(0, 170, 0));
}

void SearchScreenTest::continuePagesToTheNextRows()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(30)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    auto* next = session.control<QPushButton>("1008");

    searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 15);
    // The search shows the first ten rows' extracts at once.
    QVERIFY(preview->toPlainText().contains(cell(list, 9, 0)));
    QVERIFY(!preview->toPlainText().contains(cell(list, 10, 0)));
    QVERIFY(next->isEnabled());
    next->click();
    QVERIFY(preview->toPlainText().contains(cell(list, 10, 0)));
    QVERIFY(preview->toPlainText().contains(cell(list, 14, 0)));
    QVERIFY(!preview->toPlainText().contains(cell(list, 9, 0) + "\n"));
    QCOMPARE(formatOf(preview, QStringLiteral("casa")).foreground().color(), QColor(0, 0, 200));
    QVERIFY(session.control<QLabel>("1475")->text().endsWith(QStringLiteral(": 11 - 15")));
}

void SearchScreenTest::italianRetitlesTheColumnsAndKeepsTheRows()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(4)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 2);
    const QString firstRow = cell(list, 0, 0);

    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Ultima modifica"));
    QCOMPARE(list->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Parole"));
    QCOMPARE(list->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Archivio"));
    QVERIFY(list->horizontalHeader()->sectionSize(1) >= 90);
    QCOMPARE(list->horizontalHeader()->sectionSize(3), 100);
    // Nothing of a date, nor of the size column's title, is cut off.
    const QHeaderView* header = list->horizontalHeader();
    QVERIFY(list->fontMetrics().horizontalAdvance(cell(list, 0, 1)) < header->sectionSize(1));
    QVERIFY(header->fontMetrics().horizontalAdvance(list->model()->headerData(2, Qt::Horizontal).toString()) <
            header->sectionSize(2));
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(cell(list, 0, 0), firstRow);
    QCOMPARE(list->toolTip(), QStringLiteral(" Oggetti trovati.\n Un solo click per una preview.\n Doppio click per eseguire"));

    QTest::mouseClick(session.control<QRadioButton>("1774"), Qt::LeftButton);
    QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Ultima modificacion"));
    QCOMPARE(session.control<QTextEdit>("1002")->toolTip(), QStringLiteral("Vista previa del texto"));
}

void SearchScreenTest::breakDuringALongSearchKeepsTheRowsFound()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(120)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    dialog.session().run().options().andWords = 0;
    session.workspace.setPumpInterval(std::chrono::milliseconds(0));
    // Break is pressed from inside the search's own event draining, after the
    // first rows have come in.
    int drains = 0;
    bool pressed = false;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!pressed && dialog.session().results().size() >= 5 && ++drains > 0) {
            pressed = true;
            session.control<QPushButton>("1704")->click();
        }
    });
    watcher.start();
    searchFor(dialog, QStringLiteral("common casa"));
    watcher.stop();
    QVERIFY(pressed);
    const int rows = list->model()->rowCount();
    QVERIFY2(rows >= 5 && rows < 120, qPrintable(QString::number(rows)));
    QCOMPARE(static_cast<std::size_t>(rows), dialog.session().results().size());
    QVERIFY(dialog.isVisible());
    QVERIFY(session.control<QPushButton>("1008")->isEnabled());
}

void SearchScreenTest::closingSavesTheLanguageAndTheCatalogue()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(2)));
    auto& dialog = session.open();
    QVERIFY(QFile::remove(session.file(QStringLiteral("LinguaVedra.vedra"))));
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    // The current archive's record is written back at offset 100 on closing.
    QByteArray catalogue = vedra::uitest::readAll(session.file(QStringLiteral("IND_ARC.PRI")));
    catalogue.replace(100, 8, QByteArray(8, '\0'));
    QVERIFY(vedra::uitest::writeAll(session.file(QStringLiteral("IND_ARC.PRI")), catalogue));
    QVERIFY(dialog.close());
    QCOMPARE(session.languageFile(), QByteArray("italianoinglese "));
    QByteArray saved = vedra::uitest::readAll(session.file(QStringLiteral("IND_ARC.PRI")));
    QCOMPARE(saved.mid(100, 8), QByteArray("C_DEMO_1"));
}

void SearchScreenTest::closingDuringASearchOnlyRequestsABreak()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(60)));
    auto& dialog = session.open();
    dialog.session().run().options().andWords = 0;
    bool closedDuringSearch = false;
    bool closeRefused = false;
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!closedDuringSearch && dialog.longWorkRunning()) {
            closedDuringSearch = true;
            closeRefused = !dialog.close();
            // Nor does a right click open the pop-up window over the running search.
            emit session.control<QTableView>("1001")->customContextMenuRequested(QPoint(5, 5));
        }
    });
    closer.start();
    searchFor(dialog, QStringLiteral("common"));
    closer.stop();
    QVERIFY(closedDuringSearch);
    QVERIFY(closeRefused);
    QVERIFY(dialog.popupWindow() == nullptr);
    QVERIFY(dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Break);
    // Once the search has stopped, closing works.
    QVERIFY(dialog.close());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Closing);
}

void SearchScreenTest::restoringWithTextOnTheClipboardSearchesIt()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(4)));
    auto& dialog = session.open();
    session.workspace.SetLanguage(0);
    // The archive is the target, as after unchecking "Nelle note".
    session.workspace.SearchTarget = app::SearchTarget::Archive;
    dialog.showMinimized();
    QApplication::processEvents();
    QApplication::clipboard()->setText(QStringLiteral("mare"));
    session.answers.push_back(MessageAnswer::Yes);
    dialog.showNormal();
    QTRY_COMPARE(dialog.session().results().size(), std::size_t{2});
    QCOMPARE(dialog.searchPage()->wordsText(), QStringLiteral("mare"));
    QCOMPARE(session.countAsked("Vuoi cercare ?:\n\nmare"), 1);
    const std::size_t askedAfterFirst = session.asked.size();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Cerca.."));
    QVERIFY(QApplication::clipboard()->text().isEmpty());

    // The question comes once per run.
    dialog.showMinimized();
    QApplication::processEvents();
    QApplication::clipboard()->setText(QStringLiteral("casa"));
    dialog.showNormal();
    QTRY_COMPARE(dialog.searchPage()->wordsText(), QStringLiteral("casa"));
    QTRY_VERIFY(QApplication::clipboard()->text().isEmpty());
    // Only the search's own question (keep the previous rows?) was asked this time.
    QCOMPARE(session.asked.size(), askedAfterFirst + 1);
    QCOMPARE(session.countAsked("Vuoi cercare ?:\n\nmare"), 1);
}

void SearchScreenTest::cleanFromListThroughThePopupWindow()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(8)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 4);
    const QString kept = cell(list, 2, 0);

    // A right click on the second row selects it and opens the pop-up window there.
    QRect second = list->visualRect(list->model()->index(1, 0));
    emit list->customContextMenuRequested(second.center());
    auto* popup = dialog.findChild<vedra::ui::CTastoDestro*>();
    QVERIFY(popup != nullptr && popup->isVisible());
    QCOMPARE(popup->findChild<QLabel*>(QStringLiteral("title"))->text(), QStringLiteral("FILES FOUND"));
    auto* entries = popup->findChild<QListWidget*>(QStringLiteral("1532"));
    QCOMPARE(entries->count(), 30);
    QList<QListWidgetItem*> clean = entries->findItems(QStringLiteral("Clean from list"), Qt::MatchContains);
    QCOMPARE(clean.size(), 1);
    entries->setCurrentItem(clean.front());
    emit entries->itemClicked(clean.front());

    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(cell(list, 1, 0), kept);
    // A left click on the window, or on any of its controls, closes the pop-up.
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!popup->isVisible());
    emit list->customContextMenuRequested(second.center());
    QVERIFY(popup->isVisible());
    QTest::mouseClick(session.control<QWidget>("1831")->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")),
                      Qt::LeftButton);
    QVERIFY(!popup->isVisible());
}

void SearchScreenTest::closingDuringAnIndexingRunOnlyRequestsABreak()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(1)));
    const QString tree = corpusPath(session) + "-big";
    for (int i = 0; i < 400; ++i) {
        QDir().mkpath(tree + QStringLiteral("/f%1").arg(i));
        QVERIFY(vedra::uitest::writeAll(tree + QStringLiteral("/f%1/t.txt").arg(i), "casa mare sole luna"));
    }
    auto& dialog = session.open();
    auto* page = dialog.findChild<vedra::ui::ArchivePage*>();
    QVERIFY(page != nullptr);
    page->setFolderChooser([&](const QString&) { return tree; });
    bool triedToClose = false;
    bool closeRefused = false;
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!triedToClose && session.workspace.busy) {
            triedToClose = true;
            closeRefused = !dialog.close();
        }
    });
    closer.start();
    page->indexFolder();
    closer.stop();
    QVERIFY(triedToClose);
    QVERIFY(closeRefused);
    QVERIFY(dialog.isVisible());
    QVERIFY(page->lastResult().status == vedra::indexing::IndexStatus::Stopped);
    QVERIFY(page->lastResult().counters.filesSeen < 400);
    QVERIFY(!session.workspace.busy);
    QVERIFY(dialog.close());
}

void SearchScreenTest::pasteModeSearchesTheClipboardWithoutAsking()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(4)));
    auto& dialog = session.open();
    session.workspace.SearchTarget = app::SearchTarget::Archive;
    dialog.searchPage()->setWordsText(QStringLiteral("vento"));

    // Nothing on the clipboard: the words box gets its text back, no search runs.
    QApplication::clipboard()->clear();
    dialog.ClipboardSearch(vedra::ui::CScovaroDlg::ClipboardMode::Paste);
    QCOMPARE(dialog.searchPage()->wordsText(), QStringLiteral("vento"));
    QVERIFY(dialog.session().results().empty());

    const std::size_t asked = session.asked.size();
    QApplication::clipboard()->setText(QStringLiteral("sole"));
    dialog.ClipboardSearch(vedra::ui::CScovaroDlg::ClipboardMode::Paste);
    QCOMPARE(dialog.searchPage()->wordsText(), QStringLiteral("sole"));
    QCOMPARE(dialog.session().results().size(), std::size_t{2});
    QCOMPARE(session.asked.size(), asked);
    QVERIFY(QApplication::clipboard()->text().isEmpty());
}

void SearchScreenTest::popupEntriesActOnTheListAndThePreview()
{
    using vedra::utilities::PopupAction;
    using vedra::utilities::PopupContext;
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(4)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 2);
    list->selectRow(1);
    auto act = [&](PopupAction action, PopupContext context = PopupContext::Preview) {
        vedra::utilities::PopupOutcome outcome;
        outcome.action = action;
        outcome.handled = true;
        outcome.turnedOn = true;
        dialog.performPopupAction(outcome, context);
    };

    act(PopupAction::Origin, PopupContext::ResultList);
    QVERIFY(preview->toPlainText().startsWith(QStringLiteral("common filler text")));
    QCOMPARE(session.control<QLabel>("1007")->text().toInt(), int(QFileInfo(cell(list, 1, 0)).size()));

    act(PopupAction::WordsInFile, PopupContext::ResultList);
    QVERIFY2(preview->toPlainText().contains(QStringLiteral("casa")), qPrintable(preview->toPlainText()));
    QCOMPARE(formatOf(preview, QStringLiteral("casa")).foreground().color(), QColor(0, 0, 200));

    const int before = dialog.previewPointSize();
    dialog.popupFlags().previewSizeStep = 100;
    act(PopupAction::Enlarge);
    QVERIFY(dialog.previewPointSize() > before);

    // The selected preview text becomes the words of a new search.
    act(PopupAction::Origin, PopupContext::ResultList);
    QTextCursor cursor = preview->document()->find(QStringLiteral("mare"));
    QVERIFY(!cursor.isNull());
    preview->setTextCursor(cursor);
    session.answers.push_back(MessageAnswer::No);  // do not keep the previous rows
    act(PopupAction::SearchInArchive);
    QCOMPARE(dialog.searchPage()->wordsText(), QStringLiteral("mare"));
    QCOMPARE(list->model()->rowCount(), 2);

    // After "New" and then a document shown again, "Save" is about that document:
    // it asks before overwriting it (answered No here), no file name is asked.
    act(PopupAction::NewText);
    list->selectRow(1);
    act(PopupAction::Origin, PopupContext::ResultList);
    QVERIFY(!dialog.session().preview().currentPath().empty());
    const QByteArray document = vedra::uitest::readAll(cell(list, 1, 0));
    session.answers.push_back(MessageAnswer::No);
    act(PopupAction::Save);
    QVERIFY(session.asked.back().text.find("already exists") != std::string::npos);
    QCOMPARE(vedra::uitest::readAll(cell(list, 1, 0)), document);

    act(PopupAction::CleanPreview);
    QVERIFY(preview->toPlainText().isEmpty());
    QVERIFY(session.control<QLabel>("1475")->text().isEmpty());

    list->clearSelection();
    act(PopupAction::CleanFromList, PopupContext::ResultList);
    QCOMPARE(list->model()->rowCount(), 0);
}

void SearchScreenTest::doubleClickOnAWordInThePreviewSearchesTheNotes()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(2)));
    QVERIFY(vedra::uitest::writeAll(QString::fromStdString(session.workspace.notesPath),
                                    "ricordare la casa di campagna\r\naltro appunto\r\n"));
    auto& dialog = session.open();
    auto* preview = session.control<QTextEdit>("1002");
    searchFor(dialog, QStringLiteral("casa"));
    QVERIFY(preview->toPlainText().contains(QStringLiteral("casa")));
    QTextCursor word = preview->document()->find(QStringLiteral("sole"));
    QVERIFY(!word.isNull());
    preview->setTextCursor(word);
    const QPoint at = preview->cursorRect(word).center();
    QTest::mouseDClick(preview->viewport(), Qt::LeftButton, {}, at);
    QTRY_COMPARE(dialog.notePage()->searchText(), QStringLiteral("sole"));
    QCOMPARE(session.workspace.SearchTarget, app::SearchTarget::Notes);
    // "sole" is in no note: the notes search shows nothing of the notes file.
    QVERIFY(!preview->toPlainText().contains(QStringLiteral("campagna")));

    // Back to the archive's extracts; a word that a note holds lists that note.
    session.workspace.SearchTarget = app::SearchTarget::Archive;
    session.answers.push_back(MessageAnswer::No);  // the previous rows are not kept
    dialog.StartSearch("casa");
    QTextCursor house = preview->document()->find(QStringLiteral("casa"));
    QVERIFY(!house.isNull());
    QTest::mouseDClick(preview->viewport(), Qt::LeftButton, {}, preview->cursorRect(house).center());
    QTRY_VERIFY(preview->toPlainText().contains(QStringLiteral("campagna")));
}

void SearchScreenTest::aboutBoxAndArchivePageAreReachable()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    // Without an introduction the sheet opens beside the window at start.
    QTRY_VERIFY(dialog.propertySheet()->isVisible());
    QTest::keyClick(&dialog, Qt::Key_F1);
    QVERIFY(dialog.shownMessages().back().find("VedraReader 1.0.0") != std::string::npos);

    auto* tabs = dialog.propertySheet()->tabs();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(2), QStringLiteral("Archive"));
    QVERIFY(tabs->widget(2)->findChild<QPushButton*>(QStringLiteral("indexFolder")) != nullptr);
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    QCOMPARE(tabs->tabText(2), QStringLiteral("Archivio"));
}

void SearchScreenTest::maximiseKeepsTheStartSize()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    const QSize start = dialog.size();
    QCOMPARE(start, QSize(940, 538));
    dialog.setWindowState(Qt::WindowMaximized);
    QTRY_VERIFY(!dialog.isMaximized());
    QCOMPARE(dialog.size(), start);
}

void SearchScreenTest::doubleClickOnAFolderRowListsIt()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(3)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    vedra::search::ResultRow folderRow;
    folderRow.columns[0] = corpusPath(session).toStdString() + "/";
    dialog.session().results().append(folderRow);
    dialog.refreshResults();
    QRect first = list->visualRect(list->model()->index(0, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
    emit list->doubleClicked(list->indexAt(first.center()));
    QCOMPARE(list->model()->rowCount(), 5);
    QCOMPARE(cell(list, 1, 0), corpusPath(session) + "/");
    QCOMPARE(cell(list, 2, 0), corpusPath(session) + "/doc000.txt");
    QCOMPARE(cell(list, 4, 3), QStringLiteral("Dir/File"));
}

void SearchScreenTest::introductionHidesTheListUntilOptions()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(1)));
    QVERIFY(vedra::uitest::writeAll(session.file(QStringLiteral("C_DEMO_1/Introduzione.rtf")),
                                    "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 Benvenuti in {\\b Vedra}\\par Cerca.}"));
    auto& dialog = session.open();
    QApplication::processEvents();
    auto* intro = session.control<QTextEdit>("1834");
    QVERIFY(intro->isVisible());
    // The introduction comes first: the sheet waits for Options.
    QVERIFY(!dialog.propertySheet()->isVisible());
    QVERIFY(!session.control<QTableView>("1001")->isVisible());
    QCOMPARE(intro->toPlainText(), QStringLiteral("Benvenuti in Vedra\nCerca."));
    QCOMPARE(formatOf(intro, QStringLiteral("Vedra")).fontWeight(), int(QFont::Bold));

    session.control<QPushButton>("1566")->click();
    QVERIFY(!intro->isVisible());
    QVERIFY(session.control<QTableView>("1001")->isVisible());
    QVERIFY(session.control<QTextEdit>("1002")->isVisible());
    QVERIFY(dialog.propertySheet()->isVisible());
}

void SearchScreenTest::extractFilesShowsOneMessageForOneExport()
{
    using vedra::utilities::PopupAction;
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(4)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 2);
    list->clearSelection();
    const std::size_t before = session.asked.size();

    vedra::utilities::PopupOutcome outcome;
    outcome.action = PopupAction::ExtractFiles;
    outcome.handled = true;
    dialog.performPopupAction(outcome, vedra::utilities::PopupContext::ResultList);

    std::vector<std::string> about;
    for (std::size_t i = before; i < session.asked.size(); ++i)
        if (session.asked[i].text.find("_FExtr.txt") != std::string::npos)
            about.push_back(session.asked[i].text);
    QCOMPARE(about.size(), std::size_t{1});
    QVERIFY2(about[0].starts_with("File path: "), about[0].c_str());
    const QString exported = QString::fromStdString(about[0].substr(std::string("File path: ").size()));
    QCOMPARE(vedra::uitest::readAll(exported),
             (cell(list, 0, 0) + "\r\n" + cell(list, 1, 0) + "\r\n").toLocal8Bit());
}

void SearchScreenTest::wordStatisticsLeaveTheWindowTitleAlone()
{
    using vedra::utilities::PopupAction;
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(4)));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    searchFor(dialog, QStringLiteral("casa"));
    list->selectRow(0);
    auto act = [&](PopupAction action, vedra::utilities::PopupContext context) {
        vedra::utilities::PopupOutcome outcome;
        outcome.action = action;
        outcome.handled = true;
        dialog.performPopupAction(outcome, context);
    };
    act(PopupAction::Origin, vedra::utilities::PopupContext::ResultList);
    const QString title = dialog.windowTitle();
    QCOMPARE(title, QString::fromStdString(session.workspace.windowTitle()));
    QSignalSpy retitled(&dialog, &QWidget::windowTitleChanged);

    const QString document = preview->toPlainText();
    act(PopupAction::Statistics, vedra::utilities::PopupContext::Preview);
    // The report is the information window's; the preview keeps the document.
    QVERIFY(dialog.informationWindow() != nullptr);
    const QString report = dialog.informationWindow()->textControl()->toPlainText();
    QVERIFY2(report.contains(QStringLiteral("WORDW STATISTICS")), qPrintable(report));
    QVERIFY(report.contains(QStringLiteral("casa")));
    QCOMPARE(preview->toPlainText(), document);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(retitled.count(), 0);
}

void SearchScreenTest::aWordOfLettersAndDigitsIsFoundAndTheStatusSaysWhatWasSearched()
{
    Session session;
    QVERIFY(indexCorpus(session, {{QStringLiteral("a.txt"), "la casa64 al mare\n"},
                                  {QStringLiteral("b.txt"), "casa sola e 64 vele\n"}}));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    auto* status = session.control<QLabel>("1475");

    searchFor(dialog, QStringLiteral("Casa64"));
    QCOMPARE(list->model()->rowCount(), 2);
    // The archive holds casa and 64 in both; the extracts mark the typed word whole.
    QCOMPARE(status->text(), QStringLiteral("Searched for: casa 64."));
    QCOMPARE(status->toolTip(), status->text());
    QCOMPARE(formatOf(preview, QStringLiteral("casa64")).fontWeight(), int(QFont::Bold));

    // (The rows of the search before stay: the test's host keeps them when asked.)
    searchFor(dialog, QStringLiteral("il"));
    QCOMPARE(status->text(), QStringLiteral("No word to search. Not searched: il (too short)."));

    // A search of words as typed leaves the status line to the extracts.
    searchFor(dialog, QStringLiteral("mare"));
    QVERIFY2(!status->text().contains(QStringLiteral("Searched")), qPrintable(status->text()));
    QVERIFY(status->toolTip().isEmpty());
}

void SearchScreenTest::aWordWithoutARootIsOfferedItsRoot()
{
    Session session;
    QVERIFY(indexCorpus(session, numberedCorpus(2)));
    auto& dialog = session.open();
    const std::string question = vedra::app::formatMessage(
        session.workspace.messages().text(vedra::app::MessageKey::MsgAddRootQuestion), {std::string_view("zebra")});
    const std::string reindex(session.workspace.messages().text(vedra::app::MessageKey::MsgRootsAddedReindex));
    auto askedTexts = [&session] {
        std::vector<std::string> texts;
        for (const auto& message : session.asked)
            texts.push_back(message.text);
        return texts;
    };

    // No: the message, the question, and nothing added.
    session.answers.push_back(MessageAnswer::No);
    searchFor(dialog, QStringLiteral("zebra"));
    std::vector<std::string> texts = askedTexts();
    auto offered = std::find(texts.begin(), texts.end(), question);
    QVERIFY2(offered != texts.end(), "the root was not offered");
    QVERIFY(std::find(texts.begin(), offered, vedra::app::formatMessage(
                session.workspace.messages().text(vedra::app::MessageKey::MsgRootNotInDictionary), {std::string_view("zebra")})) !=
            offered);
    QCOMPARE(std::count(texts.begin(), texts.end(), reindex), 0);
    QVERIFY(vedra::indexing::ReadArchiveRoots(session.workspace).listing.roots.size() == 9u);

    // Yes: the root is added, and the user learns that indexed documents need indexing again.
    session.asked.clear();
    session.answers.push_back(MessageAnswer::Yes);
    searchFor(dialog, QStringLiteral("zebra"));
    texts = askedTexts();
    QCOMPARE(std::count(texts.begin(), texts.end(), question), 1);
    QCOMPARE(texts.back(), reindex);
    const auto roots = vedra::indexing::ReadArchiveRoots(session.workspace).listing.roots;
    QVERIFY(std::find(roots.begin(), roots.end(), "zeb") != roots.end());

    // The root is there now: no message and no offer.
    session.asked.clear();
    searchFor(dialog, QStringLiteral("zebra"));
    texts = askedTexts();
    QCOMPARE(std::count(texts.begin(), texts.end(), question), 0);
    QCOMPARE(session.answers.size(), std::size_t{0});
}

VEDRA_UI_TEST_MAIN(SearchScreenTest)
#include "SearchScreenTest.moc"
