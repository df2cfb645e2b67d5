// The information window driven through the main window: the notes paged with ">"
// and "<" (round the ring of 100 starts), closing it, the calculations appended,
// and the word-statistics report with its red heading.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/search/SearchSession.h"
#include "core/utilities/NotesPager.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CNote.h"
#include "ui/CScelta.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

namespace app = vedra::app;
using vedra::uitest::Session;
using vedra::uitest::formatOf;

namespace {

using vedra::uitest::searchFor;

// An archive "demo" holding the files of `files` (name -> text), indexed.
bool indexCorpus(Session& session, const QString& corpus, const std::map<QString, QByteArray>& files)
{
    const QString folder = QString::fromStdString(session.folder());
    if (!session.prepareWithArchive("casa mare sole"))
        return false;
    QDir().mkpath(corpus);
    for (const auto& [name, text] : files)
        if (!vedra::uitest::writeAll(corpus + "/" + name, text))
            return false;
    auto result = vedra::indexing::IndexFolder(session.workspace, corpus.toStdString(),
                                               vedra::indexing::IndexCommand::Normal, {});
    return result.status == vedra::indexing::IndexStatus::Done;
}

// `count` entries of about 1000 characters: three make a part of the window.
QByteArray longNotes(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "voce " + QByteArray::number(i) + " " + QByteArray(990, 'n') + "\r\n\r\n";
    return text;
}

// The entry numbers the window shows, e.g. "4 5 6".
QString shownEntries(vedra::ui::CScelta* window)
{
    QStringList numbers;
    const QString text = window->textControl()->toPlainText();
    for (qsizetype at = text.indexOf(QStringLiteral("voce ")); at >= 0; at = text.indexOf(QStringLiteral("voce "), at + 1))
        numbers << text.mid(at + 5, text.indexOf(u' ', at + 5) - at - 5);
    return numbers.join(u' ');
}

} // namespace

class CSceltaTest : public QObject {
    Q_OBJECT

private slots:
    void pagesThroughTheNotesAndComesRoundFromSlot99ToSlot0();
    void closingForgetsItRestoresTheMainWindowAndTheClipboardSearch();
    void calculationsAreAppendedWithNextHidden();
    void wordStatisticsCountTheWordAndShowTheRedHeading();
};

void CSceltaTest::pagesThroughTheNotesAndComesRoundFromSlot99ToSlot0()
{
    Session session;
    QVERIFY(indexCorpus(session, QString::fromStdString(session.folder()) + "/docs", {{"a.txt", "mare"}}));
    QVERIFY(vedra::uitest::writeAll(QString::fromStdString(session.workspace.notesPath), longNotes(310)));
    auto& dialog = session.open();
    QVERIFY(dialog.informationWindow() == nullptr);
    dialog.notePage()->findChild<QPushButton*>(QStringLiteral("pageNotes"))->click();
    vedra::ui::CScelta* info = dialog.informationWindow();
    QVERIFY(info != nullptr);
    QVERIFY(info->isVisible());
    QCOMPARE(info->windowTitle(), QStringLiteral("Info"));
    auto* next = info->findChild<QPushButton*>(QStringLiteral("1499"));
    auto* previous = info->findChild<QPushButton*>(QStringLiteral("1111"));
    QVERIFY(next != nullptr && previous != nullptr);
    QVERIFY(next->isVisible());
    QCOMPARE(next->text(), QStringLiteral(">"));
    QCOMPARE(previous->text(), QStringLiteral("<"));
    QVERIFY(info->textControl()->isReadOnly());

    QCOMPARE(shownEntries(info), QStringLiteral("1 2 3"));
    next->click();
    QCOMPARE(shownEntries(info), QStringLiteral("4 5 6"));
    next->click();
    next->click();
    QCOMPARE(shownEntries(info), QStringLiteral("10 11 12"));
    previous->click();
    QCOMPARE(shownEntries(info), QStringLiteral("7 8 9"));
    previous->click();
    previous->click();
    QCOMPARE(shownEntries(info), QStringLiteral("1 2 3"));
    previous->click();
    QCOMPARE(shownEntries(info), QStringLiteral("1 2 3"));
    QCOMPARE(info->pager().index(), 0);

    while (info->pager().index() < vedra::utilities::NotesPager::kSlotCount - 1)
        next->click();
    QCOMPARE(shownEntries(info), QStringLiteral("298 299 300"));
    next->click();
    QCOMPARE(info->pager().index(), 0);
    QCOMPARE(shownEntries(info), QStringLiteral("301 302 303"));
    previous->click();
    QCOMPARE(info->pager().index(), 0);
    QCOMPARE(shownEntries(info), QStringLiteral("301 302 303"));
    next->click();
    QCOMPARE(shownEntries(info), QStringLiteral("304 305 306"));
    // Reused, not made again.
    QCOMPARE(dialog.informationWindow(), info);
}

