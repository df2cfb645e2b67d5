// The folder trees of the main window over a temporary folder (the test's only
// drive root): expanding reads the disk, collapsing forgets it, a chosen folder or
// file fills the search page; the browser list fed from the tree and edited in the
// preview; an archive opened from the utility page brings the search page forward.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/search/PreviewSession.h"
#include "core/utilities/PopupMenu.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"
#include "ui/FolderTrees.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using vedra::uitest::Session;
using vedra::utilities::PopupAction;
using vedra::utilities::PopupContext;

namespace {

QStringList childTexts(const QTreeWidgetItem* item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

QTreeWidgetItem* child(QTreeWidgetItem* item, const QString& text)
{
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == text)
            return item->child(i);
    return nullptr;
}

void act(vedra::ui::CScovaroDlg& dialog, PopupAction action, PopupContext context)
{
    vedra::utilities::PopupOutcome outcome;
    outcome.action = action;
    outcome.handled = true;
    dialog.performPopupAction(outcome, context);
}

// A file of the session's folder, its folders made first.
bool writeIn(const Session& session, const QString& name, const QByteArray& bytes)
{
    return QDir().mkpath(QFileInfo(session.file(name)).path()) && vedra::uitest::writeAll(session.file(name), bytes);
}

// The session prepared with archives of these names (the last one current), so
// that the browser list and the archive lists have their places.
bool prepareWithArchives(Session& session, std::initializer_list<const char*> names)
{
    if (!writeIn(session, QStringLiteral("Lemmi/Radici/RadiciParole.txt"), "casa mare") || !session.prepare())
        return false;
    for (const char* name : names) {
        vedra::indexing::NewArchive request;
        request.name = name;
        if (vedra::indexing::CreateArchive(session.workspace, request).number <= 0)
            return false;
    }
    return true;
}

QString lineText(Session& session, const char* id)
{
    return session.dialog->searchPage()->findChild<QLineEdit*>(QString::fromLatin1(id))->text();
}

} // namespace

class FolderTreesTest : public QObject {
    Q_OBJECT

private slots:
    void theDriveTreeExpandsAndReadsTheDiskAgainAfterCollapsing();
    void choosingAFolderOrAFileFillsTheSearchPage();
    void theTreesGoWhenTheSearchPageIsLeftOrASearchStarts();
    void theFoldersTreeGivesTheDirectoriesBoxAFolder();
    void aProgramPickedInTheTreeJoinsTheBrowserListWhichIsEditedInThePreview();
    void anArchiveOpenedOnTheUtilityPageBringsTheSearchPageForward();
};

void FolderTreesTest::theDriveTreeExpandsAndReadsTheDiskAgainAfterCollapsing()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QVERIFY(QDir(session.file(QString())).mkpath(QStringLiteral("docs/vecchia")));
    QVERIFY(QDir(session.file(QString())).mkpath(QStringLiteral("docs/.nascosta")));
    QVERIFY(writeIn(session, QStringLiteral("docs/a.txt"), "prima"));

    auto* tree = session.control<QTreeWidget>("1646");
    auto* preview = session.control<QTextEdit>("1002");
    QVERIFY(!tree->isVisible());
    QVERIFY(!session.control<QTreeWidget>("1647")->isVisible());
    QCOMPARE(tree->palette().color(QPalette::Base), QColor(0, 64, 128));
    QCOMPARE(tree->palette().color(QPalette::Text), QColor(255, 255, 255));

    act(dialog, PopupAction::AddToBrowserList, PopupContext::UtilityPage);
    QVERIFY(tree->isVisible());
    QVERIFY(!preview->isVisible());
    QVERIFY(!preview->isEnabled());
    QCOMPARE(dialog.focusWidget(), tree);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), QString::fromStdString(session.folder()) + "/");
    QTreeWidgetItem* docs = child(root, QStringLiteral("docs/"));
    QVERIFY2(docs != nullptr, qPrintable(childTexts(root).join(u',')));
    QCOMPARE(docs->childCount(), 0);

    tree->expandItem(docs);
    QCOMPARE(childTexts(docs), QStringList({QStringLiteral("a.txt"), QStringLiteral("vecchia/")}));
    tree->collapseItem(docs);
    QCOMPARE(docs->childCount(), 0);
    QVERIFY(writeIn(session, QStringLiteral("docs/B.txt"), "dopo"));
    QVERIFY(QDir(session.file(QStringLiteral("docs/vecchia"))).removeRecursively());
    tree->expandItem(docs);
    QCOMPARE(childTexts(docs), QStringList({QStringLiteral("a.txt"), QStringLiteral("B.txt")}));

    // Shown again, the tree keeps its items and adds no second root.
    dialog.ShowDriveTree();
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(docs->childCount(), 2);
}

