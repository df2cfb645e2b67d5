// The main window as the engine's host: start-up state, flag buttons and the
// language file, Escape, closing, Break, and the drain that long operations use.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/app/MessageTable.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QFileInfo>
#include <QTest>

namespace app = vedra::app;
using vedra::app::CatalogueState;
using vedra::app::MessageAnswer;
using vedra::app::MessageButtons;
using vedra::app::MessageKey;
using vedra::app::MessageTable;
using vedra::uitest::Session;

namespace {

std::string text(int language, MessageKey key)
{
    return std::string(MessageTable(language).text(key));
}

void postEscape(QObject* receiver)
{
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
}

} // namespace

class CScovaroDlgTest : public QObject {
    Q_OBJECT

private slots:
    void freshFolderChecksEnglishWithEmptyTitle();
    void savedItalianIsCheckedAtStart();
    void languageOutOfRangeChecksNoButtonAndSavesEnglish();
    void italianButtonSwitchesTextsAndIsSavedOnClose();
    void spanishButtonIsSavedOnClose();
    void englishButtonKeepsEnglishReadingWord();
    void escapeAnsweredCancelKeepsWindowOpen();
    void escapeAnsweredOkClosesAndSaves();
    void escapeOnResultListAsksToQuit();
    void closingWhileBusyOnlyRequestsBreak();
    void shutdownSaveRunsOnce();
    void languageFileWriteFailureIsSilent();
    void escapeDuringPumpAsksToSuspend();
    void escapeToChildDuringPumpIsCaught();
    void pumpWithoutEscapeAsksNothing();
    void suspendDeclinedLeavesBreakCode();
    void breakButtonRequestsBreak();
    void catalogueGivesTitleAndFileCounts();
    void hostCallsShowInTheWindow();
    void cp1252TextsAreDecoded();
};

void CScovaroDlgTest::freshFolderChecksEnglishWithEmptyTitle()
{
    Session session;
    QVERIFY(session.prepare());
    QCOMPARE(session.workspace.OpenCatalogueAtStart(), CatalogueState::Missing);
    auto& dialog = session.create();
    dialog.setWindowTitle(QStringLiteral("stale"));
    dialog.initialise();
    dialog.show();
    QVERIFY(session.control<QRadioButton>("1669")->isChecked());
    QVERIFY(!session.control<QRadioButton>("1670")->isChecked());
    QVERIFY(!session.control<QRadioButton>("1774")->isChecked());
    QCOMPARE(dialog.checkedLanguage(), 1);
    QCOMPARE(session.workspace.LanguageIndex, 1);
    QVERIFY(dialog.isVisible());
    QVERIFY(session.asked.empty());
    // Without an archive the start leaves no title at all.
    QCOMPARE(dialog.windowTitle(), QString());
    QVERIFY(session.control<QTableView>("1001") != nullptr);
    QVERIFY(session.control<QWidget>("1002") != nullptr);
    QVERIFY(session.control<QPushButton>("1704")->isVisible());
}

void CScovaroDlgTest::savedItalianIsCheckedAtStart()
{
    Session session;
    QVERIFY(vedra::uitest::writeAll(session.file("LinguaVedra.vedra"), "italianoinglese "));
    QVERIFY(session.prepare());
    session.open();
    QVERIFY(session.control<QRadioButton>("1670")->isChecked());
    QVERIFY(!session.control<QRadioButton>("1669")->isChecked());
    QCOMPARE(session.dialog->checkedLanguage(), 0);
    QCOMPARE(std::string(session.workspace.messages().text(MessageKey::MsgConfirmQuit)), "Sei sicuro di voler uscire?");
}

void CScovaroDlgTest::languageOutOfRangeChecksNoButtonAndSavesEnglish()
{
    Session session;
    QVERIFY(vedra::uitest::writeAll(session.file("LinguaVedra.vedra"), "spagnoloinglese "));
    QVERIFY(session.prepare());
    session.workspace.LanguageIndex = 7;
    auto& dialog = session.open();
    QVERIFY(!session.control<QRadioButton>("1669")->isChecked());
    QVERIFY(!session.control<QRadioButton>("1670")->isChecked());
    QVERIFY(!session.control<QRadioButton>("1774")->isChecked());
    QCOMPARE(dialog.checkedLanguage(), -1);
    QVERIFY(dialog.close());
    QCOMPARE(session.languageFile(), QByteArray("inglese inglese "));
}

