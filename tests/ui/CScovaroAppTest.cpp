// The program's run from start to goodbye: what is said before the window opens,
// the modal loop, and what is said once the window has gone.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/app/MessageTable.h"
#include "core/app/StopCode.h"
#include "ui/CScovaroApp.h"

#include <csignal>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>

using vedra::app::MessageAnswer;
using vedra::app::MessageButtons;
using vedra::app::MessageKey;
using vedra::app::MessageTable;
using vedra::ui::CScovaroApp;
using vedra::ui::CScovaroDlg;

namespace {

bool anyMainWindowExists()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<CScovaroDlg*>(widget) != nullptr)
            return true;
    return false;
}

// Runs the program in `folder` with every message box answered here.
struct Run {
    explicit Run(const QString& folder, std::uint64_t memoryBytes = vedra::uitest::kSmallMemory)
        : app(vedra::uitest::probeIn(folder.toStdString(), memoryBytes))
    {
        app.setMessageResponder([this](const std::string& text, MessageButtons buttons) {
            messages.push_back(text);
            if (text == vedra::app::kExitWithCancelText)
                windowLeftAtGoodbye = anyMainWindowExists();
            if (buttons == MessageButtons::OkCancel)
                return quitAnswer;
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
        });
    }

    int count(std::string_view text) const { return static_cast<int>(std::count(messages.begin(), messages.end(), text)); }

    CScovaroApp app;
    std::vector<std::string> messages;
    MessageAnswer quitAnswer = MessageAnswer::Ok;
    bool windowLeftAtGoodbye = true;
};

} // namespace

class CScovaroAppTest : public QObject {
    Q_OBJECT

private slots:
    void freshFolderSaysFatalErrorThenGoodbye();
    void escapeConfirmedEndsTheRun();
    void acceptedWindowEndsWithoutGoodbye();
    void catalogueOpensArchiveWithoutFatalError();
    void tooLittleMemoryEndsWithoutWindow();
    void autoAnswerEnvironmentShowsNoMessageBox();
    void installedFirstStartIndexesTheDocumentationUnpacked();
    void stopSignalClosesTheWindowWithoutQuestions();
    void stopSignalDuringLongWorkStopsItThenCloses();
};

void CScovaroAppTest::freshFolderSaysFatalErrorThenGoodbye()
{
    QTemporaryDir folder;
    Run run(folder.path());
    QString titleSeen = QStringLiteral("<not shown>");
    bool englishChecked = false;
    run.app.setOnWindowShown([&](CScovaroDlg& window) {
        titleSeen = window.windowTitle();
        englishChecked = window.isVisible() && window.checkedLanguage() == 1;
        window.close();
    });
    QCOMPARE(run.app.run(), 0);
    QCOMPARE(titleSeen, QString());
    QVERIFY(englishChecked);
    QCOMPARE(run.messages, (std::vector<std::string>{std::string(vedra::app::kFatalErrorText),
                                                     std::string(vedra::app::kExitWithCancelText)}));
    QVERIFY(!run.windowLeftAtGoodbye);
    QCOMPARE(vedra::uitest::readAll(folder.filePath("LinguaVedra.vedra")), QByteArray("inglese inglese "));
    for (const char* work : {"vedrareport", "vedratemp", "download_vedratemp"})
        QVERIFY2(QFileInfo(folder.filePath(QString::fromLatin1(work))).isDir(), work);
}

void CScovaroAppTest::escapeConfirmedEndsTheRun()
{
    QTemporaryDir folder;
    QVERIFY(vedra::uitest::writeAll(folder.filePath("LinguaVedra.vedra"), "italianoinglese "));
    Run run(folder.path());
    run.app.setOnWindowShown([](CScovaroDlg& window) { QTest::keyClick(&window, Qt::Key_Escape); });
    QCOMPARE(run.app.run(), 0);
    QCOMPARE(run.count(MessageTable(0).text(MessageKey::MsgConfirmQuit)), 1);
    QCOMPARE(run.messages.back(), std::string(vedra::app::kExitWithCancelText));
    QVERIFY(!run.windowLeftAtGoodbye);
    QCOMPARE(vedra::uitest::readAll(folder.filePath("LinguaVedra.vedra")), QByteArray("italianoinglese "));
}

