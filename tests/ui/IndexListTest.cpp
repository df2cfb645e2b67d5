// The index list 1831 in the main window: the entries of "vedraindice.txt", a
// click showing an entry's extracts (words given) or its document, and a double
// click opening the entry's path with a recorder program of the test's own.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/app/BrowserList.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/web/WebResult.h"
#include "core/utilities/Launching.h"
#include "ui/CMyPropertyPage2.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using vedra::uitest::Session;
using vedra::uitest::formatOf;

namespace {

using vedra::uitest::record;
using vedra::uitest::recordedArguments;
using vedra::uitest::writeRecorder;

const QByteArray kSecondChapter = "Secondo capitolo, sotto il sole.\n";

// An archive with an index list of two entries and their documents in its files folder.
bool archiveWithIndexList(Session& session)
{
    if (!session.prepare())
        return false;
    vedra::indexing::NewArchive request;
    request.name = "indice";
    if (vedra::indexing::CreateArchive(session.workspace, request).number != 1)
        return false;
    const QString files = QString::fromStdString(session.workspace.ArchiveFilesFolder);
    return QDir().mkpath(files + "docs") &&
           vedra::uitest::writeAll(files + "docs/cap1.txt", "Primo capitolo, cap1: la casa al mare.\n") &&
           vedra::uitest::writeAll(files + "docs/cap2.txt", kSecondChapter) &&
           vedra::uitest::writeAll(QString::fromStdString(session.workspace.ArchiveFolder) + "vedraindice.txt",
                                   "Capitolo 1 **   docs/cap1.txt\r\nsenza segno\r\nCapitolo 2 **:docs/cap2.txt\r\n");
}

void typeWords(vedra::ui::CScovaroDlg& dialog, const QString& words)
{
    auto* box = dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1800"));
    box->setText(words);
}

// A double click is a click and then the view's double-click signal (offscreen,
// a synthetic double click does not reach the view's handler).
void clickEntry(QTreeWidget* list, int index, bool twice = false)
{
    QTreeWidgetItem* item = list->topLevelItem(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    if (twice)
        emit list->itemDoubleClicked(item, 0);
}

} // namespace

class IndexListTest : public QObject {
    Q_OBJECT

private slots:
    void entriesShowTheirTwoTexts();
    void aClickShowsTheExtractsOrTheDocument();
    void aDoubleClickOpensTheEntrysPathWithItsProgram();
    void theArrowKeysShowAnEntryAndEnterOpensIt();
};

void IndexListTest::entriesShowTheirTwoTexts()
{
    Session session;
    QVERIFY(archiveWithIndexList(session));
    session.open();
    auto* list = session.control<QTreeWidget>("1831");
    QVERIFY(list);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("Capitolo 1 "));
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("docs/cap1.txt"));
    QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral(":docs/cap2.txt"));
}

void IndexListTest::aClickShowsTheExtractsOrTheDocument()
{
    Session session;
    QVERIFY(archiveWithIndexList(session));
    auto& dialog = session.open();
    auto* list = session.control<QTreeWidget>("1831");
    auto* results = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    const QString files = QString::fromStdString(session.workspace.ArchiveFilesFolder);

    // "In the path" lists the entries whose FILE holds the word, below the files folder.
    dialog.searchPage()->findChild<QCheckBox*>(QStringLiteral("1839"))->setChecked(false);
    session.workspace.SearchTarget = vedra::app::SearchTarget::Archive;
    dialog.session().run().options().inThePath = 1;
    typeWords(dialog, QStringLiteral("cap1"));
    dialog.searchPage()->findChild<QPushButton*>(QStringLiteral("1009"))->click();
    QCOMPARE(results->model()->rowCount(), 1);
    QCOMPARE(results->model()->index(0, 0).data().toString(), files + "docs/cap1.txt");
    preview->clear();

    // A click hands the search page's boxes to the engine first, as a search would.
    dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1772"))->setText(QStringLiteral("37"));
    QVERIFY(dialog.session().run().options().contiguityDistance() != 37);

    // With words, a click shows the entry's extract, the word marked.
    clickEntry(list, 0);
    QCOMPARE(dialog.session().run().options().contiguityDistance(), 37);
    QCOMPARE(results->model()->rowCount(), 1);
    const QString shown = preview->toPlainText();
    QVERIFY2(shown.contains(QStringLiteral("File:")) && shown.contains(files + "docs/cap1.txt"), qPrintable(shown));
    QVERIFY(shown.contains(QStringLiteral("la casa al mare")));
    QCOMPARE(formatOf(preview, QStringLiteral("cap1:")).foreground().color(), QColor(0, 0, 200));
    QVERIFY(results->selectionModel()->isRowSelected(0, {}));

    // Without words, a click on an entry not listed adds its row and shows its text.
    typeWords(dialog, QString());
    clickEntry(list, 1);
    QCOMPARE(results->model()->rowCount(), 2);
    QCOMPARE(results->model()->index(1, 0).data().toString(), files + "docs/cap2.txt");
    QVERIFY(results->selectionModel()->isRowSelected(1, {}));
    QVERIFY(!results->selectionModel()->isRowSelected(0, {}));
    QVERIFY2(preview->toPlainText().contains(QStringLiteral("Secondo capitolo, sotto il sole."), Qt::CaseInsensitive),
             qPrintable(preview->toPlainText()));
    QVERIFY(!preview->toPlainText().contains(QStringLiteral("File:")));

    // A second click with words finds that row again and extracts it for them.
    typeWords(dialog, QStringLiteral("sole"));
    clickEntry(list, 1);
    QCOMPARE(results->model()->rowCount(), 2);
    QVERIFY(preview->toPlainText().contains(QStringLiteral("File:")));
    // The excerpt around the hit of the typed word (marking follows the last search).
    const QString position = QStringLiteral("Pos.: %1 / %2").arg(kSecondChapter.indexOf("sole")).arg(kSecondChapter.size());
    QVERIFY2(preview->toPlainText().contains(position), qPrintable(preview->toPlainText()));
}

