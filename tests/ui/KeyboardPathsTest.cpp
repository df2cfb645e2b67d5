// The main window without the mouse: the result list followed by the arrow and
// page keys once they rest, Enter opening a row, Ctrl+F and F3 to the words box,
// Escape closing the pop-up and tool windows before it asks to quit, a click
// outside closing the pop-up, the tab order, and the screen reader's texts.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/utilities/Launching.h"
#include "ui/AccessibleTexts.h"
#include "ui/CGrafica.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"
#include "ui/CScelta.h"
#include "ui/CTastoDestro.h"
#include "ui/KeyboardPaths.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include <map>

using vedra::app::MessageKey;
using vedra::uitest::Session;

namespace keyboardtest {

using vedra::uitest::record;
using vedra::uitest::recordedArguments;
using vedra::uitest::writeRecorder;

// An archive of `count` documents, "casa" in the even ones, indexed from a
// folder inside the session's own.
bool indexNumbered(Session& session, int count)
{
    const QString folder = QString::fromStdString(session.folder());
    if (!session.prepareWithArchive("casa mare common filler sole", "keys"))
        return false;
    const QString corpus = folder + "/corpus";
    QDir().mkpath(corpus);
    for (int i = 0; i < count; ++i) {
        QByteArray text = "common filler text " + QByteArray::number(i) + "\n";
        if (i % 2 == 0)
            text += "la casa al mare\n";
        if (!vedra::uitest::writeAll(corpus + QStringLiteral("/doc%1.txt").arg(i, 3, 10, QChar(u'0')), text))
            return false;
    }
    const auto result = vedra::indexing::IndexFolder(session.workspace, corpus.toStdString(),
                                                     vedra::indexing::IndexCommand::Normal, {});
    return result.status == vedra::indexing::IndexStatus::Done && result.totalDocuments == std::size_t(count);
}

QString pathAt(QTableView* list, int row)
{
    return list->model()->index(row, 0).data().toString();
}

// The preview shows row `row`'s extract and no other row's.
bool previewShowsOnly(QTableView* list, QTextEdit* preview, int row)
{
    const QString text = preview->toPlainText();
    for (int other = 0; other < list->model()->rowCount(); ++other) {
        if (text.contains(pathAt(list, other)) != (other == row))
            return false;
    }
    return true;
}

void clickRow(QTableView* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
}

// Where Tab goes from `from`: the next control of the focus chain that takes Tab
// (on a page not shown, as it goes once the page is).
QWidget* nextForTab(QWidget* from)
{
    for (QWidget* next = from->nextInFocusChain(); next != nullptr && next != from; next = next->nextInFocusChain()) {
        if ((next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !next->isHidden() &&
            next->isEnabled() && next->focusProxy() == nullptr)
            return next;
    }
    return nullptr;
}

QStringList tabChain(QWidget* from, int steps)
{
    QStringList names{from->objectName()};
    for (QWidget* at = from; steps-- > 0 && (at = nextForTab(at)) != nullptr;)
        names << at->objectName();
    return names;
}

std::string confirmQuitText(Session& session)
{
    return vedra::app::displayUtf8(std::string(session.workspace.messages().text(MessageKey::MsgConfirmQuit)));
}

} // namespace keyboardtest

using namespace keyboardtest;

class KeyboardPathsTest : public QObject {
    Q_OBJECT

private slots:
    void arrowAndPageKeysPreviewTheRowWhereTheyRest();
    void aHeldKeyPreviewsOnlyTheRowItStopsOn();
    void enterOpensTheCurrentRowAsADoubleClick();
    void ctrlFAndF3PutTheFocusInTheWordsBox();
    void escapeClosesThePopupBeforeAskingToQuit();
    void escapeClosesTheImageWindowAndItHasACloseButton();
    void aClickOutsideClosesThePopupButItsProgramBoxWorks();
    void tabFollowsTheControlsInOrder();
    void screenReaderTextsFollowTheLanguage();
};

void KeyboardPathsTest::arrowAndPageKeysPreviewTheRowWhereTheyRest()
{
    Session session;
    QVERIFY(indexNumbered(session, 8));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 4);

