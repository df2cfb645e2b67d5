// Opening a result as a person does, on a machine without xdg-open in PATH: a
// double click names the missing program and its package at once and lists no
// folder of any disk; a program in a usual folder is found once; a row whose file
// is gone says so; "Show in folder" reaches the file manager over the session bus,
// or opens the folder with xdg-open when there is none.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/search/SearchSession.h"
#include "core/utilities/ShowInFolder.h"
#include "ui/CTastoDestro.h"

#include <QAbstractItemModel>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QListWidget>
#include <QMutex>
#include <QMutexLocker>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <memory>

namespace app = vedra::app;
using vedra::uitest::Session;

namespace openingrows {

struct ProbeCalls {
    std::atomic<int> driveRoots{0};
    std::atomic<int> programFolders{0};
};

// A program that writes its arguments, one a line, to `<path>.argv`.
bool writeRecorder(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return vedra::uitest::writeAll(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.argv.tmp\" && mv \"$0.argv.tmp\" \"$0.argv\"\n") &&
           QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The window over a workspace whose PATH is empty, whose usual program folder is
// `usr-bin` and whose one drive root is `disk`, both under `tools`; the probe
// counts who asks for them.
class Machine {
public:
    Machine()
        : session([this](app::SystemProbe& probe) {
              const std::string usual = usualFolder().toStdString();
              const std::string disk = driveRoot().toStdString();
              std::shared_ptr<ProbeCalls> counts = calls;
              probe.searchPath = [] { return std::vector<std::string>{}; };
              probe.programFolders = [usual, counts] {
                  ++counts->programFolders;
                  return std::vector<std::string>{usual};
              };
              probe.driveRoots = [disk, counts] {
                  ++counts->driveRoots;
                  return std::vector<std::string>{disk};
              };
          })
    {
        QDir().mkpath(usualFolder());
        QDir().mkpath(driveRoot());
        QDir().mkpath(tools.filePath(QStringLiteral("docs")));
    }

    QString usualFolder() const { return tools.filePath(QStringLiteral("usr-bin")); }
    QString driveRoot() const { return tools.filePath(QStringLiteral("disk")); }
    QString document(const QString& name) const { return tools.filePath(QStringLiteral("docs/") + name); }

    // An archive (so programs are remembered), the window open, one row per path.
    bool open(const QStringList& rowPaths)
    {
        if (!session.prepare())
            return false;
        vedra::indexing::NewArchive request;
        request.name = "demo";
        if (vedra::indexing::CreateArchive(session.workspace, request).number != 1)
            return false;
        session.open();
        for (const QString& path : rowPaths) {
            vedra::search::ResultRow row;
            row.columns[0] = path.toStdString();
            session.dialog->session().results().append(row);
        }
        session.dialog->refreshResults();
        return list()->model()->rowCount() == rowPaths.size();
    }

    QTableView* list() const { return session.control<QTableView>("1001"); }

    void doubleClick(int row)
    {
        const QModelIndex index = list()->model()->index(row, 0);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
        emit list()->doubleClicked(index);
    }

    // Right click on `row`, then a click on the pop-up entry holding `label`.
    bool clickPopupEntry(int row, const QString& label)
    {
        emit list()->customContextMenuRequested(list()->visualRect(list()->model()->index(row, 0)).center());
        auto* popup = session.dialog->findChild<vedra::ui::CTastoDestro*>();
        if (popup == nullptr || !popup->isVisible())
            return false;
        auto* entries = popup->findChild<QListWidget*>(QStringLiteral("1532"));
        const QList<QListWidgetItem*> found = entries->findItems(label, Qt::MatchContains);
        if (found.size() != 1)
            return false;
        entries->setCurrentItem(found.front());
        emit entries->itemClicked(found.front());
        return true;
    }

    int askedContaining(const std::string& text) const
    {
        int count = 0;
        for (const auto& message : session.asked)
            count += message.text.find(text) != std::string::npos;
        return count;
    }

    std::shared_ptr<ProbeCalls> calls = std::make_shared<ProbeCalls>();
    QTemporaryDir tools;
    Session session;
};

// Stands in for the desktop's file manager: records what ShowItems is given. It
// lives on a thread of its own, since the window waits for the answer.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList uris() const
    {
        QMutexLocker lock(&m_mutex);
        return m_uris;
    }
    QString startupId() const
    {
        QMutexLocker lock(&m_mutex);
        return m_startupId;
    }
    int calls() const { return m_calls; }

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        QMutexLocker lock(&m_mutex);
        m_uris = uris;
        m_startupId = startupId;
        ++m_calls;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_uris;
    QString m_startupId;
    std::atomic<int> m_calls{0};
};

// The fake on a connection of its own, served by its thread; all undone at the end.
class FileManagerOnBus {
public:
    static constexpr const char* kConnection = "vedra-fake-file-manager";