void CSceltaTest::closingForgetsItRestoresTheMainWindowAndTheClipboardSearch()
{
    Session session;
    QVERIFY(indexCorpus(session, QString::fromStdString(session.folder()) + "/docs", {{"a.txt", "mare"}}));
    QVERIFY(vedra::uitest::writeAll(QString::fromStdString(session.workspace.notesPath), longNotes(2)));
    auto& dialog = session.open();
    QVERIFY(dialog.clipboardSearch().optionOn());
    dialog.showNotesPages("");
    QPointer<vedra::ui::CScelta> info = dialog.informationWindow();
    QVERIFY(info != nullptr);
    QVERIFY2(!dialog.clipboardSearch().optionOn(), "no clipboard search while the window is shown");
    dialog.showMinimized();
    QTRY_VERIFY(dialog.isMinimized());

    info->close();
    QVERIFY(dialog.informationWindow() == nullptr);
    QVERIFY(dialog.clipboardSearch().optionOn());
    QTRY_VERIFY(!dialog.isMinimized());
    QTRY_VERIFY(info.isNull());

    dialog.showNotesPages("");
    QVERIFY(dialog.informationWindow() != nullptr);
    QCOMPARE(shownEntries(dialog.informationWindow()), QStringLiteral("1 2"));
    // Escape ends it as the close box does.
    QTest::keyClick(dialog.informationWindow(), Qt::Key_Escape);
    QVERIFY(dialog.informationWindow() == nullptr);
    QVERIFY(dialog.clipboardSearch().optionOn());
}

void CSceltaTest::calculationsAreAppendedWithNextHidden()
{
    Session session;
    QVERIFY(indexCorpus(session, QString::fromStdString(session.folder()) + "/docs", {{"a.txt", "mare"}}));
    auto& dialog = session.open();
    vedra::ui::CScelta* info = dialog.information();
    info->ShowCalculation(QStringLiteral("Vedra: Calculus - mare"), "2+3*4 = +14.000000");
    info->ShowCalculation(QStringLiteral("Vedra: Calculus - mare"), "(2+3)*4 = +20.000000");
    QVERIFY(info->isVisible());
    QVERIFY(info->nextButton()->isHidden());
    QCOMPARE(info->windowTitle(), QStringLiteral("Vedra: Calculus - mare"));
    QCOMPARE(info->textControl()->toPlainText(), QStringLiteral("\n2+3*4 = +14.000000\n(2+3)*4 = +20.000000"));
    QCOMPARE(info->size(), QSize(355, 250));
}

void CSceltaTest::wordStatisticsCountTheWordAndShowTheRedHeading()
{
    using vedra::utilities::PopupAction;
    Session session;
    const QString corpus = QString::fromStdString(session.folder()) + "/docs";
    QVERIFY(indexCorpus(session, corpus, {{"casa.txt", "casa, la casa e il casale\n"}}));
    auto& dialog = session.open();
    session.control<QRadioButton>("1670")->click();  // Italian
    auto* list = session.control<QTableView>("1001");
    searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 1);
    list->selectRow(0);
    auto act = [&](PopupAction action, vedra::utilities::PopupContext context) {
        vedra::utilities::PopupOutcome outcome;
        outcome.action = action;
        outcome.handled = true;
        dialog.performPopupAction(outcome, context);
    };
    // The document itself in the preview, not its extracts.
    act(PopupAction::Origin, vedra::utilities::PopupContext::ResultList);
    auto statistics = [&] { act(PopupAction::Statistics, vedra::utilities::PopupContext::Preview); };
    const QString mainTitle = dialog.windowTitle();
    statistics();
    vedra::ui::CScelta* info = dialog.informationWindow();
    QVERIFY(info != nullptr && info->isVisible());
    QCOMPARE(info->windowTitle(), QStringLiteral("Parole cercate: casa"));
    QCOMPARE(dialog.windowTitle(), mainTitle);
    QVERIFY(info->nextButton()->isHidden());
    const QString text = info->textControl()->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("Eventi di casa: 2\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("casale")), qPrintable(text));

    QTextCharFormat heading = formatOf(info->textControl(), QStringLiteral("STATISTICA PAROLE"));
    QCOMPARE(heading.fontWeight(), int(QFont::Bold));
    QVERIFY(heading.fontUnderline());
    QCOMPARE(heading.foreground().color(), QColor(200, 0, 0));
    QTextCharFormat plain = formatOf(info->textControl(), QStringLiteral("Eventi di"));
    QVERIFY(plain.fontWeight() != int(QFont::Bold));
    QVERIFY(!plain.fontUnderline());
    QCOMPARE(plain.foreground().color(), QColor(0, 0, 0));

    // Words OR: "casale" holds casa too. The report replaces the last one.
    session.workspace.BreakCode = app::StopCode::None;
    dialog.session().run().options().wordsOr = 1;
    statistics();
    QCOMPARE(dialog.informationWindow(), info);
    const QString again = info->textControl()->toPlainText();
    QVERIFY2(again.contains(QStringLiteral("Eventi di casa: 3\n")), qPrintable(again));
    QCOMPARE(again.count(QStringLiteral("STATISTICA PAROLE")), 1);
}

VEDRA_UI_TEST_MAIN(CSceltaTest)
#include "CSceltaTest.moc"