    clickRow(list, 0);
    QVERIFY2(previewShowsOnly(list, preview, 0), qPrintable(preview->toPlainText()));
    QTest::keyClick(list, Qt::Key_Down);
    // Not at once: the keys may go on.
    QTest::qWait(vedra::ui::ListKeyboard::kPauseMilliseconds / 3);
    QVERIFY(previewShowsOnly(list, preview, 0));
    QTRY_VERIFY2(previewShowsOnly(list, preview, 1), qPrintable(preview->toPlainText()));
    QVERIFY(list->selectionModel()->isRowSelected(1, {}));
    QCOMPARE(dialog.session().results().selectedRows(), std::vector<std::size_t>{1});

    QTest::keyClick(list, Qt::Key_End);
    QTRY_VERIFY(previewShowsOnly(list, preview, 3));
    QTest::keyClick(list, Qt::Key_Home);
    QTRY_VERIFY(previewShowsOnly(list, preview, 0));
    QTest::keyClick(list, Qt::Key_PageDown);
    QTRY_VERIFY(previewShowsOnly(list, preview, 3));
    QTest::keyClick(list, Qt::Key_Up);
    QTRY_VERIFY(previewShowsOnly(list, preview, 2));
    QTest::keyClick(list, Qt::Key_PageUp);
    QTRY_VERIFY(previewShowsOnly(list, preview, 0));

    // A click while a move waits shows the clicked row, and the move is dropped.
    QTest::keyClick(list, Qt::Key_Down);
    clickRow(list, 3);
    QVERIFY(previewShowsOnly(list, preview, 3));
    QTest::qWait(2 * vedra::ui::ListKeyboard::kPauseMilliseconds);
    QVERIFY(previewShowsOnly(list, preview, 3));
}

void KeyboardPathsTest::aHeldKeyPreviewsOnlyTheRowItStopsOn()
{
    Session session;
    QVERIFY(indexNumbered(session, 24));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 12);
    clickRow(list, 0);
    QVERIFY(previewShowsOnly(list, preview, 0));

    // A key repeating every 40 ms: no row it passes is previewed. (A press that
    // came later than the pause after the one before, on a busy machine, is not
    // looked at.)
    QElapsedTimer sincePress;
    sincePress.start();
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(list, Qt::Key_Down, Qt::NoModifier, 40);
        if (sincePress.restart() < vedra::ui::ListKeyboard::kPauseMilliseconds)
            QVERIFY2(previewShowsOnly(list, preview, 0), qPrintable(QStringLiteral("press %1").arg(i + 1)));
    }
    QTRY_VERIFY2(previewShowsOnly(list, preview, 7), qPrintable(preview->toPlainText()));
    // Nothing drawn after it: a mark put in the preview stays.
    const QString mark = QStringLiteral("-- still the same drawing --");
    preview->append(mark);
    QTest::qWait(3 * vedra::ui::ListKeyboard::kPauseMilliseconds);
    QVERIFY(preview->toPlainText().endsWith(mark));

    // Down and back Up again before the pause ends: the row shown stays, not drawn again.
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    QTest::qWait(3 * vedra::ui::ListKeyboard::kPauseMilliseconds);
    QVERIFY(preview->toPlainText().endsWith(mark));
    QVERIFY(previewShowsOnly(list, preview, 7));
}

void KeyboardPathsTest::enterOpensTheCurrentRowAsADoubleClick()
{
    Session session;
    QVERIFY(indexNumbered(session, 6));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    const QString recorder = writeRecorder(QString::fromStdString(session.folder()) + "/tools/reader");
    QVERIFY(vedra::uitest::writeAll(QString::fromStdString(vedra::utilities::ProgramAssociationsPath(session.workspace)),
                                    record("reader=.txt\r\n")));
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 3);
    clickRow(list, 0);

    // Enter right after a move: the row reached is shown and opened, not the one before.
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(previewShowsOnly(list, preview, 1));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    QCOMPARE(recordedArguments(recorder), (QStringList{recorder, pathAt(list, 1)}));

    QVERIFY(QFile::remove(recorder + ".argv"));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::qWait(2 * vedra::ui::ListKeyboard::kPauseMilliseconds);
    QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recorder + ".argv"), 5000);
    QCOMPARE(recordedArguments(recorder), (QStringList{recorder, pathAt(list, 2)}));
    // Enter asks nothing of the window: it stays, no question was put.
    QVERIFY(dialog.isVisible());
    QCOMPARE(session.countAsked(confirmQuitText(session)), 0);
}