void IndexListTest::aDoubleClickOpensTheEntrysPathWithItsProgram()
{
    Session session;
    QVERIFY(archiveWithIndexList(session));
    session.open();
    auto* list = session.control<QTreeWidget>("1831");
    auto* results = session.control<QTableView>("1001");
    const QString root = QString::fromStdString(session.folder());
    const QString recorder = writeRecorder(root + "/tools/reader");
    const QString associations =
        QString::fromStdString(vedra::utilities::ProgramAssociationsPath(session.workspace));
    QVERIFY(vedra::uitest::writeAll(associations, record("reader=.txt\r\n")));
    // Web addresses go to the chosen browser, the recorder too; the page's local
    // copy is there, so the click that comes with a double click fetches nothing.
    QVERIFY(vedra::app::BrowserList::write(session.workspace.browserListPath, {"reader", {"reader"}}));
    const std::string copy = vedra::web::LocalCopyPath(session.workspace, "docs/cap1.txt");
    QVERIFY(!copy.empty());
    QVERIFY(vedra::uitest::writeAll(QString::fromStdString(copy), "copia locale del capitolo"));

    // ':' names a file of the archive's files folder.
    clickEntry(list, 1, true);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    const QString document = QString::fromStdString(session.workspace.ArchiveFilesFolder) + "docs/cap2.txt";
    QCOMPARE(recordedArguments(recorder), (QStringList{recorder, document}));
    QCOMPARE(results->model()->rowCount(), 1);
    QCOMPARE(results->model()->index(0, 0).data().toString(), document);
    QVERIFY(results->model()->index(0, 2).data().toString().isEmpty());
    QVERIFY(results->model()->index(0, 3).data().toString().isEmpty());

    // Without ':' the FILE text is a web address, handed on as one.
    QVERIFY(QFile::remove(recorder + ".argv"));
    clickEntry(list, 0, true);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    QCOMPARE(recordedArguments(recorder), (QStringList{recorder, QStringLiteral("http://docs/cap1.txt")}));
    QCOMPARE(results->model()->rowCount(), 2);
    QCOMPARE(results->model()->index(1, 0).data().toString(), QStringLiteral("docs/cap1.txt"));
    QVERIFY(session.control<QTextEdit>("1002")->toPlainText().contains(QStringLiteral("copia locale del capitolo")));
}

void IndexListTest::theArrowKeysShowAnEntryAndEnterOpensIt()
{
    Session session;
    QVERIFY(archiveWithIndexList(session));
    session.open();
    auto* list = session.control<QTreeWidget>("1831");
    auto* preview = session.control<QTextEdit>("1002");
    const QString recorder = writeRecorder(QString::fromStdString(session.folder()) + "/tools/reader");
    QVERIFY(vedra::uitest::writeAll(
        QString::fromStdString(vedra::utilities::ProgramAssociationsPath(session.workspace)), record("reader=.txt\r\n")));
    list->setCurrentItem(list->topLevelItem(0));
    preview->clear();

    // Down to the entry of the files folder: its document once the key rests.
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(preview->toPlainText().isEmpty());
    QTRY_VERIFY2(preview->toPlainText().contains(QStringLiteral("Secondo capitolo"), Qt::CaseInsensitive),
                 qPrintable(preview->toPlainText()));
    const QString document = QString::fromStdString(session.workspace.ArchiveFilesFolder) + "docs/cap2.txt";
    auto* results = session.control<QTableView>("1001");
    QCOMPARE(results->model()->index(0, 0).data().toString(), document);

    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    QCOMPARE(recordedArguments(recorder), (QStringList{recorder, document}));
}

VEDRA_UI_TEST_MAIN(IndexListTest)
#include "IndexListTest.moc"
