// The live index seen from the window: the indicator in the status area following
// a watcher's state file through its phases (the watcher played by a child process
// of the test that holds the lock), the window's own watcher started and ended
// with it, and a search after the real watcher's batch (a run in another process)
// finding the file it took in.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexedFolders.h"
#include "core/watch/WatchState.h"
#include "core/watch/WatcherLaunch.h"
#include "ui/WatchIndicatorLabel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using vedra::uitest::Session;
using vedra::watch::IndicatorLook;
using vedra::watch::WatchPhase;
using vedra::watch::WatchState;

namespace {

// A watcher as the window sees one: another process holding the working
// folder's lock (a process's own record locks are invisible to itself). The child
// takes the lock, says so, and holds it until the test lets it go or kills it.
class LockHoldingProcess {
public:
    explicit LockHoldingProcess(const std::string& lockPath)
    {
        int ready[2];
        int release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only calls safe after a fork in a program with threads. The ends
            // that are the parent's go, or the release would never come.
            ::close(ready[0]);
            ::close(release[1]);
            vedra::watch::WatcherLock lock;
            int holder = 0;
            const char taken = lock.take(lockPath, holder) ? '1' : '0';
            (void)!::write(ready[1], &taken, 1);
            char ignored;
            (void)!::read(release[0], &ignored, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char taken = '0';
        m_holding = m_pid > 0 && ::read(ready[0], &taken, 1) == 1 && taken == '1';
        ::close(ready[0]);
    }
    ~LockHoldingProcess() { end(); }
    LockHoldingProcess(const LockHoldingProcess&) = delete;
    LockHoldingProcess& operator=(const LockHoldingProcess&) = delete;

    bool holding() const { return m_holding; }
    int pid() const { return m_pid; }
    // Killed outright: no state file says it went.
    void kill()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGKILL);
        end();
    }
    void end()
    {
        if (m_release >= 0)
            ::close(m_release);
        m_release = -1;
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    int m_pid = -1;
    int m_release = -1;
    bool m_holding = false;
};

// Sets an environment variable for one test and takes it away again.
class VariableForTest {
public:
    VariableForTest(const char* name, const QByteArray& value) : m_name(name) { qputenv(name, value); }
    ~VariableForTest() { qunsetenv(m_name); }
    VariableForTest(const VariableForTest&) = delete;
    VariableForTest& operator=(const VariableForTest&) = delete;

private:
    const char* m_name;
};

std::string workFolder(const Session& session)
{
    return session.workspace.WorkingFolder;
}

bool writeState(const Session& session, int pid, WatchPhase phase, std::uint64_t pending = 0,
                const std::string& error = {})
{
    WatchState state;
    state.pid = pid;
    state.phase = phase;
    state.archives = {1};
    state.folders = 12;
    state.pending = pending;
    state.error = error;
    return vedra::watch::writeWatchState(workFolder(session) + std::string(vedra::watch::kWatchStateName), state);
}

vedra::ui::WatchIndicatorLabel* indicatorOf(const Session& session)
{
    return vedra::uitest::control<vedra::ui::WatchIndicatorLabel>(*session.dialog, "watchIndicator");
}

QString label(const Session& session)
{
    return QString::fromStdString(indicatorOf(session)->indicator().label);
}

// The `vedra` built beside this test program.
QString vedraProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../src/cli/vedra");
}

} // namespace

class WatchIndicatorLabelTest : public QObject {
    Q_OBJECT

private slots:
    void followsTheWatchersPhasesAndHidesWhenItIsKilled();
    void aStateFileWithoutAWatcherIsNotBelieved();
    void theWindowsOwnWatcherRunsWithTheWindowAndEndsWithIt();
    void aWatcherThatCannotBeStartedIsShownAsAnError();
    void theRealWatchersBatchIsFoundByTheNextSearch();
};

