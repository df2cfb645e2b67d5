// The archive page's box that turns the live index on and off for every login,
// over a home folder made here and a fake systemctl: its text in the three
// languages, ticked as the service is when the page is shown, a click that turns
// it on or off with the outcome shown in a message, and a box that follows the
// service as it is, not the click, when turning on fails half-way or wholly.
#include "ScreenStandIn.h"
#include "UiTestRegistry.h"

#include "core/watch/WatchService.h"
#include "ui/ArchivePage.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

using vedra::ui::ArchivePage;
using vedra::uitest::ScreenStandIn;
using namespace vedra;

namespace {

// A user manager that answers when the file "answers" is beside it, and keeps
// whether the unit is enabled in the file "enabled".
const char* const kBoxSystemctl = R"(#!/bin/sh
here=$(dirname "$0")
echo "$*" >> "$here/calls.txt"
case "$2" in
  show-environment) [ -e "$here/answers" ] && exit 0; exit 1 ;;
  is-enabled|is-active) [ -e "$here/enabled" ] && exit 0; exit 1 ;;
  enable) touch "$here/enabled"; exit 0 ;;
  disable) rm -f "$here/enabled"; exit 0 ;;
esac
exit 64
)";

} // namespace

class ArchivePageWatchServiceTest : public QObject {
    Q_OBJECT

private:
    QString m_root;
    watch::WatchServiceSetup m_setup;

    QString path(const QString& name) const { return m_root + "/" + name; }

    void makeFolders(ScreenStandIn& screen, bool answers)
    {
        m_root = QString::fromStdString(screen.folder());
        QDir().mkpath(path("bin"));
        QDir().mkpath(path("home"));
        uitest::writeAll(path("bin/systemctl"), kBoxSystemctl);
        ::chmod(path("bin/systemctl").toLocal8Bit().constData(), 0755);
        if (answers)
            uitest::writeAll(path("bin/answers"), "");
        QDir().mkpath(path("work"));
        m_setup.workdir = path("work/").toStdString();
        m_setup.home = path("home").toStdString();
        m_setup.searchPath = path("bin").toStdString();
        m_setup.templatePath = path("vedra-watch.desktop").toStdString();
        m_setup.startWait = std::chrono::milliseconds(2000);
    }

    void attach(ArchivePage& page)
    {
        page.setWatchServiceSetup([this] { return m_setup; });
    }

    static QCheckBox* box(ArchivePage& page)
    {
        auto* found = page.findChild<QCheckBox*>(QStringLiteral("watchService"));
        if (found == nullptr)
            qFatal("no box watchService");
        return found;
    }

    static std::string lastMessage(const ScreenStandIn& screen)
    {
        return screen.host.messages().empty() ? std::string() : screen.host.messages().back().text;
    }

private slots:
    void textFollowsTheLanguage()
    {
        ScreenStandIn screen;
        makeFolders(screen, true);
        ArchivePage page(screen);
        attach(page);
        QCOMPARE(box(page)->text(), QStringLiteral("Keep the index up to date while files change"));
        page.setLanguage(0);
        QCOMPARE(box(page)->text(), QStringLiteral("Tieni aggiornato l'indice mentre i files cambiano"));
        page.setLanguage(2);
        QCOMPARE(box(page)->text(), QStringLiteral("Mantener el índice al día mientras los files cambian"));
    }

    void clicksTurnTheUnitOnAndOff()
    {
        ScreenStandIn screen;
        makeFolders(screen, true);
        ArchivePage page(screen);
        attach(page);
        page.show();
        QVERIFY(!box(page)->isChecked());

        QTest::mouseClick(box(page), Qt::LeftButton);
        QVERIFY(box(page)->isChecked());
        QCOMPARE(lastMessage(screen), std::string("Live index turned on: systemd user service vedra-watch.service"));
        QVERIFY(uitest::readAll(path("bin/calls.txt")).contains("--user enable --now vedra-watch.service"));

        // Another page (the next start of the window) finds it on.
        ArchivePage again(screen);
        again.setWatchServiceSetup([this] { return m_setup; });
        again.show();
        QVERIFY(box(again)->isChecked());

        QTest::mouseClick(box(again), Qt::LeftButton);
        QVERIFY(!box(again)->isChecked());
        QCOMPARE(lastMessage(screen),
                 std::string("Live index turned off: systemd user service vedra-watch.service disabled and stopped"));
        QVERIFY(!QFile::exists(path("bin/enabled")));
    }

    void failureLeavesTheBoxAsTheServiceIs()
    {
        ScreenStandIn screen;
        makeFolders(screen, false);
        ArchivePage page(screen);
        attach(page);
        page.show();

        // No user manager and no template: nothing changed, the message says why.
        QTest::mouseClick(box(page), Qt::LeftButton);
        QVERIFY(!box(page)->isChecked());
        QVERIFY(lastMessage(screen).find("autostart template " + m_setup.templatePath + " is missing") !=
                std::string::npos);

        // The entry is written but the watcher ends at once: the service is on
        // for the next login, and the box says so beside the message.
        uitest::writeAll(path("vedra-watch.desktop"),
                         "[Desktop Entry]\nType=Application\nName=Live index\nExec=vedra watch\n" +
                             QByteArray(watch::kWatchAutostartMarker.data(),
                                        static_cast<int>(watch::kWatchAutostartMarker.size())) + "\n");
        m_setup.watcherProgram = "/bin/false";
        QTest::mouseClick(box(page), Qt::LeftButton);
        QVERIFY(box(page)->isChecked());
        QVERIFY(lastMessage(screen).find("written, but the watcher did not start") != std::string::npos);
        const QString entry = path("home/.config/autostart/vedra-watch.desktop");
        QVERIFY(QFile::exists(entry));

        QTest::mouseClick(box(page), Qt::LeftButton);
        QVERIFY(!box(page)->isChecked());
        QVERIFY(!QFile::exists(entry));
        QCOMPARE(lastMessage(screen), std::string("Live index turned off: autostart entry "
                                                  "~/.config/autostart/vedra-watch.desktop removed"));
    }
};

VEDRA_UI_TEST_MAIN(ArchivePageWatchServiceTest)
#include "ArchivePageWatchServiceTest.moc"
