// A search directly on disk from the main window: the search page's "direct on
// disk" box and drive box 1684, the files holding the words listed, and Break
// ending a walk of the whole disk at once, the rows found kept.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "ui/CMyPropertyPage2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <set>

using vedra::uitest::Session;

namespace {

bool withArchive(Session& session)
{
    if (!session.prepare())
        return false;
    vedra::indexing::NewArchive request;
    request.name = "disco";
    return vedra::indexing::CreateArchive(session.workspace, request).number == 1;
}

template <typename T>
T* pageControl(vedra::ui::CScovaroDlg& dialog, const char* name)
{
    return dialog.searchPage()->findChild<T*>(QString::fromLatin1(name));
}

// The archive is the target, "direct on disk" is ticked and the words typed.
void prepareDiskSearch(vedra::ui::CScovaroDlg& dialog, const QString& words)
{
    auto* notes = pageControl<QCheckBox>(dialog, "1839");
    if (notes->isChecked())
        notes->click();
    auto* onDisk = pageControl<QCheckBox>(dialog, "directOnDisk");
    if (!onDisk->isChecked())
        onDisk->click();
    pageControl<QLineEdit>(dialog, "1800")->setText(words);
}

std::set<QString> listed(QTableView* view)
{
    std::set<QString> labels;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        labels.insert(view->model()->index(row, 0).data().toString());
    return labels;
}

} // namespace

class DiskSearchTest : public QObject {
    Q_OBJECT

private slots:
    void theBoxShowsTheDrivesAndTheSearchListsTheFilesWithTheWords();
    void breakEndsAWalkOfTheWholeDiskAndKeepsTheRows();
};

void DiskSearchTest::theBoxShowsTheDrivesAndTheSearchListsTheFilesWithTheWords()
{
    Session session;
    QVERIFY(withArchive(session));
    const QString tree = session.file(QStringLiteral("albero"));
    QVERIFY(QDir().mkpath(tree + "/sub/deeper"));
    QVERIFY(vedra::uitest::writeAll(tree + "/a.txt", "il faro sul mare"));
    QVERIFY(vedra::uitest::writeAll(tree + "/sub/b.txt", "nessuna parola cercata"));
    QVERIFY(vedra::uitest::writeAll(tree + "/sub/deeper/c.txt", "un FARO acceso"));
    QVERIFY(vedra::uitest::writeAll(tree + "/sub/d.txt", "faraone e fari"));
    auto& dialog = session.open();
    auto* drives = pageControl<QComboBox>(dialog, "1684");
    auto* onDisk = pageControl<QCheckBox>(dialog, "directOnDisk");
    QVERIFY(onDisk && !onDisk->isChecked());
    QVERIFY(drives->isHidden());

    prepareDiskSearch(dialog, QStringLiteral("faro"));
    QVERIFY(dialog.session().run().options().directOnDisk != 0);
    QVERIFY(!drives->isHidden() && drives->isEnabled());
    // The drives are the machine's mounted file systems as the engine lists them
    // (here confined to the session's folder).
    QCOMPARE(drives->count(), 1);
    QCOMPARE(drives->itemText(0), QString::fromStdString(session.folder()));

    pageControl<QPushButton>(dialog, "1009")->click();
    auto* results = session.control<QTableView>("1001");
    QCOMPARE(listed(results), (std::set<QString>{tree + "/a.txt", tree + "/sub/deeper/c.txt"}));
    for (int row = 0; row < results->model()->rowCount(); ++row)
        QCOMPARE(results->model()->index(row, 3).data().toString().trimmed(), QStringLiteral("faro"));
    // A word search on disk switches the option off again, and the box with it.
    QVERIFY(!onDisk->isChecked());
    QCOMPARE(dialog.session().run().options().directOnDisk, 0);
    QVERIFY(drives->isHidden());
}

void DiskSearchTest::breakEndsAWalkOfTheWholeDiskAndKeepsTheRows()
{
    Session session;
    QVERIFY(withArchive(session));
    auto& dialog = session.open();
    prepareDiskSearch(dialog, QStringLiteral("root"));
    auto* drives = pageControl<QComboBox>(dialog, "1684");
    drives->addItem(QStringLiteral("/"), QByteArray("/"));
    drives->setCurrentIndex(drives->count() - 1);

    // Break is pressed from inside the walk's own event draining, once rows have
    // come in (or after four seconds of walking).
    QElapsedTimer walking;
    QElapsedTimer sinceBreak;
    std::vector<std::string> atBreak;
    QTimer watcher;
    watcher.setInterval(5);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (sinceBreak.isValid())
            return;
        const vedra::search::ResultList& rows = dialog.session().results();
        if (rows.size() < 3 && walking.elapsed() < 4000)
            return;
        for (std::size_t i = 0; i < rows.size(); ++i)
            atBreak.push_back(rows.row(i).label());
        sinceBreak.start();
        session.control<QPushButton>("1704")->click();
    });
    walking.start();
    watcher.start();
    pageControl<QPushButton>(dialog, "1009")->click();
    watcher.stop();

    QVERIFY2(sinceBreak.isValid(), "the walk of / ended before Break");
    const qint64 stopping = sinceBreak.elapsed();
    QVERIFY2(stopping < 1000, qPrintable(QString::number(stopping)));
    qInfo("Break ended the walk of / after %lld ms, %zu rows listed by then", stopping, atBreak.size());
    QVERIFY2(!atBreak.empty(), "no row within four seconds of walking /");
    const vedra::search::ResultList& rows = dialog.session().results();
    QVERIFY(rows.size() >= atBreak.size());
    for (std::size_t i = 0; i < atBreak.size(); ++i)
        QCOMPARE(rows.row(i).label(), atBreak[i]);
    QCOMPARE(session.control<QTableView>("1001")->model()->rowCount(), static_cast<int>(rows.size()));
    QVERIFY(dialog.isVisible());
    QVERIFY(session.control<QPushButton>("1008")->isEnabled());
}

VEDRA_UI_TEST_MAIN(DiskSearchTest)
#include "DiskSearchTest.moc"