void WatchIndicatorLabelTest::followsTheWatchersPhasesAndHidesWhenItIsKilled()
{
    Session session;
    QVERIFY(session.prepare());
    auto& dialog = session.open();
    session.control<QRadioButton>("1669")->click();  // English
    auto* status = session.control<QLabel>("1475");
    auto* indicator = indicatorOf(session);
    const QRect wholeLine = status->geometry();
    QVERIFY(!indicator->isVisible());

    LockHoldingProcess watcher(workFolder(session) + std::string(vedra::watch::kWatchLockName));
    QVERIFY(watcher.holding());
    // The state file is replaced by a rename each time, as the watcher writes it.
    QVERIFY(writeState(session, watcher.pid(), WatchPhase::Watching));
    QTRY_COMPARE(label(session), QStringLiteral("watching"));
    QVERIFY(indicator->isVisible());
    QCOMPARE(indicator->indicator().look, IndicatorLook::Watching);
    // The indicator takes the end of the status line; neither covers the other.
    QVERIFY(status->geometry().right() < indicator->geometry().left());
    QCOMPARE(indicator->geometry().right(), wholeLine.right());
    QCOMPARE(indicator->geometry().top(), wholeLine.top());
    QVERIFY(indicator->width() >= indicator->fontMetrics().horizontalAdvance(QStringLiteral("watching")));

    QVERIFY(writeState(session, watcher.pid(), WatchPhase::Updating, 3));
    QTRY_COMPARE(label(session), QStringLiteral("updating"));
    const QStringList tip = indicator->toolTip().split(u'\n');
    QCOMPARE(tip.value(0), QStringLiteral("Live index: updating (process %1)").arg(watcher.pid()));
    QVERIFY(tip.contains(QStringLiteral("Watched folders: 12")));
    QVERIFY(tip.contains(QStringLiteral("Pending folders: 3")));
    QVERIFY(tip.contains(QStringLiteral("Archives: 1")));

    QVERIFY(writeState(session, watcher.pid(), WatchPhase::Paused));
    QTRY_COMPARE(label(session), QStringLiteral("paused"));
    QVERIFY(writeState(session, watcher.pid(), WatchPhase::Error, 0, "cannot read /srv/docs"));
    QTRY_COMPARE(label(session), QStringLiteral("error"));
    QVERIFY(indicator->toolTip().split(u'\n').contains(QStringLiteral("Error: cannot read /srv/docs")));

    // The language follows the flag buttons.
    session.control<QRadioButton>("1670")->click();
    QCOMPARE(label(session), QStringLiteral("errore"));
    QVERIFY(indicator->toolTip().startsWith(QStringLiteral("Indice in tempo reale: errore")));

    // Killed outright, the watcher leaves its last state behind: its end alone
    // tells the window, and the status line has its whole width again.
    watcher.kill();
    QTRY_VERIFY(!indicator->isVisible());
    QCOMPARE(status->geometry(), wholeLine);
    (void)dialog;
}

void WatchIndicatorLabelTest::aStateFileWithoutAWatcherIsNotBelieved()
{
    Session session;
    QVERIFY(session.prepare());
    session.open();
    session.control<QRadioButton>("1669")->click();
    auto* indicator = indicatorOf(session);

    QVERIFY(writeState(session, 4242, WatchPhase::Updating));
    QTest::qWait(200);
    QVERIFY(!indicator->isVisible());

    // With the live index turned on, nothing watching is worth telling.
    VariableForTest on(vedra::watch::kLiveIndexVariable, "1");
    QVERIFY(vedra::uitest::writeAll(session.file(QString::fromUtf8(vedra::indexing::kIndexedFoldersName.data(), vedra::indexing::kIndexedFoldersName.size())),
                                    "1\t1\t/srv/docs/\n"));
    QTRY_COMPARE(label(session), QStringLiteral("not watching"));
    QCOMPARE(indicator->indicator().look, IndicatorLook::NotWatching);
    QCOMPARE(indicator->toolTip(), QStringLiteral("The live index is on, but no watcher runs for this working folder."));

    // A watcher that has taken the lock but not written yet: its predecessor's
    // file says nothing about it.
    LockHoldingProcess watcher(workFolder(session) + std::string(vedra::watch::kWatchLockName));
    QVERIFY(watcher.holding());
    indicator->refresh();
    QCOMPARE(label(session), QStringLiteral("starting"));
    QCOMPARE(indicator->toolTip(), QStringLiteral("Live index: starting (process %1)").arg(watcher.pid()));
}

