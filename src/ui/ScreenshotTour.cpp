// The tour goes through the window's own entry points (the notes box, CERCA, the
// result list's right click) rather than engine calls, so the pictures show what a
// user would get. It waits in a short event loop, not a sleep, so the windows can
// paint; pictures come from the screen, so separate windows show as placed.
#include "ui/ScreenshotTour.h"

#include "core/archive/ArchiveFiles.h"

#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CScelta.h"
#include "ui/CScovaroDlg.h"
#include "ui/CTastoDestro.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTableView>
#include <QTimer>

#include <iostream>

namespace vedra::ui {
namespace {

// The screen around `area`, so that separate windows (the pop-up, the sheet) come
// out as a person sees them; a platform without a screen gives the widget alone.
QPixmap grabArea(QWidget& fallback, const QRect& area)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        if (!shot.isNull())
            return shot;
    }
    return fallback.grab();
}

void save(const QPixmap& picture, const QString& path)
{
    if (picture.save(path))
        std::cerr << "saved " << path.toStdString() << '\n';
    else
        std::cerr << "vedrareader: cannot save " << path.toStdString() << '\n';
}

void settle(int milliseconds)
{
    QTimer pause;
    pause.setSingleShot(true);
    pause.start(milliseconds);
    while (pause.isActive())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

void StartScreenshotTour(CScovaroDlg& dialog, const QString& folder, const QString& words)
{
    QTimer::singleShot(500, &dialog, [&dialog, folder, words] {
        QDir().mkpath(folder);
        dialog.ShowOptions();
        CMyPropertyPage2* page = dialog.searchPage();
        if (auto* notes = page->findChild<QCheckBox*>(QStringLiteral("1839")); notes != nullptr && notes->isChecked())
            notes->click();
        page->setWordsText(words);
        page->search();
        settle(300);

        auto* list = dialog.findChild<QTableView*>(QStringLiteral("1001"));
        dialog.propertySheet()->hide();
        settle(200);
        save(grabArea(dialog, dialog.frameGeometry()), folder + "/main.png");

        if (list->model()->rowCount() > 0) {
            QRect row = list->visualRect(list->model()->index(0, 0));
            emit list->customContextMenuRequested(row.center());
        }
        settle(300);
        QRect both = dialog.frameGeometry();
        if (dialog.popupWindow() != nullptr && dialog.popupWindow()->isVisible())
            both = both.united(dialog.popupWindow()->frameGeometry());
        save(grabArea(dialog, both), folder + "/popup.png");
        dialog.closePopupMenu();

        // The word statistics of the first result: the document itself in the
        // preview ("Origin"), then its preview menu's Statistics.
        if (list->model()->rowCount() > 0) {
            list->selectRow(0);
            utilities::PopupOutcome origin;
            origin.action = utilities::PopupAction::Origin;
            origin.handled = true;
            dialog.performPopupAction(origin, utilities::PopupContext::ResultList);
            settle(200);
            utilities::PopupOutcome statistics;
            statistics.action = utilities::PopupAction::Statistics;
            statistics.handled = true;
            dialog.performPopupAction(statistics, utilities::PopupContext::Preview);
            if (CScelta* info = dialog.informationWindow(); info != nullptr) {
                info->resize(460, 560);
                info->move(dialog.frameGeometry().right() - 480, dialog.frameGeometry().top() + 40);
                settle(300);
                save(grabArea(*info, info->frameGeometry()), folder + "/info.png");
                info->close();
                settle(100);
            }
        }

        dialog.ShowOptions();
        settle(300);
        CMyPropertySheet* sheet = dialog.propertySheet();
        save(grabArea(*sheet, dialog.frameGeometry().united(sheet->frameGeometry())), folder + "/sheet.png");

        // The archive page with the excluded-folder list open for editing.
        if (auto* archivePage = sheet->findChild<QWidget*>(QStringLiteral("archivePage")); archivePage != nullptr) {
            sheet->tabs()->setCurrentWidget(archivePage);
            if (auto* lists = archivePage->findChild<QComboBox*>(QStringLiteral("listChoice")); lists != nullptr)
                lists->setCurrentIndex(lists->findData(archive::SlotExcludedFolders));
            settle(300);
            save(grabArea(*sheet, sheet->frameGeometry()), folder + "/archive.png");
        }
        dialog.close();
    });
}

} // namespace vedra::ui