void CScovaroAppTest::acceptedWindowEndsWithoutGoodbye()
{
    QTemporaryDir folder;
    Run run(folder.path());
    run.app.setOnWindowShown([](CScovaroDlg& window) { window.accept(); });
    QCOMPARE(run.app.run(), 0);
    QCOMPARE(run.count(vedra::app::kExitWithCancelText), 0);
    QCOMPARE(run.count(vedra::app::kFatalErrorText), 1);
}

void CScovaroAppTest::catalogueOpensArchiveWithoutFatalError()
{
    QTemporaryDir folder;
    QVERIFY(vedra::uitest::makeCatalogue(folder.path(), "C_PROVA_1", 3, 4));
    Run run(folder.path());
    QString titleSeen;
    QString statusSeen;
    run.app.setOnWindowShown([&](CScovaroDlg& window) {
        titleSeen = window.windowTitle();
        if (auto* status = window.findChild<QLabel*>(QStringLiteral("1475")))
            statusSeen = status->text();
        window.close();
    });
    QCOMPARE(run.app.run(), 0);
    QCOMPARE(titleSeen, QStringLiteral("VedraReader - C_PROVA"));
    QCOMPARE(statusSeen, QStringLiteral("files: 3 / 4"));
    QCOMPARE(run.count(vedra::app::kFatalErrorText), 0);
    QCOMPARE(run.messages.back(), std::string(vedra::app::kExitWithCancelText));
}

void CScovaroAppTest::tooLittleMemoryEndsWithoutWindow()
{
    QTemporaryDir folder;
    Run run(folder.path(), 1ULL << 20);
    bool shown = false;
    run.app.setOnWindowShown([&](CScovaroDlg& window) {
        shown = true;
        window.close();
    });
    QCOMPARE(run.app.run(), 1);
    QVERIFY(!shown);
    QCOMPARE(run.messages, (std::vector<std::string>{std::string(MessageTable(1).text(MessageKey::MsgOutOfMemory))}));
}

void CScovaroAppTest::autoAnswerEnvironmentShowsNoMessageBox()
{
    QTemporaryDir folder;
    vedra::ui::CScovaroApp app(vedra::uitest::probeIn(folder.path().toStdString()));
    int boxesSeen = 0;
    // A message box that does appear is counted and dismissed, so that a failure
    // ends the test instead of hanging it.
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&boxesSeen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxesSeen;
            box->done(QMessageBox::Ok);
        }
    });
    watchdog.start(20);
    app.setOnWindowShown([](CScovaroDlg& window) { window.close(); });
    qputenv("VEDRA_AUTO_ANSWER", "accept");
    int result = app.run();
    qunsetenv("VEDRA_AUTO_ANSWER");
    QCOMPARE(result, 0);
    QCOMPARE(boxesSeen, 0);
}