    FileManagerOnBus() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromLatin1(kConnection)))
    {
        m_fake->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_fake, &QObject::deleteLater);
        m_thread.start();
        m_ownsName = m_bus.isConnected() &&
                     m_bus.registerService(QString::fromLatin1(vedra::utilities::kFileManagerService));
        m_registered = m_ownsName && m_bus.registerObject(QString::fromLatin1(vedra::utilities::kFileManagerPath),
                                                          m_fake, QDBusConnection::ExportAllSlots);
    }
    ~FileManagerOnBus()
    {
        if (m_registered)
            m_bus.unregisterObject(QString::fromLatin1(vedra::utilities::kFileManagerPath));
        if (m_ownsName)
            m_bus.unregisterService(QString::fromLatin1(vedra::utilities::kFileManagerService));
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus(QString::fromLatin1(kConnection));
    }
    FileManagerOnBus(const FileManagerOnBus&) = delete;
    FileManagerOnBus& operator=(const FileManagerOnBus&) = delete;

    bool ownsName() const { return m_ownsName; }
    bool registered() const { return m_registered; }
    const FakeFileManager& fake() const { return *m_fake; }

private:
    QDBusConnection m_bus;
    QThread m_thread;
    FakeFileManager* m_fake = new FakeFileManager;
    bool m_ownsName = false;
    bool m_registered = false;
};

} // namespace openingrows

class OpeningRowsTest : public QObject {
    Q_OBJECT

private slots:
    void aMissingOpenerIsNamedWithItsPackageAndNoDiskIsWalked();
    void anOpenerInAUsualFolderIsFoundOnceThenTheListAnswers();
    void aRowWhoseFileIsGoneSaysSoAndStartsNothing();
    void showInFolderAsksTheFileManagerOnTheSessionBus();
    void showInFolderWithoutAFileManagerOpensTheFolder();
};

void OpeningRowsTest::aMissingOpenerIsNamedWithItsPackageAndNoDiskIsWalked()
{
    openingrows::Machine machine;
    // Where a walk of the disk would have found one.
    const QString deep = machine.driveRoot() + QStringLiteral("/opt/deep/bin/xdg-open");
    QVERIFY(openingrows::writeRecorder(deep));
    const QString report = machine.document(QStringLiteral("report.txt"));
    QVERIFY(vedra::uitest::writeAll(report, "text"));
    QVERIFY(machine.open({report}));
    const int rootsBefore = machine.calls->driveRoots;
    const std::string missing =
        "The program xdg-open is not installed.\nIt comes with the Debian package xdg-utils:\n  sudo apt install xdg-utils";

    machine.doubleClick(0);
    QCOMPARE(machine.askedContaining(missing), 1);
    QCOMPARE(machine.askedContaining("locate"), 0);
    machine.doubleClick(0);
    QCOMPARE(machine.askedContaining(missing), 2);

    // "Extract files" opens the exported list the same way.
    vedra::utilities::PopupOutcome outcome;
    outcome.action = vedra::utilities::PopupAction::ExtractFiles;
    outcome.handled = true;
    machine.session.dialog->performPopupAction(outcome, vedra::utilities::PopupContext::ResultList);
    QCOMPARE(machine.askedContaining(missing), 3);

    QCOMPARE(machine.calls->driveRoots.load(), rootsBefore);
    QVERIFY(!QFile::exists(deep + QStringLiteral(".argv")));
}

void OpeningRowsTest::anOpenerInAUsualFolderIsFoundOnceThenTheListAnswers()
{
    openingrows::Machine machine;
    const QString opener = machine.usualFolder() + QStringLiteral("/xdg-open");
    QVERIFY(openingrows::writeRecorder(opener));
    const QString report = machine.document(QStringLiteral("report.txt"));
    QVERIFY(vedra::uitest::writeAll(report, "text"));
    QVERIFY(machine.open({report}));
    const QString recorded = opener + QStringLiteral(".argv");

    machine.doubleClick(0);
    QTRY_VERIFY(QFile::exists(recorded));
    QCOMPARE(vedra::uitest::readAll(recorded), (report + u'\n').toLocal8Bit());
    const int foldersAsked = machine.calls->programFolders;
    QFile::remove(recorded);

    machine.doubleClick(0);
    QTRY_VERIFY(QFile::exists(recorded));
    QCOMPARE(machine.calls->programFolders.load(), foldersAsked);
    QCOMPARE(machine.askedContaining("not installed.\nIt comes with the Debian package xdg-utils"), 0);
}

