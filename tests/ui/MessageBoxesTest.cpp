// Message boxes: the real box and its buttons, the scripted answers of
// VEDRA_AUTO_ANSWER, and the host that stands in before the window exists.
#include "UiTestRegistry.h"
#include "core/app/HeadlessHost.h"
#include "ui/ForwardingHost.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <sstream>

using vedra::app::HeadlessHost;
using vedra::app::MessageAnswer;
using vedra::app::MessageButtons;
using vedra::ui::ForwardingHost;

namespace {

// Acts on the message box once it is up, from inside its modal loop.
void whenBoxShows(std::function<void(QMessageBox&)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr)
            act(*box);
    });
}

} // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void boxReturnsTheButtonClicked_data();
    void boxReturnsTheButtonClicked();
    void escapeOnBoxIsTheNegativeAnswer_data();
    void escapeOnBoxIsTheNegativeAnswer();
    void buttonsSpeakTheLanguageGiven();
    void autoAcceptAnswersAndEchoes();
    void autoRejectAnswersAndEchoes();
    void unknownAutoAnswerShowsBoxes();
    void forwardingHostAnswersAloneBeforeTarget();
    void forwardingHostReplaysStateToItsTarget();
    void forwardingHostForwardsEveryCall();
    void forwardingHostBalancesWaitCursor();
};

void MessageBoxesTest::boxReturnsTheButtonClicked_data()
{
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("click");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("ok") << MessageButtons::Ok << QMessageBox::Ok << MessageAnswer::Ok;
    QTest::newRow("ok of two") << MessageButtons::OkCancel << QMessageBox::Ok << MessageAnswer::Ok;
    QTest::newRow("cancel") << MessageButtons::OkCancel << QMessageBox::Cancel << MessageAnswer::Cancel;
    QTest::newRow("yes") << MessageButtons::YesNo << QMessageBox::Yes << MessageAnswer::Yes;
    QTest::newRow("no") << MessageButtons::YesNo << QMessageBox::No << MessageAnswer::No;
    QTest::newRow("no of three") << MessageButtons::YesNoCancel << QMessageBox::No << MessageAnswer::No;
    QTest::newRow("cancel of three") << MessageButtons::YesNoCancel << QMessageBox::Cancel << MessageAnswer::Cancel;
}

void MessageBoxesTest::boxReturnsTheButtonClicked()
{
    QFETCH(MessageButtons, buttons);
    QFETCH(QMessageBox::StandardButton, click);
    QFETCH(MessageAnswer, answer);
    QString textSeen;
    int buttonCount = 0;
    whenBoxShows([&](QMessageBox& box) {
        textSeen = box.text();
        buttonCount = static_cast<int>(box.buttons().size());
        if (QAbstractButton* button = box.button(click))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            box.done(QMessageBox::NoButton);
    });
    QCOMPARE(vedra::ui::runMessageBox(nullptr, "Perch\u00E9 no?", buttons), answer);
    QCOMPARE(textSeen, QString::fromUtf8("Perch\u00E9 no?"));
    int expectedCount = buttons == MessageButtons::Ok ? 1 : buttons == MessageButtons::YesNoCancel ? 3 : 2;
    QCOMPARE(buttonCount, expectedCount);
}

void MessageBoxesTest::escapeOnBoxIsTheNegativeAnswer_data()
{
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("ok") << MessageButtons::Ok << MessageAnswer::Ok;
    QTest::newRow("ok cancel") << MessageButtons::OkCancel << MessageAnswer::Cancel;
    QTest::newRow("yes no") << MessageButtons::YesNo << MessageAnswer::No;
    QTest::newRow("yes no cancel") << MessageButtons::YesNoCancel << MessageAnswer::Cancel;
}

void MessageBoxesTest::escapeOnBoxIsTheNegativeAnswer()
{
    QFETCH(MessageButtons, buttons);
    QFETCH(MessageAnswer, answer);
    whenBoxShows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    QCOMPARE(vedra::ui::runMessageBox(nullptr, "Quit?", buttons), answer);
}

void MessageBoxesTest::buttonsSpeakTheLanguageGiven()
{
    // Italian and Spanish boxes, then one left to Qt; the answers stay the buttons'.
    const struct {
        int language;
        QStringList texts;  // Yes, No, Cancel
    } cases[] = {{0, {QString::fromUtf8("Sì"), "No", "Annulla"}},
                 {2, {QString::fromUtf8("Sí"), "No", "Cancelar"}},
                 {1, {"Yes", "No", "Cancel"}}};
    for (const auto& each : cases) {
        QStringList seen;
        whenBoxShows([&seen](QMessageBox& box) {
            for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                seen << box.button(button)->text().remove(u'&');
            QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton);
        });
        QCOMPARE(vedra::ui::runMessageBox(nullptr, "?", MessageButtons::YesNoCancel, "VedraReader", each.language),
                 MessageAnswer::Yes);
        QCOMPARE(seen, each.texts);
    }
}

void MessageBoxesTest::autoAcceptAnswersAndEchoes()
{
    std::ostringstream out;
    auto responder = vedra::ui::autoAnswerResponder("accept", out);
    QVERIFY(static_cast<bool>(responder));
    QCOMPARE(responder("Sure?", MessageButtons::OkCancel), MessageAnswer::Ok);
    QCOMPARE(responder("Search?", MessageButtons::YesNo), MessageAnswer::Yes);
    QCOMPARE(responder("Save?", MessageButtons::YesNoCancel), MessageAnswer::Yes);
    QCOMPARE(responder(" Fatal ERROR", MessageButtons::Ok), MessageAnswer::Ok);
    QCOMPARE(out.str(), std::string("Sure? [OK]\nSearch? [Yes]\nSave? [Yes]\n Fatal ERROR\n"));
}