VEDRA_UI_TEST_MAIN(CScovaroAppTest)
// Installed, with no catalogue: the window makes DOCUMENTI and indexes the
// documentation folder with unpacking, the progress on its title and status line,
// and then shows the new archive; no fatal error, no "archive is empty".
void CScovaroAppTest::installedFirstStartIndexesTheDocumentationUnpacked()
{
    QTemporaryDir folder;
    const QString docs = folder.filePath(QStringLiteral("doc"));
    QVERIFY(QDir().mkpath(docs + "/pkg"));
    QVERIFY(vedra::uitest::writeAll(docs + "/readme.txt", "giardino lanterna"));
    QVERIFY(vedra::uitest::writeAll(docs + "/pkg/changelog", "zipped marmalade words"));
    QCOMPARE(QProcess::execute(QStringLiteral("gzip"), {docs + "/pkg/changelog"}), 0);
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("vedraprog"))));
    // The run's unpacker, found in the working folder (the test probe has no PATH).
    QVERIFY(QFile::link(QStringLiteral("/usr/bin/7z"), folder.filePath(QStringLiteral("vedraprog/7z"))));
    Run run(folder.path() + "/vedraprog");
    run.app.setInstalled({}, QFile::encodeName(docs).toStdString());
    QString titleAfter;
    QStringList titles;
    run.app.setOnWindowShown([&](CScovaroDlg& window) {
        connect(&window, &QWidget::windowTitleChanged, &window, [&titles](const QString& title) { titles << title; });
        auto* poll = new QTimer(&window);
        connect(poll, &QTimer::timeout, &window, [&, poll] {
            if (window.workspace().busy || window.longWorkRunning())
                return;
            if (!window.workspace().hasCurrentArchive())
                return;
            poll->stop();
            titleAfter = window.windowTitle();
            window.close();
        });
        poll->start(5);
    });
    QCOMPARE(run.app.run(), 0);
    QCOMPARE(titleAfter, QStringLiteral("VedraReader - C_DOCUMENTI"));
    // Each document in the title as it is read: "<number> - <name>".
    QVERIFY2(titles.contains(QStringLiteral("1 - readme.txt")), qPrintable(titles.join(QStringLiteral(" | "))));
    QCOMPARE(run.count(vedra::app::kFatalErrorText), 0);
    for (const std::string& text : run.messages)
        QVERIFY2(text.find("ready but empty") == std::string::npos, text.c_str());
    const auto summary = std::find_if(run.messages.begin(), run.messages.end(),
                                      [](const std::string& text) { return text.rfind("Folders scanned: ", 0) == 0; });
    QVERIFY(summary != run.messages.end());
    // readme.txt and the member of changelog.gz: the .gz itself has no text of its own.
    QVERIFY2(summary->find("New files with text indexed: 2") != std::string::npos, summary->c_str());
    QVERIFY2(summary->find("Files not read: 0") != std::string::npos, summary->c_str());

    // The archive sits above "vedraprog"; the packed member's words were read.
    QVERIFY(QFileInfo(folder.filePath(QStringLiteral("IND_ARC.PRI"))).isFile());
    const QByteArray words = vedra::uitest::readAll(folder.filePath(QStringLiteral("C_DOCUMENTI_1/PAR.1")));
    QVERIFY(words.contains(QByteArray("marmalade\0", 10)));
    QVERIFY(words.contains(QByteArray("giardino\0", 9)));
    QVERIFY(!QFileInfo::exists(docs + "/pkg/changelog.gz_vedratemp"));

    // The next start finds the catalogue: no second first start.
    Run again(folder.path() + "/vedraprog");
    again.app.setInstalled({}, QFile::encodeName(docs).toStdString());
    again.app.setOnWindowShown([](CScovaroDlg& window) { window.close(); });
    QCOMPARE(again.app.run(), 0);
    QCOMPARE(again.count(vedra::app::kFatalErrorText), 0);
    for (const std::string& text : again.messages)
        QVERIFY2(text.rfind("Folders scanned: ", 0) != 0, "a second first start ran");
    QCOMPARE(again.messages.back(), std::string(vedra::app::kExitWithCancelText));
}

void CScovaroAppTest::stopSignalClosesTheWindowWithoutQuestions()
{
    QTemporaryDir folder;
    Run run(folder.path());
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    run.app.setOnWindowShown([](CScovaroDlg&) { ::raise(SIGTERM); });
    QCOMPARE(run.app.run(), 128 + SIGTERM);
    QCOMPARE(run.count(MessageTable(0).text(MessageKey::MsgConfirmQuit)), 0);
    QCOMPARE(run.count(vedra::app::kExitWithCancelText), 0);
    QVERIFY(!anyMainWindowExists());
    // The handler the program found is back.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    QVERIFY(now.sa_handler == before.sa_handler);
}

void CScovaroAppTest::stopSignalDuringLongWorkStopsItThenCloses()
{
    QTemporaryDir folder;
    Run run(folder.path());
    bool stoppedWhileBusy = false;
    bool openWhileBusy = false;
    run.app.setOnWindowShown([&](CScovaroDlg& window) {
        window.workspace().busy = true;
        ::raise(SIGHUP);
        // The work sees the stop as Escape's and ends a moment later.
        QTimer::singleShot(200, &window, [&] {
            stoppedWhileBusy = window.workspace().BreakCode == vedra::app::StopCode::Break;
            openWhileBusy = window.isVisible();
            window.workspace().busy = false;
        });
    });
    QCOMPARE(run.app.run(), 128 + SIGHUP);
    QVERIFY(stoppedWhileBusy);
    QVERIFY(openWhileBusy);
    QCOMPARE(run.count(vedra::app::kExitWithCancelText), 0);
}

#include "CScovaroAppTest.moc"