void FolderTreesTest::choosingAFolderOrAFileFillsTheSearchPage()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QVERIFY(writeIn(session, QStringLiteral("docs/lettera.txt"), "Cara Ada,\nti scrivo.\n"));
    auto* tree = session.control<QTreeWidget>("1646");
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    dialog.propertySheet()->tabs()->setCurrentWidget(dialog.searchPage());
    dialog.ShowDriveTree();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QTreeWidgetItem* docs = child(root, QStringLiteral("docs/"));
    QVERIFY(docs != nullptr);
    const QString docsPath = session.file(QStringLiteral("docs/"));

    tree->setCurrentItem(docs);
    QCOMPARE(lineText(session, "1055"), docsPath);
    QCOMPARE(session.control<QLabel>("1475")->text(), docsPath);
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 0).data().toString(), docsPath);
    QCOMPARE(list->model()->index(0, 3).data().toString(), QString());
    // A chosen folder is filled.
    QCOMPARE(childTexts(docs), QStringList({QStringLiteral("lettera.txt")}));
    QVERIFY(tree->isVisible());

    tree->setCurrentItem(root);
    QCOMPARE(list->model()->rowCount(), 2);
    tree->setCurrentItem(docs);
    QCOMPARE(list->model()->rowCount(), 2);  // not a third row: the label is listed
    QCOMPARE(lineText(session, "1055"), docsPath);

    tree->setCurrentItem(child(docs, QStringLiteral("lettera.txt")));
    QCOMPARE(lineText(session, "1054"), QStringLiteral("lettera.txt"));
    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(list->model()->index(2, 0).data().toString(), docsPath + "lettera.txt");
    QVERIFY(!list->model()->index(2, 2).data().toString().isEmpty());
    QCOMPARE(preview->toPlainText(), QStringLiteral("Cara Ada,\nti scrivo.\n"));
    // The preview shown is the end of the tree.
    QVERIFY(preview->isVisible());
    QVERIFY(preview->isEnabled());
    QVERIFY(!tree->isVisible());
    QCOMPARE(dialog.folderTrees()->chosenFilesTreePath(), (docsPath + "lettera.txt").toStdString());
}

void FolderTreesTest::theTreesGoWhenTheSearchPageIsLeftOrASearchStarts()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* tree = session.control<QTreeWidget>("1646");
    auto* preview = session.control<QTextEdit>("1002");
    auto* list = session.control<QTableView>("1001");
    QTabWidget* tabs = dialog.propertySheet()->tabs();
    tabs->setCurrentWidget(dialog.searchPage());
    dialog.ShowDriveTree();
    QVERIFY(tree->isVisible());
    tabs->setCurrentWidget(dialog.notePage());
    QVERIFY(!tree->isVisible());
    QVERIFY(preview->isVisible() && preview->isEnabled());

    // Away from the search page a choice only keeps the path: no row, no boxes.
    dialog.ShowDriveTree();
    tree->setCurrentItem(tree->topLevelItem(0));
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(lineText(session, "1055"), QString());
    QCOMPARE(dialog.folderTrees()->chosenFilesTreePath(), session.folder() + "/");
    QVERIFY(tree->isVisible());

    dialog.StartSearch("qualcosa");
    QVERIFY(!tree->isVisible());
    QVERIFY(preview->isVisible());
}

void FolderTreesTest::theFoldersTreeGivesTheDirectoriesBoxAFolder()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QVERIFY(writeIn(session, QStringLiteral("foto/estate/mare.jpg"), "jpg"));
    auto* folders = session.control<QTreeWidget>("1647");
    auto* files = session.control<QTreeWidget>("1646");
    auto* directories = dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1055"));
    dialog.propertySheet()->tabs()->setCurrentWidget(dialog.searchPage());

    QTest::mouseDClick(directories, Qt::LeftButton);
    QVERIFY(folders->isVisible());
    QVERIFY(!files->isVisible());
    QTreeWidgetItem* foto = child(folders->topLevelItem(0), QStringLiteral("foto/"));
    QVERIFY(foto != nullptr);
    folders->setCurrentItem(foto);
    QCOMPARE(directories->text(), session.file(QStringLiteral("foto/")));
    QCOMPARE(childTexts(foto), QStringList({QStringLiteral("estate/")}));
    QTreeWidgetItem* estate = foto->child(0);
    folders->expandItem(estate);
    QCOMPARE(estate->childCount(), 0);  // no files in the folders tree
    QCOMPARE(dialog.folderTrees()->chosenFoldersTreePath(), session.folder() + "/foto/");
    QCOMPARE(dialog.session().results().size(), std::size_t{0});
}

