// A long search as the user sees it: its first screen of rows shows while the walk
// goes on, the list is whole when it ends, and words entered during the walk stop
// it and list the new search's rows only.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/IndexFolder.h"
#include "core/search/SearchSession.h"
#include "ui/ResultListModel.h"

#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <set>

using vedra::app::MessageAnswer;
using vedra::uitest::Session;

class FirstRowsTest : public QObject {
    Q_OBJECT

private slots:
    void firstScreenShowsDuringTheWalkAndTheListEndsWhole();
    void wordsEnteredDuringAWalkListOnlyTheNewSearch();
};

namespace firstrows {

constexpr int kCasa = 300;
constexpr int kSole = 25;

// `kCasa` files holding "casa" and `kSole` holding "sole", indexed into the archive.
bool indexCorpus(Session& session, QTemporaryDir& folder)
{
    if (!session.prepareWithArchive("casa mare sole"))
        return false;
    for (int i = 0; i < kCasa; ++i)
        if (!vedra::uitest::writeAll(folder.filePath(QStringLiteral("c%1.txt").arg(i, 3, 10, QChar('0'))), "casa mare\n"))
            return false;
    for (int i = 0; i < kSole; ++i)
        if (!vedra::uitest::writeAll(folder.filePath(QStringLiteral("s%1.txt").arg(i, 3, 10, QChar('0'))), "sole mare\n"))
            return false;
    const auto indexed = vedra::indexing::IndexFolder(session.workspace, folder.path().toStdString(),
                                                      vedra::indexing::IndexCommand::Normal, {});
    return indexed.status == vedra::indexing::IndexStatus::Done;
}

} // namespace firstrows

void FirstRowsTest::firstScreenShowsDuringTheWalkAndTheListEndsWhole()
{
    Session session;
    QTemporaryDir folder;
    QVERIFY(firstrows::indexCorpus(session, folder));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    vedra::ui::ResultListModel* model = dialog.resultModel();
    // What the view could draw at each reset during the walk.
    std::vector<int> shownCounts;
    QString firstShown;
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] {
        if (!dialog.session().run().walkRunning())
            return;
        shownCounts.push_back(model->rowCount());
        if (firstShown.isEmpty() && model->rowCount() > 0)
            firstShown = model->data(model->index(0, 0)).toString();
    });
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));

    // A screen of rows was there before the walk ended, with nothing of the walk's
    // rows missing at the end; the first row drawn is the first row of the list.
    QVERIFY(!shownCounts.empty());
    QVERIFY(std::any_of(shownCounts.begin(), shownCounts.end(), [](int rows) { return rows >= 40 && rows < firstrows::kCasa; }));
    QCOMPARE(list->model()->rowCount(), firstrows::kCasa);
    QCOMPARE(dialog.session().results().size(), std::size_t{firstrows::kCasa});
    QCOMPARE(firstShown, list->model()->data(list->model()->index(0, 0)).toString());
    std::set<std::string> paths;
    for (std::size_t i = 0; i < dialog.session().results().size(); ++i)
        paths.insert(std::string(dialog.session().results().label(i)));
    QCOMPARE(paths.size(), std::size_t{firstrows::kCasa});
    QCOMPARE(list->model()->data(list->model()->index(firstrows::kCasa - 1, 3)).toString().trimmed(),
             QStringLiteral("casa"));
}

void FirstRowsTest::wordsEnteredDuringAWalkListOnlyTheNewSearch()
{
    Session session;
    QTemporaryDir folder;
    QVERIFY(firstrows::indexCorpus(session, folder));
    auto& dialog = session.open();
    vedra::ui::ResultListModel* model = dialog.resultModel();
    // The new words come while "casa" is walking, its first screen shown; "keep the
    // previous results?" is answered No.
    bool typed = false;
    std::size_t rowsWhenTyped = 0;
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] {
        if (typed || !dialog.session().run().walkRunning() || model->rowCount() < 40)
            return;
        typed = true;
        rowsWhenTyped = dialog.session().results().size();
        session.answers.push_back(MessageAnswer::No);
        vedra::uitest::searchFor(dialog, QStringLiteral("sole"));
    });
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QVERIFY(typed);
    QVERIFY(rowsWhenTyped < std::size_t{firstrows::kCasa});
    QCOMPARE(model->rowCount(), firstrows::kSole);
    for (int row = 0; row < model->rowCount(); ++row)
        QVERIFY(model->data(model->index(row, 0)).toString().contains(QStringLiteral("/s0")));
    // The walk that was stopped leaves no Continue behind the new search's list.
    QVERIFY(!dialog.session().run().continueEnabled());
    QCOMPARE(dialog.session().results().size(), std::size_t{firstrows::kSole});
}

VEDRA_UI_TEST_MAIN(FirstRowsTest)
#include "FirstRowsTest.moc"