void WatchIndicatorLabelTest::theWindowsOwnWatcherRunsWithTheWindowAndEndsWithIt()
{
    Session session;
    QVERIFY(session.prepare());
    session.open();
    session.control<QRadioButton>("1669")->click();
    // A stand-in for `vedra` that writes down how it was called and waits.
    const QString program = session.file(QStringLiteral("fake-vedra"));
    QVERIFY(vedra::uitest::writeAll(program, "#!/bin/sh\necho \"$@\" > \"$0.args\"\nexec sleep 60\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    VariableForTest named(vedra::watch::kVedraProgramVariable, program.toLocal8Bit());

    // Off, nothing starts.
    session.dialog->startLiveIndex();
    QTest::qWait(100);
    QVERIFY(!QFile::exists(program + ".args"));
    QVERIFY(!indicatorOf(session)->isVisible());

    VariableForTest on(vedra::watch::kLiveIndexVariable, "1");
    QVERIFY(vedra::uitest::writeAll(session.file(QString::fromUtf8(vedra::indexing::kIndexedFoldersName.data(), vedra::indexing::kIndexedFoldersName.size())),
                                    "1\t1\t/srv/docs/\n"));
    // Another watcher runs for the folder: the window leaves it be.
    {
        LockHoldingProcess other(workFolder(session) + std::string(vedra::watch::kWatchLockName));
        QVERIFY(other.holding());
        session.dialog->startLiveIndex();
        QTest::qWait(100);
        QVERIFY(!QFile::exists(program + ".args"));
        QCOMPARE(indicatorOf(session)->indicator().look, IndicatorLook::Starting);
    }
    QTRY_COMPARE(indicatorOf(session)->indicator().look, IndicatorLook::NotWatching);

    session.dialog->startLiveIndex();
    QTRY_VERIFY(indicatorOf(session)->indicator().look == IndicatorLook::Starting);
    const int child = indicatorOf(session)->indicator().tipLines.empty() ? 0 : [&] {
        const std::string& heading = indicatorOf(session)->indicator().tipLines.front();
        return std::atoi(heading.substr(heading.find("process ") + 8).c_str());
    }();
    QVERIFY(child > 0);
    QTRY_COMPARE(vedra::uitest::readAll(program + ".args").trimmed(),
                 QByteArray("--workdir " + QByteArray::fromStdString(workFolder(session)) + " watch"));
    QCOMPARE(::kill(child, 0), 0);

    // Closing the window ends it.
    session.dialog->close();
    QVERIFY(::kill(child, 0) != 0);
}

void WatchIndicatorLabelTest::aWatcherThatCannotBeStartedIsShownAsAnError()
{
    Session session;
    QVERIFY(session.prepare());
    session.open();
    session.control<QRadioButton>("1669")->click();
    VariableForTest on(vedra::watch::kLiveIndexVariable, "1");
    VariableForTest named(vedra::watch::kVedraProgramVariable, session.file(QStringLiteral("no-such-vedra")).toLocal8Bit());
    QVERIFY(vedra::uitest::writeAll(session.file(QString::fromUtf8(vedra::indexing::kIndexedFoldersName.data(), vedra::indexing::kIndexedFoldersName.size())),
                                    "1\t1\t/srv/docs/\n"));
    session.dialog->startLiveIndex();
    QTRY_COMPARE(label(session), QStringLiteral("error"));
    QVERIFY(indicatorOf(session)->toolTip().startsWith(QStringLiteral("Cannot start the watcher: ")));
}

// The whole way: the window starts `vedra watch` itself, a file is written, the
// watcher's batch takes it in, the indicator comes back to watching and the next
// search lists the file; closing the window ends the watcher.
void WatchIndicatorLabelTest::theRealWatchersBatchIsFoundByTheNextSearch()
{
    QVERIFY2(QFileInfo(vedraProgram()).isExecutable(), qPrintable(vedraProgram()));
    Session session;
    const QString folder = QString::fromStdString(session.folder());
    QVERIFY(QDir(folder).mkpath(QStringLiteral("Lemmi/Radici")));
    QVERIFY(vedra::uitest::writeAll(folder + "/Lemmi/Radici/RadiciParole.txt", "alpha bravo casa mare"));
    QVERIFY(session.prepare());
    vedra::indexing::NewArchive request;
    request.name = "live";
    QCOMPARE(vedra::indexing::CreateArchive(session.workspace, request).number, 1);
    // Outside the working folder: the program's own files are never watched.
    QTemporaryDir documents;
    const QString corpus = documents.path();
    QVERIFY(vedra::uitest::writeAll(corpus + "/first.txt", "alpha casa\n"));
    // Run by `vedra index`, the folder goes into the list the watcher watches.
    QProcess run;
    run.start(vedraProgram(), {QStringLiteral("--workdir"), folder, QStringLiteral("index"), corpus});
    QVERIFY(run.waitForFinished(30000));
    QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());

    VariableForTest on(vedra::watch::kLiveIndexVariable, "1");
    VariableForTest named(vedra::watch::kVedraProgramVariable, vedraProgram().toLocal8Bit());
    auto& dialog = session.open();
    session.control<QRadioButton>("1669")->click();
    dialog.startLiveIndex();
    QTRY_COMPARE_WITH_TIMEOUT(label(session), QStringLiteral("watching"), 15000);
    const std::string statePath = workFolder(session) + std::string(vedra::watch::kWatchStateName);
    const std::uint64_t batchesBefore = vedra::watch::readWatchState(statePath).value_or(WatchState{}).batches;

    auto* list = session.control<QTableView>("1001");
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QTRY_COMPARE(list->model()->rowCount(), 1);

    QVERIFY(vedra::uitest::writeAll(corpus + "/second.txt", "bravo casa mare\n"));
    QTRY_VERIFY_WITH_TIMEOUT(vedra::watch::readWatchState(statePath).value_or(WatchState{}).batches > batchesBefore,
                             15000);
    // The indicator reads the batch's state from the file, as a person would see it.
    QTRY_VERIFY(label(session) == QStringLiteral("watching") &&
                indicatorOf(session)->toolTip().contains(QStringLiteral(", 1 files changed, ")));

    session.answers.push_back(vedra::app::MessageAnswer::No);
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QTRY_COMPARE(list->model()->rowCount(), 2);

    const std::string lock = workFolder(session) + std::string(vedra::watch::kWatchLockName);
    QVERIFY(vedra::watch::watcherProcess(lock) > 0);
    dialog.close();
    QCOMPARE(vedra::watch::watcherProcess(lock), 0);
}

VEDRA_UI_TEST_MAIN(WatchIndicatorLabelTest)
#include "WatchIndicatorLabelTest.moc"