void FolderTreesTest::aProgramPickedInTheTreeJoinsTheBrowserListWhichIsEditedInThePreview()
{
    Session session;
    QVERIFY(prepareWithArchives(session, {"browser"}));
    auto& dialog = session.open();
    QVERIFY(!session.workspace.browserListPath.empty());
    const QString program = session.file(QStringLiteral("programmi/Navigatore"));
    QVERIFY(writeIn(session, QStringLiteral("programmi/Navigatore"), "#!/bin/sh\nexit 0\n"));
    QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QVERIFY(writeIn(session, QStringLiteral("programmi/leggimi.txt"), "testo"));
    const QString listPath = QString::fromStdString(session.workspace.browserListPath);
    QTRY_VERIFY(dialog.propertySheet()->isVisible());
    dialog.propertySheet()->tabs()->setCurrentWidget(dialog.notePage());
    auto* browsers = dialog.notePage()->findChild<QComboBox*>(QStringLiteral("1796"));
    QCOMPARE(browsers->count(), 4);

    act(dialog, PopupAction::AddToBrowserList, PopupContext::UtilityPage);
    auto* tree = session.control<QTreeWidget>("1646");
    QTreeWidgetItem* folder = child(tree->topLevelItem(0), QStringLiteral("programmi/"));
    QVERIFY(folder != nullptr);
    tree->expandItem(folder);
    QTreeWidgetItem* text = child(folder, QStringLiteral("leggimi.txt"));
    QTreeWidgetItem* navigator = child(folder, QStringLiteral("Navigatore"));
    QVERIFY(text != nullptr && navigator != nullptr);

    // Enter on an item activates it as a double click does; a text is no program.
    tree->setCurrentItem(text);
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(browsers->count(), 4);
    tree->setCurrentItem(navigator);
    QTest::keyClick(tree, Qt::Key_Return);
    QByteArray list = vedra::uitest::readAll(listPath);
    QCOMPARE(list.mid(512), QByteArray("xdg-open\r\nfirefox\r\nchromium\r\ngoogle-chrome\r\nnavigatore\r\n"));
    QCOMPARE(browsers->count(), 5);
    QVERIFY(browsers->findText(QStringLiteral("navigatore")) >= 0);
    QVERIFY(tree->isVisible());

    // "Update the browser list": the entries in the preview, edited and saved.
    const QByteArray head = list.left(512);
    act(dialog, PopupAction::UpdateBrowserList, PopupContext::UtilityPage);
    auto* preview = session.control<QTextEdit>("1002");
    QVERIFY(preview->isVisible() && preview->isEnabled());
    QVERIFY(!tree->isVisible());
    QCOMPARE(preview->toPlainText(), QStringLiteral("xdg-open\nfirefox\nchromium\ngoogle-chrome\nnavigatore\n"));
    QCOMPARE(session.control<QLabel>("1475")->text().toStdString(),
             vedra::search::StatusLineText(session.workspace.browserListPath).substr(
                 0, vedra::search::StatusLineText(session.workspace.browserListPath).find_last_not_of(' ') + 1));
    preview->setPlainText(QStringLiteral("firefox\nnavigatore\nlynx"));
    session.asked.clear();
    act(dialog, PopupAction::Save, PopupContext::Preview);
    QCOMPARE(session.asked.size(), std::size_t{2});  // overwrite? then saved as
    list = vedra::uitest::readAll(listPath);
    QCOMPARE(list.left(512), head);
    QCOMPARE(list.mid(512), QByteArray("firefox\r\nnavigatore\r\nlynx\r\n"));
}

void FolderTreesTest::anArchiveOpenedOnTheUtilityPageBringsTheSearchPageForward()
{
    Session session;
    QVERIFY(prepareWithArchives(session, {"primo", "secondo"}));
    auto& dialog = session.open();
    QTRY_VERIFY(dialog.propertySheet()->isVisible());
    QTabWidget* tabs = dialog.propertySheet()->tabs();
    tabs->setCurrentWidget(dialog.notePage());
    auto* archives = dialog.notePage()->findChild<QComboBox*>(QStringLiteral("1835"));
    const int first = archives->findText(QStringLiteral("C_PRIMO_1"));
    QVERIFY2(first >= 0, qPrintable(QString::number(archives->count())));
    emit archives->activated(first);
    QCOMPARE(session.workspace.currentArchiveName(), std::string("C_PRIMO_1"));
    QCOMPARE(tabs->currentWidget(), static_cast<QWidget*>(dialog.searchPage()));
    QVERIFY(dialog.propertySheet()->isVisible());
}

VEDRA_UI_TEST_MAIN(FolderTreesTest)
#include "FolderTreesTest.moc"