void KeyboardPathsTest::ctrlFAndF3PutTheFocusInTheWordsBox()
{
    Session session;
    QVERIFY(indexNumbered(session, 4));
    auto& dialog = session.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* list = session.control<QTableView>("1001");
    auto* words = dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1800"));
    vedra::uitest::searchFor(dialog, QStringLiteral("casa mare"));
    QTRY_VERIFY(dialog.propertySheet()->isVisible());

    // From the list, the sheet on another page.
    dialog.propertySheet()->tabs()->setCurrentIndex(1);
    dialog.activateWindow();
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(words->hasFocus());
    QCOMPARE(dialog.propertySheet()->tabs()->currentWidget(), dialog.searchPage());
    QCOMPARE(words->selectedText(), QStringLiteral("casa mare"));

    // From the preview with the sheet hidden: F3 shows it again.
    dialog.propertySheet()->hide();
    words->deselect();
    dialog.activateWindow();
    session.control<QTextEdit>("1002")->setFocus();
    QTRY_VERIFY(QApplication::focusWidget() == session.control<QTextEdit>("1002"));
    QTest::keyClick(session.control<QTextEdit>("1002"), Qt::Key_F3);
    QVERIFY(dialog.propertySheet()->isVisible());
    QTRY_VERIFY(words->hasFocus());
    QCOMPARE(words->selectedText(), QStringLiteral("casa mare"));
    // F, F3 with Shift and the like are left to the controls.
    QTest::keyClick(words, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(words->text(), QStringLiteral("casa mare"));

    // A message box waiting for an answer keeps the keys.
    words->deselect();
    QMessageBox question(QMessageBox::Question, QStringLiteral("Vedra"), QStringLiteral("?"),
                         QMessageBox::Ok | QMessageBox::Cancel, &dialog);
    question.setWindowModality(Qt::ApplicationModal);
    question.show();
    QTRY_COMPARE(QApplication::activeModalWidget(), &question);
    QTest::keyClick(&question, Qt::Key_F3);
    QVERIFY(words->selectedText().isEmpty());
    QVERIFY(question.isVisible());
}

void KeyboardPathsTest::escapeClosesThePopupBeforeAskingToQuit()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    const std::string quit = confirmQuitText(session);
    session.answers.push_back(vedra::app::MessageAnswer::Cancel);
    session.answers.push_back(vedra::app::MessageAnswer::Cancel);
    // The sheet that comes up at start closes a pop-up as it shows.
    QTRY_VERIFY(dialog.propertySheet()->isVisible());

    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, list->mapToGlobal(QPoint(20, 20)), list);
    auto* popup = dialog.popupWindow();
    QVERIFY(popup != nullptr && popup->isVisible());
    // The pop-up stays with the window: a tool window of it.
    QVERIFY(popup->windowFlags().testFlag(Qt::Tool));
    QCOMPARE(popup->parentWidget(), &dialog);
    QVERIFY(popup->windowHandle() != nullptr);
    QCOMPARE(popup->windowHandle()->transientParent(), dialog.windowHandle());

    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!popup->isVisible());
    QCOMPARE(session.countAsked(quit), 0);
    QVERIFY(dialog.isVisible());
    // With nothing open, Escape asks again.
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(session.countAsked(quit), 1);

    // The words' pop-up, with the focus on the sheet: the pop-up goes, the sheet stays.
    auto* words = dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1800"));
    dialog.showPopupMenu(vedra::utilities::PopupContext::SearchWords, words->mapToGlobal(QPoint()), words);
    QVERIFY(popup->isVisible());
    QTest::keyClick(words, Qt::Key_Escape);
    QVERIFY(!popup->isVisible());
    QVERIFY(dialog.propertySheet()->isVisible());
    // Escape inside the pop-up itself, and its close button.
    dialog.showPopupMenu(vedra::utilities::PopupContext::Preview, list->mapToGlobal(QPoint(5, 5)), list);
    QTest::keyClick(popup->findChild<QListWidget*>(QStringLiteral("1532")), Qt::Key_Escape);
    QVERIFY(!popup->isVisible());
    dialog.showPopupMenu(vedra::utilities::PopupContext::Preview, list->mapToGlobal(QPoint(5, 5)), list);
    auto* close = popup->findChild<QToolButton*>(QStringLiteral("closeButton"));
    QVERIFY(close != nullptr && close->isVisible());
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!popup->isVisible());
    QCOMPARE(session.countAsked(quit), 1);

    // A menu of Qt's own is closed first too.
    QMenu menu(&dialog);
    menu.addAction(QStringLiteral("entry"));
    menu.popup(list->mapToGlobal(QPoint(30, 30)));
    QTRY_VERIFY(menu.isVisible());
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!menu.isVisible());
    QCOMPARE(session.countAsked(quit), 1);
    QVERIFY(!dialog.closeTopmostPopup());
}