void OpeningRowsTest::aRowWhoseFileIsGoneSaysSoAndStartsNothing()
{
    openingrows::Machine machine;
    const QString opener = machine.usualFolder() + QStringLiteral("/xdg-open");
    QVERIFY(openingrows::writeRecorder(opener));
    const QString gone = machine.document(QStringLiteral("gone.txt"));
    QVERIFY(machine.open({gone, QStringLiteral("http://example.org/gone.txt")}));
    const std::string said = "The file no longer exists:\n" + gone.toStdString();

    machine.doubleClick(0);
    QCOMPARE(machine.askedContaining(said), 1);
    // The run-with button of the pop-up, with the row selected.
    emit machine.list()->customContextMenuRequested(machine.list()->visualRect(machine.list()->model()->index(0, 0)).center());
    auto* popup = machine.session.dialog->findChild<vedra::ui::CTastoDestro*>();
    QVERIFY(popup != nullptr);
    QTest::mouseClick(popup->findChild<QPushButton*>(QStringLiteral("1115")), Qt::LeftButton);
    QCOMPARE(machine.askedContaining(said), 2);
    // No "Show in folder" for a file that is not there.
    auto* entries = popup->findChild<QListWidget*>(QStringLiteral("1532"));
    QCOMPARE(entries->findItems(QStringLiteral("Show in folder"), Qt::MatchContains).size(), 0);
    QTest::qWait(100);
    QVERIFY(!QFile::exists(opener + QStringLiteral(".argv")));

    // A web row is no disk path: it goes to its program as before.
    machine.doubleClick(1);
    QCOMPARE(machine.askedContaining("no longer exists"), 2);
}

void OpeningRowsTest::showInFolderAsksTheFileManagerOnTheSessionBus()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus (ctest runs this class under dbus-run-session)");
    openingrows::FileManagerOnBus fileManager;
    if (!fileManager.ownsName())
        QSKIP("a file manager already owns its name on this bus");
    QVERIFY(fileManager.registered());
    const openingrows::FakeFileManager* fake = &fileManager.fake();

    openingrows::Machine machine;
    const QString opener = machine.usualFolder() + QStringLiteral("/xdg-open");
    QVERIFY(openingrows::writeRecorder(opener));
    const QString report = machine.document(QStringLiteral("my report \u00e8 #1.txt"));
    QVERIFY(vedra::uitest::writeAll(report, "text"));
    QVERIFY(machine.open({report}));
    QVERIFY(machine.clickPopupEntry(0, QStringLiteral("Show in folder")));
    QTRY_COMPARE(fake->calls(), 1);
    const QString expected =
        QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(report, QByteArrayLiteral("/")));
    QCOMPARE(fake->uris(), QStringList{expected});
    QVERIFY(expected.contains(QStringLiteral("my%20report%20%C3%A8%20%231.txt")));
    QCOMPARE(fake->startupId(), QString());
    QTest::qWait(100);
    QVERIFY2(!QFile::exists(opener + QStringLiteral(".argv")), "xdg-open is only the fallback");
}

void OpeningRowsTest::showInFolderWithoutAFileManagerOpensTheFolder()
{
    if (QDBusConnection::sessionBus().isConnected() && QDBusConnection::sessionBus().interface() != nullptr &&
        QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QString::fromLatin1(vedra::utilities::kFileManagerService)))
        QSKIP("a file manager is on this bus");
    openingrows::Machine machine;
    const QString opener = machine.usualFolder() + QStringLiteral("/xdg-open");
    QVERIFY(openingrows::writeRecorder(opener));
    const QString report = machine.document(QStringLiteral("report.txt"));
    QVERIFY(vedra::uitest::writeAll(report, "text"));
    QVERIFY(machine.open({report}));
    QVERIFY(machine.clickPopupEntry(0, QStringLiteral("Show in folder")));
    QTRY_VERIFY(QFile::exists(opener + QStringLiteral(".argv")));
    QCOMPARE(vedra::uitest::readAll(opener + QStringLiteral(".argv")),
             (machine.tools.filePath(QStringLiteral("docs")) + QStringLiteral("/\n")).toLocal8Bit());
}

VEDRA_UI_TEST_MAIN(OpeningRowsTest)
#include "OpeningRowsTest.moc"