void MessageBoxesTest::autoRejectAnswersAndEchoes()
{
    std::ostringstream out;
    auto responder = vedra::ui::autoAnswerResponder("reject", out);
    QVERIFY(static_cast<bool>(responder));
    QCOMPARE(responder("Sure?", MessageButtons::OkCancel), MessageAnswer::Cancel);
    QCOMPARE(responder("Search?", MessageButtons::YesNo), MessageAnswer::No);
    QCOMPARE(responder("Save?", MessageButtons::YesNoCancel), MessageAnswer::Cancel);
    QCOMPARE(responder("Uscita con CANCEL", MessageButtons::Ok), MessageAnswer::Ok);
    QCOMPARE(out.str(), std::string("Sure? [Cancel]\nSearch? [No]\nSave? [Cancel]\nUscita con CANCEL\n"));
}

void MessageBoxesTest::unknownAutoAnswerShowsBoxes()
{
    std::ostringstream out;
    QVERIFY(!vedra::ui::autoAnswerResponder(nullptr, out));
    QVERIFY(!vedra::ui::autoAnswerResponder("", out));
    QVERIFY(!vedra::ui::autoAnswerResponder("yes", out));
    QVERIFY(!vedra::ui::autoAnswerResponder("ACCEPT", out));
}

void MessageBoxesTest::forwardingHostAnswersAloneBeforeTarget()
{
    ForwardingHost host;
    std::vector<std::string> asked;
    host.setMessageResponder([&asked](const std::string& text, MessageButtons) {
        asked.push_back(text);
        return MessageAnswer::Cancel;
    });
    QCOMPARE(host.messageBox("Memoria insufficiente", MessageButtons::OkCancel), MessageAnswer::Cancel);
    // cp1252 bytes are shown decoded.
    host.messageBox("caff\xE8", MessageButtons::Ok);
    QCOMPARE(asked, (std::vector<std::string>{"Memoria insufficiente", "caff\u00E8"}));
    QCOMPARE(host.shownMessages(), asked);
    QVERIFY(!host.drainEvents());
}

void MessageBoxesTest::forwardingHostReplaysStateToItsTarget()
{
    ForwardingHost host;
    host.setTitle("VedraReader - OLD");
    host.setStatus("files: 3 / 4");
    host.setProgressRange(0, 40);
    host.setProgressPosition(12);

    HeadlessHost first;
    host.setTarget(&first);
    QCOMPARE(first.title(), std::string("VedraReader - OLD"));
    QCOMPARE(first.status(), std::string("files: 3 / 4"));
    QCOMPARE(first.progressHigh(), 40);
    QCOMPARE(first.progressPosition(), 12);

    // What was replayed once is not replayed to a later target.
    host.setTarget(nullptr);
    HeadlessHost second;
    host.setTarget(&second);
    QCOMPARE(second.status(), std::string());
    QCOMPARE(second.title(), std::string());
    QCOMPARE(second.progressHigh(), 0);
}

void MessageBoxesTest::forwardingHostForwardsEveryCall()
{
    ForwardingHost host;
    std::vector<std::string> askedAlone;
    host.setMessageResponder([&askedAlone](const std::string& text, MessageButtons) {
        askedAlone.push_back(text);
        return MessageAnswer::Ok;
    });
    HeadlessHost target;
    target.setAcceptByDefault(false);
    host.setTarget(&target);

    QCOMPARE(host.messageBox("Continue?", MessageButtons::YesNo), MessageAnswer::No);
    QCOMPARE(target.messages().size(), std::size_t{1});
    QVERIFY(askedAlone.empty());
    QVERIFY(host.shownMessages().empty());

    target.pressEscape();
    QVERIFY(host.drainEvents());
    QVERIFY(!host.drainEvents());
    QCOMPARE(target.drainCount(), 2);

    host.setTitle("T");
    host.setStatus("S");
    host.setProgressRange(5, 9);
    host.setProgressPosition(7);
    host.setWaitCursor(true);
    QCOMPARE(target.title(), std::string("T"));
    QCOMPARE(target.status(), std::string("S"));
    QCOMPARE(target.progressLow(), 5);
    QCOMPARE(target.progressHigh(), 9);
    QCOMPARE(target.progressPosition(), 7);
    QVERIFY(target.waitCursor());
    host.setWaitCursor(false);
    QVERIFY(!target.waitCursor());

    host.setTarget(nullptr);
    host.messageBox("Alone again", MessageButtons::Ok);
    QCOMPARE(target.messages().size(), std::size_t{1});
    QCOMPARE(askedAlone, std::vector<std::string>{"Alone again"});
}

void MessageBoxesTest::forwardingHostBalancesWaitCursor()
{
    QVERIFY(QApplication::overrideCursor() == nullptr);
    {
        ForwardingHost host;
        host.setWaitCursor(true);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        HeadlessHost target;
        host.setTarget(&target);
        // Popped where it was pushed, not by a target that never pushed it.
        host.setWaitCursor(false);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(!target.waitCursor());
        host.setWaitCursor(true);
        QVERIFY(target.waitCursor());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        host.setTarget(nullptr);
        host.setWaitCursor(true);
        QVERIFY(QApplication::overrideCursor() != nullptr);
    }
    // A host that ends with its cursor still pushed pops it.
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

VEDRA_UI_TEST_MAIN(MessageBoxesTest)
#include "MessageBoxesTest.moc"
