// The list control's model: a row is made only when the view asks for it, and a
// row whose file changed since it was indexed is grey with the reason in its tip.
#include "UiTestRegistry.h"
#include "core/indexing/IndexingRun.h"
#include "core/search/ResultList.h"
#include "ui/ResultListModel.h"

#include <QBrush>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sys/stat.h>

using vedra::search::FileChange;
using vedra::search::RecordedFile;
using vedra::search::ResultList;
using vedra::search::ResultRowInput;
using vedra::ui::ResultListModel;

namespace {

// A record as the indexing run would write it for the file as it is now.
RecordedFile recordOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return {static_cast<std::uint32_t>(info.st_size),
            vedra::indexing::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec)};
}

ResultRowInput inputFor(const std::string& path, std::optional<RecordedFile> recorded)
{
    ResultRowInput input;
    input.path = path;
    input.wordsText = "alpha ";
    if (recorded) {
        input.sizeBytes = recorded->size;
        input.lastWrite = recorded->lastWrite;
    }
    input.recorded = recorded;
    return input;
}

} // namespace

class ResultListModelTest : public QObject {
    Q_OBJECT

private slots:
    void staleRowsAreGreyWithTheReason();
    void theViewMakesOnlyTheRowsItShows();
};

void ResultListModelTest::staleRowsAreGreyWithTheReason()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string kept = dir.filePath("kept.txt").toStdString();
    const std::string grown = dir.filePath("grown.txt").toStdString();
    const std::string gone = dir.filePath("gone.txt").toStdString();
    for (const std::string& path : {kept, grown, gone})
        std::ofstream(path) << "alpha";
    ResultList results;
    results.append(inputFor(kept, recordOf(kept)));
    results.append(inputFor(grown, recordOf(grown)));
    results.append(inputFor(gone, recordOf(gone)));
    results.append(inputFor("http://example.org/", std::nullopt));
    std::ofstream(grown, std::ios::app) << " and more";
    QVERIFY(std::remove(gone.c_str()) == 0);

    ResultListModel model(results);
    model.setLanguage(1);
    auto foreground = [&](int row) { return model.data(model.index(row, 1), Qt::ForegroundRole); };
    auto tip = [&](int row, int column) { return model.data(model.index(row, column), Qt::ToolTipRole).toString(); };
    QVERIFY(!foreground(0).isValid());
    QVERIFY(!foreground(3).isValid());
    QCOMPARE(foreground(1).value<QBrush>().color(), QColor(ResultListModel::kStaleGrey));
    QCOMPARE(foreground(2).value<QBrush>().color(), QColor(ResultListModel::kStaleGrey));

    QCOMPARE(tip(0, 0), QString::fromStdString(kept));
    QVERIFY(!model.data(model.index(0, 3), Qt::ToolTipRole).isValid());
    QCOMPARE(tip(1, 0), QString::fromStdString(grown) +
                            "\nThe file changed after it was indexed: it is now 14 bytes, the archive recorded 5.");
    QCOMPARE(tip(2, 3), QString("The file is no longer on the disk: the row shows what it held when it was indexed."));
    model.setLanguage(0);
    QVERIFY(tip(2, 3).startsWith("Il file non è più sul disco"));
}

void ResultListModelTest::theViewMakesOnlyTheRowsItShows()
{
    ResultList results;
    for (int i = 0; i < 5000; ++i)
        results.append(inputFor("/nowhere/file" + std::to_string(i) + ".txt", RecordedFile{100, 0}));
    ResultListModel model(results);
    QTableView view;
    view.setModel(&model);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
    QVERIFY(results.rowsMade() > 0);
    QVERIFY2(results.rowsMade() < 100, qPrintable(QString::number(results.rowsMade())));
    QCOMPARE(model.rowCount(), 5000);
    QCOMPARE(model.data(model.index(4999, 2)).toString(), QString("100"));
}

VEDRA_UI_TEST_MAIN(ResultListModelTest)
#include "ResultListModelTest.moc"