void CScovaroDlgTest::italianButtonSwitchesTextsAndIsSavedOnClose()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QCOMPARE(session.languageFile(), QByteArray("inglese inglese "));
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    QCOMPARE(session.workspace.LanguageIndex, 0);
    QVERIFY(session.control<QRadioButton>("1670")->isChecked());
    QVERIFY(!session.control<QRadioButton>("1669")->isChecked());
    QCOMPARE(std::string(session.workspace.messages().text(MessageKey::MsgConfirmQuit)), "Sei sicuro di voler uscire?");
    QCOMPARE(std::string(session.workspace.messages().text(MessageKey::MsgSuspendOperation)),
             "Vuoi SOSPENDERE l'operazione in corso?");
    // Choosing a language alone does not write the file; closing does.
    QCOMPARE(session.languageFile(), QByteArray("inglese inglese "));

    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QVERIFY(dialog.close());
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Closing);
    QByteArray saved = session.languageFile();
    QCOMPARE(saved.size(), 16);
    QCOMPARE(saved, QByteArray("italianoinglese "));
}

void CScovaroDlgTest::spanishButtonIsSavedOnClose()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTest::mouseClick(session.control<QRadioButton>("1774"), Qt::LeftButton);
    QCOMPARE(session.workspace.LanguageIndex, 2);
    QCOMPARE(std::string(session.workspace.messages().text(MessageKey::MsgConfirmQuit)),
             text(2, MessageKey::MsgConfirmQuit));
    QVERIFY(text(2, MessageKey::MsgConfirmQuit) != text(1, MessageKey::MsgConfirmQuit));
    QCOMPARE(dialog.checkedLanguage(), 2);
    dialog.reject();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(session.languageFile(), QByteArray("spagnoloinglese "));
}

void CScovaroDlgTest::englishButtonKeepsEnglishReadingWord()
{
    Session session;
    QVERIFY(vedra::uitest::writeAll(session.file("LinguaVedra.vedra"), "italianoitaliano"));
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTest::mouseClick(session.control<QRadioButton>("1669"), Qt::LeftButton);
    QCOMPARE(session.workspace.LanguageIndex, 1);
    QCOMPARE(std::string(session.workspace.messages().text(MessageKey::MsgConfirmQuit)),
             text(1, MessageKey::MsgConfirmQuit));
    QVERIFY(dialog.close());
    QCOMPARE(session.languageFile(), QByteArray("inglese italiano"));
}

void CScovaroDlgTest::escapeAnsweredCancelKeepsWindowOpen()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    session.answers.push_back(MessageAnswer::Cancel);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(session.asked.size(), std::size_t{1});
    QCOMPARE(session.asked[0].text, std::string("Sei sicuro di voler uscire?"));
    QCOMPARE(session.asked[0].buttons, MessageButtons::OkCancel);
    QVERIFY(dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::QuitDeclined);
    QCOMPARE(session.languageFile(), QByteArray("inglese inglese "));
}

void CScovaroDlgTest::escapeAnsweredOkClosesAndSaves()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTest::mouseClick(session.control<QRadioButton>("1774"), Qt::LeftButton);
    session.answers.push_back(MessageAnswer::Cancel);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());

    QSignalSpy finished(&dialog, &QDialog::finished);
    session.answers.push_back(MessageAnswer::Ok);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(session.asked.size(), std::size_t{2});
    QCOMPARE(session.asked[1].text, text(2, MessageKey::MsgConfirmQuit));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Closing);
    QCOMPARE(session.languageFile(), QByteArray("spagnoloinglese "));
}

void CScovaroDlgTest::escapeOnResultListAsksToQuit()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    list->setFocus();
    session.answers.push_back(MessageAnswer::Cancel);
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(session.countAsked(text(1, MessageKey::MsgConfirmQuit)), 1);
    QVERIFY(dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::QuitDeclined);
}