void KeyboardPathsTest::escapeClosesTheImageWindowAndItHasACloseButton()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    const std::string quit = confirmQuitText(session);
    session.answers.push_back(vedra::app::MessageAnswer::Cancel);

    // Escape in the graph window.
    vedra::ui::CGrafica* graph = dialog.openImagePreview();
    graph->show();
    QVERIFY(QTest::qWaitForWindowExposed(graph));
    QTest::keyClick(graph->findChild<QLineEdit*>(QStringLiteral("1056")), Qt::Key_Escape);
    QTRY_VERIFY(dialog.imagePreview() == nullptr);
    QCOMPARE(session.countAsked(quit), 0);

    // Escape in the main window while it is open closes it, not the program.
    graph = dialog.openImagePreview();
    graph->show();
    QTest::keyClick(session.control<QTableView>("1001"), Qt::Key_Escape);
    QTRY_VERIFY(dialog.imagePreview() == nullptr);
    QCOMPARE(session.countAsked(quit), 0);

    // Its close button, named for a screen reader in the window's language.
    graph = dialog.openImagePreview();
    graph->show();
    auto* close = graph->findChild<QToolButton*>(QStringLiteral("closeButton"));
    QVERIFY(close != nullptr && close->isVisible());
    QCOMPARE(close->accessibleName(), QStringLiteral("Close"));
    QCOMPARE(close->toolTip(), QStringLiteral("Close"));
    QTest::mouseClick(close, Qt::LeftButton);
    QTRY_VERIFY(dialog.imagePreview() == nullptr);

    // The information window: Escape from the main window closes it too.
    vedra::ui::CScelta* information = dialog.information();
    information->show();
    QTest::keyClick(session.control<QTableView>("1001"), Qt::Key_Escape);
    QTRY_VERIFY(dialog.informationWindow() == nullptr);
    QCOMPARE(session.countAsked(quit), 0);
    QTest::keyClick(session.control<QTableView>("1001"), Qt::Key_Escape);
    QCOMPARE(session.countAsked(quit), 1);
}

void KeyboardPathsTest::aClickOutsideClosesThePopupButItsProgramBoxWorks()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    // The sheet that comes up at start closes a pop-up as it shows.
    QTRY_VERIFY(dialog.propertySheet()->isVisible());

    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, list->mapToGlobal(QPoint(20, 20)), list);
    auto* popup = dialog.popupWindow();
    QVERIFY(popup->isVisible());
    // Inside it, its program box opens its list and a program is chosen: it stays.
    auto* programs = popup->findChild<QComboBox*>(QStringLiteral("1114"));
    QVERIFY(programs->isVisible());
    programs->addItem(QStringLiteral("first"));
    programs->addItem(QStringLiteral("second"));
    QTest::mouseClick(programs, Qt::LeftButton);
    QTRY_VERIFY(programs->view()->isVisible());
    // The list ignores a release that comes as fast as the opening click's own.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QAbstractItemView* choices = programs->view();
    const QModelIndex second = programs->model()->index(programs->findText(QStringLiteral("second")), 0);
    QTest::mouseMove(choices->viewport(), choices->visualRect(second).center());
    QTest::mouseClick(choices->viewport(), Qt::LeftButton, {}, choices->visualRect(second).center());
    QTRY_VERIFY(!programs->view()->isVisible());
    QCOMPARE(programs->currentText(), QStringLiteral("second"));
    QVERIFY(popup->isVisible());
    QTest::mouseClick(popup->findChild<QListWidget*>(QStringLiteral("1532"))->viewport(), Qt::LeftButton, {},
                      QPoint(5, 200));
    QVERIFY(popup->isVisible());

    // A left click in the preview, a right one on the index list, one on the sheet.
    QTest::mouseClick(preview->viewport(), Qt::LeftButton);
    QVERIFY(!popup->isVisible());
    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, list->mapToGlobal(QPoint(20, 20)), list);
    QTest::mouseClick(session.control<QTreeWidget>("1831")->viewport(), Qt::RightButton);
    QVERIFY(!popup->isVisible());
    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, list->mapToGlobal(QPoint(20, 20)), list);
    QTest::mouseClick(dialog.searchPage()->findChild<QCheckBox*>(QStringLiteral("1771")), Qt::LeftButton);
    QVERIFY(!popup->isVisible());
    // The program going to the background (a click on another program's window).
    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, list->mapToGlobal(QPoint(20, 20)), list);
    QEvent away(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &away);
    QVERIFY(!popup->isVisible());
}

