// Switches of the main window that change what later commands do: "English
// reading" on the utility page, saved in the language file at closing, and
// "Disable search" in the result list's pop-up menu, which holds every search.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "ui/CMyPropertyPage2.h"
#include "ui/CNote.h"
#include "ui/CTastoDestro.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using vedra::uitest::Session;

namespace {

constexpr const char* kNoArchive = "To operate is necessary to initialize an archive.";

void clickFirstEntry(vedra::ui::CScovaroDlg& dialog)
{
    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, QPoint(20, 20),
                         dialog.findChild<QTableView*>(QStringLiteral("1001")));
    auto* list = dialog.popupWindow()->findChild<QListWidget*>(QStringLiteral("1532"));
    QVERIFY(list != nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
}

QString firstEntry(vedra::ui::CScovaroDlg& dialog)
{
    return dialog.popupWindow()->findChild<QListWidget*>(QStringLiteral("1532"))->item(0)->text();
}

} // namespace

class WindowSwitchesTest : public QObject {
    Q_OBJECT

private slots:
    void englishReadingIsToggledOnTheUtilityPageAndSavedAtClosing();
    void disableSearchHoldsEverySearchUntilItIsTurnedOff();
};

void WindowSwitchesTest::englishReadingIsToggledOnTheUtilityPageAndSavedAtClosing()
{
    Session session;
    // Italian, with English reading on.
    QVERIFY(vedra::uitest::writeAll(session.file(QStringLiteral("LinguaVedra.vedra")), "italianoinglese "));
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* box = dialog.notePage()->findChild<QCheckBox*>(QStringLiteral("englishReading"));
    QVERIFY(box != nullptr);
    QVERIFY(box->isChecked());
    QCOMPARE(box->text(), QStringLiteral("Lettura Inglese"));

    box->click();
    QVERIFY(!session.workspace.EnglishReading);
    QTest::mouseClick(session.control<QRadioButton>("1669"), Qt::LeftButton);
    QCOMPARE(box->text(), QStringLiteral("English reading"));
    QVERIFY2(!box->isChecked(), "the language leaves the flag alone");
    QVERIFY(dialog.close());
    QCOMPARE(session.languageFile(), QByteArray("inglese italiano"));
}

void WindowSwitchesTest::disableSearchHoldsEverySearchUntilItIsTurnedOff()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    auto* notes = dialog.searchPage()->findChild<QCheckBox*>(QStringLiteral("1839"));
    notes->click();
    QCOMPARE(session.workspace.SearchTarget, vedra::app::SearchTarget::Archive);
    dialog.searchPage()->findChild<QLineEdit*>(QStringLiteral("1800"))->setText(QStringLiteral("casa"));
    auto* search = dialog.searchPage()->findChild<QPushButton*>(QStringLiteral("1009"));

    clickFirstEntry(dialog);
    QCOMPARE(firstEntry(dialog), QStringLiteral("*Disable search"));
    QVERIFY(dialog.session().searchDisabled());
    search->click();
    QCOMPARE(session.countAsked(kNoArchive), 0);
    QCOMPARE(session.control<QLabel>("1475")->text(), QStringLiteral("Search disabled"));
    // The menu shows the option on when it opens again; a click turns it off.
    dialog.showPopupMenu(vedra::utilities::PopupContext::ResultList, QPoint(20, 20), nullptr);
    QCOMPARE(firstEntry(dialog), QStringLiteral("*Disable search"));
    clickFirstEntry(dialog);
    QCOMPARE(firstEntry(dialog), QStringLiteral(" Disable search"));
    QVERIFY(!dialog.session().searchDisabled());
    search->click();
    QCOMPARE(session.countAsked(kNoArchive), 1);
}

VEDRA_UI_TEST_MAIN(WindowSwitchesTest)
#include "WindowSwitchesTest.moc"