void CScovaroDlgTest::closingWhileBusyOnlyRequestsBreak()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    session.workspace.busy = true;
    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Break);
    session.workspace.BreakCode = app::StopCode::None;
    dialog.reject();
    QVERIFY(dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Break);
    QCOMPARE(session.languageFile(), QByteArray("inglese inglese "));

    // Once the operation has stopped, the user closes again.
    session.workspace.busy = false;
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Closing);
    QCOMPARE(session.languageFile(), QByteArray("italianoinglese "));
}

void CScovaroDlgTest::shutdownSaveRunsOnce()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    QVERIFY(dialog.close());
    QCOMPARE(session.languageFile(), QByteArray("italianoinglese "));

    // Anything after the first save must leave the file alone.
    QVERIFY(vedra::uitest::writeAll(session.file("LinguaVedra.vedra"), "marker.marker..."));
    session.workspace.BreakCode = app::StopCode::None;
    dialog.done(QDialog::Rejected);
    dialog.ShutdownSave();
    QCOMPARE(session.workspace.BreakCode, app::StopCode::None);
    session.dialog.reset();
    QCOMPARE(session.languageFile(), QByteArray("marker.marker..."));
}

void CScovaroDlgTest::languageFileWriteFailureIsSilent()
{
    Session session;
    // A folder in the file's place makes the rename over it fail.
    QVERIFY(QDir(session.file(QString())).mkdir(QStringLiteral("LinguaVedra.vedra")));
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QVERIFY(session.asked.empty());
    QVERIFY(dialog.close());
    // A lost language change is not worth a message: the next start reads the old file.
    QCOMPARE(session.countAsked(text(1, MessageKey::MsgWriteError)), 0);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Closing);
    QVERIFY(QFileInfo(session.file(QStringLiteral("LinguaVedra.vedra"))).isDir());
}

void CScovaroDlgTest::escapeDuringPumpAsksToSuspend()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QTest::mouseClick(session.control<QRadioButton>("1670"), Qt::LeftButton);
    session.workspace.BreakCode = app::StopCode::None;
    postEscape(&dialog);
    session.workspace.PumpPendingMessages(app::StopCode::Break);
    QCOMPARE(session.asked.size(), std::size_t{1});
    QCOMPARE(session.asked[0].text, std::string("Vuoi SOSPENDERE l'operazione in corso?"));
    QCOMPARE(session.asked[0].buttons, MessageButtons::OkCancel);
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Break);
    // The Escape was taken by the drain, not passed on as a request to quit.
    QVERIFY(dialog.isVisible());
    QCOMPARE(session.countAsked("Sei sicuro di voler uscire?"), 0);

    session.workspace.BreakCode = app::StopCode::None;
    postEscape(&dialog);
    session.workspace.PumpPendingMessages(app::StopCode::Suspend);
    QCOMPARE(session.asked.size(), std::size_t{2});
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Suspend);
}

void CScovaroDlgTest::escapeToChildDuringPumpIsCaught()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    postEscape(list);
    session.workspace.PumpPendingMessages(app::StopCode::Break);
    QCOMPARE(session.countAsked(text(1, MessageKey::MsgSuspendOperation)), 1);
    QCOMPARE(session.countAsked(text(1, MessageKey::MsgConfirmQuit)), 0);
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Break);
    QVERIFY(dialog.isVisible());

    // After the drain, Escape is the window's again.
    session.answers.push_back(MessageAnswer::Cancel);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(session.countAsked(text(1, MessageKey::MsgConfirmQuit)), 1);
    QCOMPARE(session.countAsked(text(1, MessageKey::MsgSuspendOperation)), 1);
}

void CScovaroDlgTest::pumpWithoutEscapeAsksNothing()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    QCoreApplication::postEvent(&dialog, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
    session.workspace.PumpPendingMessages(app::StopCode::Break);
    session.workspace.PumpPendingMessages(app::StopCode::Break);
    QVERIFY(session.asked.empty());
    QCOMPARE(session.workspace.BreakCode, app::StopCode::None);
}

void CScovaroDlgTest::suspendDeclinedLeavesBreakCode()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    session.answers.push_back(MessageAnswer::Cancel);
    postEscape(&dialog);
    session.workspace.PumpPendingMessages(app::StopCode::Break);
    QCOMPARE(session.countAsked(text(1, MessageKey::MsgSuspendOperation)), 1);
    QCOMPARE(session.workspace.BreakCode, app::StopCode::None);
    QVERIFY(dialog.isVisible());
    // The Escape was consumed by that drain: the next one reports nothing.
    session.workspace.PumpPendingMessages(app::StopCode::Break);
    QCOMPARE(session.asked.size(), std::size_t{1});
}