void KeyboardPathsTest::tabFollowsTheControlsInOrder()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTRY_VERIFY(dialog.propertySheet()->isVisible());

    QCOMPARE(tabChain(session.control<QTableView>("1001"), 3), (QStringList{"1001", "1002", "1831", "1704"}));
    auto* words = dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1800"));
    QCOMPARE(tabChain(words, 6), (QStringList{"1800", "1009", "1771", "1772", "1839", "1054", "1055"}));
    QWidget* notes = dialog.notePage()->findChild<QWidget*>(QStringLiteral("1475"));
    QCOMPARE(tabChain(notes, 3), (QStringList{"1475", "1678", "1499", "memorandumScope"}));
    QWidget* archive = dialog.propertySheet()->findChild<QWidget*>(QStringLiteral("archivePage"));
    QCOMPARE(tabChain(archive->findChild<QWidget*>(QStringLiteral("newArchive")), 2),
             (QStringList{"newArchive", "describeArchive", "indexFolder"}));

    // Tab itself: the preview hands the focus on instead of taking a tab character.
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* preview = session.control<QTextEdit>("1002");
    preview->setFocus();
    QTRY_VERIFY(preview->hasFocus());
    QTest::keyClick(preview, Qt::Key_Tab);
    QTRY_VERIFY(session.control<QTreeWidget>("1831")->hasFocus());
    QVERIFY(!preview->toPlainText().contains(u'\t'));
}

void KeyboardPathsTest::screenReaderTextsFollowTheLanguage()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* words = dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1800"));
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    auto* flag = session.control<QRadioButton>("1774");

    QCOMPARE(list->accessibleName(), QStringLiteral("Results"));
    QCOMPARE(preview->accessibleName(), QStringLiteral("Preview"));
    QCOMPARE(words->accessibleName(), QStringLiteral("Words to search for"));
    QCOMPARE(flag->accessibleName(), QStringLiteral("Spanish"));
    QVERIFY(list->accessibleDescription().contains(QStringLiteral("Enter")));
    // The main window's status line, not the utility page's notes of the same number.
    QCOMPARE(session.control<QWidget>("1475")->parentWidget(), &dialog);
    QCOMPARE(dialog.findChild<QWidget*>(QStringLiteral("1475"), Qt::FindDirectChildrenOnly)->accessibleName(),
             QStringLiteral("Status"));
    QCOMPARE(dialog.notePage()->findChild<QWidget*>(QStringLiteral("1475"))->accessibleName(), QStringLiteral("Notes"));

    QTest::mouseClick(flag, Qt::LeftButton);
    QCOMPARE(list->accessibleName(), QStringLiteral("Resultados"));
    QCOMPARE(words->accessibleName(), QStringLiteral("Palabras a buscar"));
    QCOMPARE(flag->accessibleName(), QStringLiteral("Español"));
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    QCOMPARE(preview->accessibleName(), QStringLiteral("Anteprima"));
    QCOMPARE(session.control<QRadioButton>("1669")->accessibleName(), QStringLiteral("Inglese"));

    // Windows made later are named as they are made, in the language of the moment.
    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, list->mapToGlobal(QPoint()), list);
    QCOMPARE(dialog.popupWindow()->findChild<QWidget*>(QStringLiteral("1532"))->accessibleName(),
             QStringLiteral("Voci del menu"));
    dialog.openImagePreview();
    dialog.information();
    // Every row of the table names a control that exists, once all windows do:
    // a control renamed in its window would lose its texts unseen.
    QCOMPARE(vedra::ui::ApplyAccessibleTexts(&dialog, 1), int(vedra::ui::AccessibleTextCount()));
    for (std::size_t i = 0; i < vedra::ui::AccessibleTextCount(); ++i) {
        const vedra::ui::AccessibleText& row = vedra::ui::AccessibleTextAt(i);
        for (int language = 0; language < 3; ++language)
            QVERIFY2(!row.name[language].empty() && !row.description[language].empty(), row.control.data());
    }
}

VEDRA_UI_TEST_MAIN(KeyboardPathsTest)
#include "KeyboardPathsTest.moc"
