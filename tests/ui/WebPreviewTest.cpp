// A web result clicked in the main window: its page fetched from the tests' own
// HTTP server on 127.0.0.1 into its local copy, once, and shown with the searched
// words marked; while a slow fetch runs the title blinks, other long work is
// refused, and Break stops it without leaving a cut copy behind.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"

#include "core/indexing/ArchiveCreator.h"
#include "core/search/ResultRowFormat.h"
#include "core/web/WebResult.h"
#include "support/TestHttpServer.h"
#include "ui/CMyPropertyPage2.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <atomic>
#include <cstdlib>

using vedra::testing::TestHttpServer;
using vedra::uitest::Session;
using vedra::uitest::formatOf;

namespace {

using vedra::uitest::searchFor;

const QByteArray kPage = "<html><body><p>Il giardino dei ciliegi, e la casa sul lago.</p></body></html>\n";

bool withArchive(Session& session)
{
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        ::unsetenv(name);
    if (!session.prepare())
        return false;
    vedra::indexing::NewArchive request;
    request.name = "web";
    return vedra::indexing::CreateArchive(session.workspace, request).number == 1;
}

// A row whose path is the web address, as a search lists a web page of the archive.
void listWebResult(vedra::ui::CScovaroDlg& dialog, const std::string& address, const std::string& words)
{
    vedra::search::ResultRowInput input;
    input.path = address;
    input.wordsText = words;
    input.documentKind = 'w';
    input.documentNumber = 1;
    input.archiveName = "C_WEB_1";
    dialog.session().results().append(vedra::search::FormatResultRow(input));
    dialog.refreshResults();
}

void clickRow(QTableView* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
}


} // namespace

class WebPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void aWebResultIsFetchedOnceAndShownWithItsHitsMarked();
    void breakStopsASlowFetchAndTheWindowStaysLive();
};

void WebPreviewTest::aWebResultIsFetchedOnceAndShownWithItsHitsMarked()
{
    Session session;
    QVERIFY(withArchive(session));
    TestHttpServer server;
    server.on("/pages/giardini.html",
              TestHttpServer::answer(200, "Content-Type: text/html\r\nContent-Length: " +
                                              std::to_string(kPage.size()) + "\r\n",
                                     kPage.toStdString()));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    const std::string address = server.url("/pages/giardini.html");
    const QString local = QString::fromStdString(vedra::web::LocalCopyPath(session.workspace, address));
    QVERIFY(local.startsWith(QString::fromStdString(session.workspace.ArchiveFilesFolder)));

    searchFor(dialog, QStringLiteral("giardino"));
    listWebResult(dialog, address, "giardino");
    QCOMPARE(list->model()->rowCount(), 1);
    const QString title = dialog.windowTitle();
    QStringList titles;
    connect(&dialog, &QWidget::windowTitleChanged, &dialog, [&](const QString& shown) { titles << shown; });
    const std::size_t asked = session.asked.size();

    clickRow(list, 0);
    QCOMPARE(server.requests().size(), std::size_t{1});
    QCOMPARE(vedra::uitest::readAll(local), kPage);
    const QString shown = preview->toPlainText();
    QVERIFY2(shown.contains(QStringLiteral("il giardino dei ciliegi"), Qt::CaseInsensitive), qPrintable(shown));
    QTextCharFormat hit = formatOf(preview, QStringLiteral("giardino"), Qt::CaseInsensitive);
    QCOMPARE(hit.fontWeight(), int(QFont::Bold));
    QCOMPARE(hit.foreground().color(), QColor(0, 0, 200));
    QVERIFY(formatOf(preview, QStringLiteral("ciliegi")).fontWeight() != int(QFont::Bold));
    // The fetch's activity showed in the title, which is the archive's again now.
    QVERIFY2(titles.contains(title + " ."), qPrintable(titles.join(u'|')));
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(session.asked.size(), asked);
    QVERIFY(!session.workspace.busy);

    // Clicked again: the local copy stands for the page.
    preview->clear();
    clickRow(list, 0);
    QCOMPARE(server.requests().size(), std::size_t{1});
    QVERIFY(preview->toPlainText().contains(QStringLiteral("giardino dei ciliegi"), Qt::CaseInsensitive));
}

void WebPreviewTest::breakStopsASlowFetchAndTheWindowStaysLive()
{
    Session session;
    QVERIFY(withArchive(session));
    TestHttpServer server;
    std::atomic<bool> released{false};
    server.on("/slow.html", [&](const TestHttpServer::Request&, TestHttpServer::Connection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n");
        connection.send(std::string(5000, 'g'));
        connection.waitUntil([&] { return released.load(); });
    });
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    const std::string address = server.url("/slow.html");
    const QString local = QString::fromStdString(vedra::web::LocalCopyPath(session.workspace, address));
    searchFor(dialog, QStringLiteral("giardino"));
    listWebResult(dialog, address, "giardino");
    const QString title = dialog.windowTitle();
    const std::size_t asked = session.asked.size();

    // Runs from the window's own event loop while the fetch drains it.
    bool pressed = false;
    bool busyWhilePressed = false;
    QString titleWhileFetching;
    int rowsWhileFetching = -1;
    QTimer watcher;
    watcher.setInterval(5);
    connect(&watcher, &QTimer::timeout, &dialog, [&] {
        if (pressed || QFileInfo(local).size() < 5000)
            return;
        pressed = true;
        busyWhilePressed = session.workspace.busy;
        titleWhileFetching = dialog.windowTitle();
        // A search now would reset the list and preview under the fetch: refused.
        searchFor(dialog, QStringLiteral("lago"));
        rowsWhileFetching = list->model()->rowCount();
        QTest::mouseClick(session.control<QPushButton>("1704"), Qt::LeftButton);
    });
    watcher.start();
    clickRow(list, 0);
    watcher.stop();
    released = true;

    QVERIFY(pressed);
    QVERIFY(busyWhilePressed);
    QCOMPARE(titleWhileFetching, title + " .");
    QCOMPARE(rowsWhileFetching, 1);
    QCOMPARE(dialog.windowTitle(), title);
    QVERIFY(!session.workspace.busy);
    // The cut page is not kept, nothing is said about the stop, nothing is shown.
    QVERIFY(!QFileInfo::exists(local));
    QCOMPARE(session.asked.size(), asked);
    QVERIFY(preview->toPlainText().isEmpty());
    QCOMPARE(list->model()->rowCount(), 1);

    // The next click asks the server again and shows the whole page.
    server.on("/slow.html", TestHttpServer::answer(200, "Content-Length: " + std::to_string(kPage.size()) + "\r\n",
                                                   kPage.toStdString()));
    clickRow(list, 0);
    QCOMPARE(server.requests().size(), std::size_t{2});
    QVERIFY(preview->toPlainText().contains(QStringLiteral("giardino dei ciliegi"), Qt::CaseInsensitive));
}

VEDRA_UI_TEST_MAIN(WebPreviewTest)
#include "WebPreviewTest.moc"