void CScovaroDlgTest::breakButtonRequestsBreak()
{
    Session session;
    QVERIFY(session.prepare());
    session.open();
    QApplication::clipboard()->setText(QStringLiteral("copied elsewhere"));
    QCOMPARE(session.workspace.BreakCode, app::StopCode::None);
    QTest::mouseClick(session.control<QPushButton>("1704"), Qt::LeftButton);
    QCOMPARE(session.workspace.BreakCode, app::StopCode::Break);
    QCOMPARE(session.control<QLabel>("1475")->text(), QStringLiteral("break..."));
    QCOMPARE(QApplication::clipboard()->text(), QString());
}

void CScovaroDlgTest::catalogueGivesTitleAndFileCounts()
{
    Session session;
    QVERIFY(vedra::uitest::makeCatalogue(session.file(QString()), "C_PROVA_1", 5, 7));
    QVERIFY(session.prepare());
    QCOMPARE(session.workspace.OpenCatalogueAtStart(), CatalogueState::ArchiveOpened);
    auto& dialog = session.open();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("VedraReader - C_PROVA"));
    // Reported before the window existed, shown once it does.
    QCOMPARE(session.control<QLabel>("1475")->text(), QStringLiteral("files: 5 / 7"));
    QVERIFY(session.control<QRadioButton>("1669")->isChecked());
}

void CScovaroDlgTest::hostCallsShowInTheWindow()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    vedra::app::Host& host = session.workspace.host();

    host.setTitle("VedraReader - DOCS");
    QCOMPARE(dialog.windowTitle(), QStringLiteral("VedraReader - DOCS"));
    host.setStatus("files: 1 / 2");
    auto* status = session.control<QLabel>("1475");
    QCOMPARE(status->text(), QStringLiteral("files: 1 / 2"));
    // A long path keeps its first 10 and last 38 characters.
    host.setStatus("/home/user/" + std::string(100, 'x') + "/the-end-of-a-long-path/report.txt");
    QCOMPARE(status->text(), QStringLiteral("/home/user/../xxxx/the-end-of-a-long-path/report.txt"));

    auto* progress = session.control<QProgressBar>("1025");
    host.setProgressRange(10, 50);
    host.setProgressPosition(30);
    QCOMPARE(progress->minimum(), 10);
    QCOMPARE(progress->maximum(), 50);
    QCOMPARE(progress->value(), 30);

    QVERIFY(QApplication::overrideCursor() == nullptr);
    host.setWaitCursor(true);
    host.setWaitCursor(true);
    QVERIFY(QApplication::overrideCursor() != nullptr);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.setWaitCursor(false);
    QVERIFY(QApplication::overrideCursor() != nullptr);
    host.setWaitCursor(false);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    host.setWaitCursor(false);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    session.answers.push_back(MessageAnswer::No);
    QCOMPARE(host.messageBox("Question?", MessageButtons::YesNo), MessageAnswer::No);
    QCOMPARE(dialog.shownMessages().back(), std::string("Question?"));
    QCOMPARE(session.asked.back().buttons, MessageButtons::YesNo);
}

void CScovaroDlgTest::cp1252TextsAreDecoded()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    vedra::app::Host& host = session.workspace.host();
    // "caffè" written in cp1252 (a file name from an archive) and in UTF-8.
    host.setTitle("caff\xE8");
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("caff\u00E8"));
    host.setStatus("caff\xC3\xA8 \xE2\x82\xAC");
    QCOMPARE(session.control<QLabel>("1475")->text(), QString::fromUtf8("caff\u00E8 \u20AC"));
    host.messageBox("perch\xE9 \x80", MessageButtons::Ok);
    QCOMPARE(dialog.shownMessages().back(), std::string("perch\u00E9 \u20AC"));
    QCOMPARE(session.asked.back().text, std::string("perch\u00E9 \u20AC"));
}

VEDRA_UI_TEST_MAIN(CScovaroDlgTest)
#include "CScovaroDlgTest.moc"
