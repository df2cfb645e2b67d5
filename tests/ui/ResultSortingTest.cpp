// The result list sorted by a click on a column title, as a user sees it: the
// order and its indicator, the second click, the rows the preview, the selection
// and "Clean from list" take on the sorted list, rows added later, and the
// search's own order back with a new search. Then the text typed after "New":
// saved through "Save" and "Save as" in the documents folder, never over a file
// of the working folder without a question, and printed.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/search/ResultRowFormat.h"
#include "core/search/SearchSession.h"
#include "ui/Printing.h"
#include "ui/ResultListModel.h"

#include <QDir>
#include <QHeaderView>
#include <QPrinter>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <map>

using vedra::app::MessageAnswer;
using vedra::uitest::Session;
using vedra::utilities::PopupAction;
using vedra::utilities::PopupContext;

namespace sortingtest {

// Files whose names, sizes and times disagree on every order. Each holds "casa".
struct Corpus {
    QTemporaryDir folder;

    bool index(Session& session)
    {
        const QString work = QString::fromStdString(session.folder());
        if (!session.prepareWithArchive("casa mare sole"))
            return false;
        // name, size in bytes, modification time (seconds from 1970)
        const std::map<QString, std::pair<int, qint64>> files = {
            {QStringLiteral("beta.txt"), {900, 1'600'000'000}},
            {QStringLiteral("Alfa.txt"), {40, 1'700'000'000}},
            {QStringLiteral("doc10.txt"), {300, 1'500'000'000}},
            {QStringLiteral("doc9.txt"), {2000, 1'650'000'000}},
        };
        for (const auto& [name, shape] : files) {
            QByteArray text = "la casa al mare\n";
            text += QByteArray(shape.first - text.size(), 'x');
            const QString path = folder.filePath(name);
            if (!vedra::uitest::writeAll(path, text))
                return false;
            QFile file(path);
            if (!file.open(QIODevice::ReadWrite) ||
                !file.setFileTime(QDateTime::fromSecsSinceEpoch(shape.second), QFileDevice::FileModificationTime))
                return false;
        }
        const auto result = vedra::indexing::IndexFolder(session.workspace, folder.path().toStdString(),
                                                         vedra::indexing::IndexCommand::Normal, {});
        return result.status == vedra::indexing::IndexStatus::Done && result.totalDocuments == files.size();
    }
};

QStringList names(QTableView* list)
{
    QStringList shown;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        shown << QFileInfo(list->model()->index(row, 0).data().toString()).fileName();
    return shown;
}

void clickHeader(QTableView* list, int column)
{
    QHeaderView* header = list->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void clickRow(QTableView* list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualRect(list->model()->index(row, 0)).center());
}

vedra::utilities::PopupOutcome popupEntry(PopupAction action)
{
    vedra::utilities::PopupOutcome outcome;
    outcome.action = action;
    outcome.handled = true;
    return outcome;
}

} // namespace sortingtest

class ResultSortingTest : public QObject {
    Q_OBJECT

private slots:
    void aHeaderClickSortsAndASecondOneReverses();
    void theRowsShownAreTheOnesClickedSelectedAndCleaned();
    void rowsAddedLaterTakeTheirPlaceAndANewSearchRestoresTheEngineOrder();
    void typedTextIsSavedInTheDocumentsFolderAndPrinted();
    void relevanceFromTheHeaderMenuPutsTheBestFirst();
};

void ResultSortingTest::aHeaderClickSortsAndASecondOneReverses()
{
    using namespace sortingtest;
    Session session;
    Corpus corpus;
    QVERIFY(corpus.index(session));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 4);
    QCOMPARE(list->horizontalHeader()->sortIndicatorSection(), -1);

    clickHeader(list, 0);
    QCOMPARE(names(list), (QStringList{"Alfa.txt", "beta.txt", "doc9.txt", "doc10.txt"}));
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Files/Dir \u25B2"));
    QCOMPARE(list->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(list->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    clickHeader(list, 0);
    QCOMPARE(names(list), (QStringList{"doc10.txt", "doc9.txt", "beta.txt", "Alfa.txt"}));
    QCOMPARE(list->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Files/Dir \u25BC"));

    clickHeader(list, 1);  // by the moment, whatever the date's text
    QCOMPARE(names(list), (QStringList{"doc10.txt", "beta.txt", "doc9.txt", "Alfa.txt"}));
    QCOMPARE(list->horizontalHeader()->sortIndicatorSection(), 1);
    QCOMPARE(list->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    clickHeader(list, 2);  // by the number, not "2000" before "300"
    QCOMPARE(names(list), (QStringList{"Alfa.txt", "doc10.txt", "beta.txt", "doc9.txt"}));
    clickHeader(list, 2);
    QCOMPARE(names(list), (QStringList{"doc9.txt", "beta.txt", "doc10.txt", "Alfa.txt"}));
    QCOMPARE(list->model()->index(0, 2).data().toString(), QStringLiteral("2000"));
    // Only the sorted column has the arrow, and it is not cut off.
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Files/Dir"));
    const QString sizeTitle = list->model()->headerData(2, Qt::Horizontal).toString();
    QVERIFY(sizeTitle.endsWith(QStringLiteral("\u25BC")));
    QVERIFY(list->horizontalHeader()->sectionSize(2) > list->horizontalHeader()->fontMetrics().horizontalAdvance(sizeTitle));
}

void ResultSortingTest::theRowsShownAreTheOnesClickedSelectedAndCleaned()
{
    using namespace sortingtest;
    Session session;
    Corpus corpus;
    QVERIFY(corpus.index(session));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    vedra::search::ResultList& results = dialog.session().results();
    clickHeader(list, 2);
    clickHeader(list, 2);  // largest first: doc9 was listed after doc10 by the search

    clickRow(list, 0);
    const QString first = list->model()->index(0, 0).data().toString();
    QVERIFY(first.endsWith(QStringLiteral("doc9.txt")));
    QVERIFY2(preview->toPlainText().contains(first), qPrintable(preview->toPlainText().left(200)));
    std::vector<std::size_t> selected = results.selectedRows();
    QCOMPARE(selected.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(std::string(results.label(selected.front()))), first);

    // Down on the sorted list previews the row shown second once the key rests.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    const QString second = list->model()->index(1, 0).data().toString();
    QTRY_VERIFY2(preview->toPlainText().contains(second), qPrintable(preview->toPlainText().left(200)));
    QVERIFY(!preview->toPlainText().contains(first));
    clickRow(list, 0);

    // The selection survives another sort and is shown where its row went.
    clickHeader(list, 0);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(list->selectionModel()->selectedRows().front().row(), 2);

    // A row the engine selects (as an index-list entry does) is shown selected where it is.
    results.clearSelection();
    const std::optional<std::size_t> beta = results.findLabel(corpus.folder.filePath(QStringLiteral("beta.txt")).toStdString());
    QVERIFY(beta.has_value());
    results.setSelected(*beta, true);
    dialog.refreshResults();
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(list->selectionModel()->selectedRows().front().data().toString(), corpus.folder.filePath(QStringLiteral("beta.txt")));

    // Rows 1 and 3 as shown (beta and doc10): "Clean from list" takes row 2 with them.
    clickRow(list, 1);
    clickRow(list, 3, Qt::ControlModifier);
    // The extract of the two selected rows runs from the first to the last as shown.
    for (int row = 1; row <= 3; ++row)
        QVERIFY2(preview->toPlainText().contains(list->model()->index(row, 0).data().toString()), qPrintable(QString::number(row)));
    QVERIFY(!preview->toPlainText().contains(list->model()->index(0, 0).data().toString()));
    dialog.performPopupAction(popupEntry(PopupAction::CleanFromList), PopupContext::ResultList);
    QCOMPARE(names(list), (QStringList{"Alfa.txt"}));
    QCOMPARE(results.size(), std::size_t{1});
}

void ResultSortingTest::rowsAddedLaterTakeTheirPlaceAndANewSearchRestoresTheEngineOrder()
{
    using namespace sortingtest;
    Session session;
    Corpus corpus;
    QVERIFY(corpus.index(session));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    const QStringList engineOrder = names(list);

    clickHeader(list, 0);
    vedra::search::ResultRowInput late;
    late.path = corpus.folder.filePath(QStringLiteral("ciao.txt")).toStdString();
    late.wordsText = "casa ";
    dialog.session().results().append(std::move(late));
    dialog.refreshResults();
    QCOMPARE(names(list), (QStringList{"Alfa.txt", "beta.txt", "ciao.txt", "doc9.txt", "doc10.txt"}));
    QVERIFY(list->model()->headerData(0, Qt::Horizontal).toString().endsWith(QStringLiteral("\u25B2")));

    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QStringList listed;
    const vedra::search::ResultList& results = dialog.session().results();
    for (std::size_t row = 0; row < results.size(); ++row)
        listed << QFileInfo(QString::fromStdString(std::string(results.label(row)))).fileName();
    QCOMPARE(names(list), listed);
    QVERIFY(names(list).mid(0, engineOrder.size()) == engineOrder || names(list).mid(1) == engineOrder);
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Files/Dir"));
    QCOMPARE(list->horizontalHeader()->sortIndicatorSection(), -1);
    QCOMPARE(dialog.resultModel()->sortColumn(), -1);
    // The first click after it sorts up again, not down.
    clickHeader(list, 0);
    QCOMPARE(names(list).front(), QStringLiteral("Alfa.txt"));
}

void ResultSortingTest::typedTextIsSavedInTheDocumentsFolderAndPrinted()
{
    using namespace sortingtest;
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* preview = session.control<QTextEdit>("1002");
    dialog.performPopupAction(popupEntry(PopupAction::NewText), PopupContext::Preview);
    preview->setFocus();
    QTest::keyClicks(preview, QStringLiteral("appunti scritti a mano"));

    QStringList proposed;
    QString answer = session.file(QStringLiteral("mine.txt"));
    dialog.setSaveNameChooser([&](const QString& name) {
        proposed << name;
        return answer;
    });
    dialog.performPopupAction(popupEntry(PopupAction::SaveAs), PopupContext::Preview);
    QCOMPARE(proposed.size(), 1);
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(documents).isDir())
        documents = QDir::homePath();
    QCOMPARE(proposed.front(), QDir(documents).filePath(QStringLiteral("nuovotesto.txt")));
    QCOMPARE(vedra::uitest::readAll(answer), QByteArray("appunti scritti a mano"));

    // "Save" of a text with no file asks for a name as "Save as" does.
    QTest::keyClicks(preview, QStringLiteral(" e ancora"));
    answer = session.file(QStringLiteral("again.txt"));
    dialog.performPopupAction(popupEntry(PopupAction::Save), PopupContext::Preview);
    QCOMPARE(proposed.size(), 2);
    QCOMPARE(vedra::uitest::readAll(answer), QByteArray("appunti scritti a mano e ancora"));

    // A file of the working folder is written over only after its own question.
    answer = QString::fromStdString(session.workspace.WorkingFolder) + QStringLiteral("estratti.vedra");
    QVERIFY(vedra::uitest::writeAll(answer, "estratti"));
    session.answers.push_back(MessageAnswer::No);
    dialog.performPopupAction(popupEntry(PopupAction::SaveAs), PopupContext::Preview);
    QCOMPARE(vedra::uitest::readAll(answer), QByteArray("estratti"));
    QVERIFY2(session.asked.back().text.find("working folder") != std::string::npos ||
                 session.asked.back().text.find("cartella di lavoro") != std::string::npos ||
                 session.asked.back().text.find("carpeta de trabajo") != std::string::npos,
             session.asked.back().text.c_str());

    // Print reaches the printer with the typed text.
    int asked = 0;
    const QString pdf = session.file(QStringLiteral("typed.pdf"));
    dialog.printer().setPrinterChooser([&](QPrinter& printer) {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    dialog.performPopupAction(popupEntry(PopupAction::Print), PopupContext::Preview);
    QCOMPARE(asked, 1);
    QVERIFY(QFileInfo(pdf).size() > 0);
}

void ResultSortingTest::relevanceFromTheHeaderMenuPutsTheBestFirst()
{
    using namespace sortingtest;
    Session session;
    QVERIFY(session.prepareWithArchive("casa mare sole"));
    QTemporaryDir folder;
    // "casa" once in a long text, five times, and once in a file named after it.
    const QByteArray filler = QByteArray("mare ").repeated(60);
    QVERIFY(vedra::uitest::writeAll(folder.filePath(QStringLiteral("uno.txt")), "casa " + filler));
    QVERIFY(vedra::uitest::writeAll(folder.filePath(QStringLiteral("cinque.txt")),
                                    "casa sole casa sole casa sole casa sole casa " + filler));
    QVERIFY(vedra::uitest::writeAll(folder.filePath(QStringLiteral("casa.txt")), filler + "casa " + filler));
    const auto indexed = vedra::indexing::IndexFolder(session.workspace, folder.path().toStdString(),
                                                      vedra::indexing::IndexCommand::Normal, {});
    QCOMPARE(indexed.status, vedra::indexing::IndexStatus::Done);
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 3);
    const QStringList own = names(list);

    // The header's menu holds the entry, in the window's language.
    QHeaderView* header = list->horizontalHeader();
    QCOMPARE(header->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(header->actions().contains(dialog.relevanceAction()));
    QCOMPARE(dialog.relevanceAction()->text(), QStringLiteral("Relevance"));
    dialog.relevanceAction()->trigger();
    QCOMPARE(names(list), (QStringList{"casa.txt", "cinque.txt", "uno.txt"}));
    QCOMPARE(header->sortIndicatorSection(), -1);
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Files/Dir"));

    // The row clicked is the row previewed and selected, as in any order.
    clickRow(list, 0);
    const std::vector<std::size_t> selected = dialog.session().results().selectedRows();
    QCOMPARE(selected.size(), std::size_t{1});
    QVERIFY(std::string(dialog.session().results().label(selected.front())).ends_with("/casa.txt"));

    // A column takes over; a new search shows its own order again.
    clickHeader(list, 0);
    clickHeader(list, 0);
    QCOMPARE(names(list), (QStringList{"uno.txt", "cinque.txt", "casa.txt"}));
    QVERIFY(!dialog.resultModel()->sortedByOrder());
    dialog.relevanceAction()->trigger();
    QCOMPARE(names(list).first(), QStringLiteral("casa.txt"));
    QVERIFY(dialog.resultModel()->sortedByOrder());
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QVERIFY(!dialog.resultModel()->sortedByOrder());
    QStringList listed;
    const vedra::search::ResultList& results = dialog.session().results();
    for (std::size_t row = 0; row < results.size(); ++row)
        listed << QFileInfo(QString::fromStdString(std::string(results.label(row)))).fileName();
    QCOMPARE(names(list), listed);
}

VEDRA_UI_TEST_MAIN(ResultSortingTest)
#include "ResultSortingTest.moc"
