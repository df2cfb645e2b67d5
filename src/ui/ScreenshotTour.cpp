// The tour goes through the window's own entry points (the notes box, CERCA, the
// result list's right click) rather than engine calls, so the pictures show what a
// user would get. It waits in a short event loop, not a sleep, so the windows can
// paint; pictures come from the screen, so separate windows show as placed.
#include "ui/ScreenshotTour.h"

#include "core/archive/ArchiveFiles.h"

#include "ui/ArchivePage.h"
#include "ui/CGrafica.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNomeArchivio.h"
#include "ui/CNote.h"
#include "ui/CScelta.h"
#include "ui/CScovaroDlg.h"
#include "ui/CTastoDestro.h"
#include "ui/FolderTrees.h"
#include "ui/WatchIndicatorLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>

#include <ctime>
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

// The tour's language as the pictures' names end ("-en"), empty for the language
// the program starts in.
QString& tourLanguage()
{
    static QString language;
    return language;
}

QString picturePath(const QString& folder, const QString& name)
{
    if (tourLanguage().isEmpty())
        return folder + u'/' + name + QStringLiteral(".png");
    // In a language the names say which pop-up and which page they show.
    QString named = name;
    if (name == QStringLiteral("popup"))
        named = QStringLiteral("popup-list");
    else if (name == QStringLiteral("sheet"))
        named = QStringLiteral("sheet-search");
    else if (name == QStringLiteral("archive"))
        named = QStringLiteral("sheet-archive");
    return folder + u'/' + named + u'-' + tourLanguage() + QStringLiteral(".png");
}

// The flag button of "it", "en" or "es"; null for anything else.
QRadioButton* languageFlag(CScovaroDlg& dialog, const QString& language)
{
    const char* id = language == QStringLiteral("it")   ? "1670"
                     : language == QStringLiteral("en") ? "1669"
                     : language == QStringLiteral("es") ? "1774"
                                                        : nullptr;
    return id != nullptr ? dialog.findChild<QRadioButton*>(QString::fromLatin1(id)) : nullptr;
}

void settle(int milliseconds)
{
    QTimer pause;
    pause.setSingleShot(true);
    pause.start(milliseconds);
    while (pause.isActive())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A picture to preview: the tour's archive of licence texts holds none.
QImage tourPicture()
{
    QImage image(480, 320, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 320);
    sky.setColorAt(0, QColor(70, 130, 200));
    sky.setColorAt(1, QColor(230, 240, 250));
    painter.fillRect(image.rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 210, 60));
    painter.drawEllipse(QPoint(380, 80), 45, 45);
    painter.setBrush(QColor(60, 140, 70));
    painter.drawPolygon(QPolygon({QPoint(0, 320), QPoint(140, 150), QPoint(260, 260), QPoint(340, 190),
                                  QPoint(480, 320)}));
    painter.setPen(QColor(20, 40, 90));
    QFont font = painter.font();
    font.setPointSize(22);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 10, 480, 50), Qt::AlignHCenter, QStringLiteral("VedraReader"));
    return image;
}

void press(QWidget* widget, QEvent::Type type, const QPoint& at, Qt::MouseButton button)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button,
                      type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The image preview with a picture zoomed in and a clipping drawn on it, then the
// graph of x^2 - 2 between -3 and 3 typed into the notes and the range.
void imageAndGraph(CScovaroDlg& dialog, const QString& folder)
{
    QTemporaryDir pictures;
    const QString picture = pictures.filePath(QStringLiteral("photo001.png"));
    if (!pictures.isValid() || !tourPicture().save(picture)) {
        std::cerr << "vedrareader: cannot write the tour's picture\n";
        return;
    }
    dialog.ShowPreviewFile(picture.toStdString());
    CGrafica* preview = dialog.imagePreview();
    if (preview == nullptr)
        return;
    preview->move(dialog.frameGeometry().topLeft() + QPoint(80, 60));
    preview->zoomIn();
    preview->zoomIn();
    settle(300);
    QWidget* canvas = preview->canvas();
    const QRect shown = preview->pictureRect();
    const QPoint start = shown.topLeft() + QPoint(shown.width() / 2, shown.height() / 5);
    const QPoint end = shown.topLeft() + QPoint(shown.width() * 7 / 8, shown.height() * 3 / 5);
    press(canvas, QEvent::MouseButtonPress, start, Qt::LeftButton);
    press(canvas, QEvent::MouseButtonRelease, start, Qt::LeftButton);
    press(canvas, QEvent::MouseMove, end, Qt::NoButton);
    press(canvas, QEvent::MouseButtonPress, end, Qt::LeftButton);
    press(canvas, QEvent::MouseButtonRelease, end, Qt::LeftButton);
    settle(300);
    save(grabArea(*preview, preview->frameGeometry()), picturePath(folder, "image"));

    const QString notes = dialog.notePage() != nullptr ? dialog.notePage()->searchText() : QString();
    if (dialog.notePage() != nullptr)
        dialog.notePage()->setSearchText(QStringLiteral("x^2 - 2"));
    preview->findChild<QLineEdit*>(QStringLiteral("1056"))->setText(QStringLiteral("-3"));
    preview->findChild<QLineEdit*>(QStringLiteral("1057"))->setText(QStringLiteral("3"));
    preview->findChild<QPushButton*>(QStringLiteral("1613"))->click();
    settle(300);
    save(grabArea(*preview, preview->frameGeometry()), picturePath(folder, "graph"));
    if (dialog.notePage() != nullptr)
        dialog.notePage()->setSearchText(notes);
    preview->close();
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* item, const QString& label)
{
    for (int i = 0; item != nullptr && i < item->childCount(); ++i)
        if (item->child(i)->text(0) == label)
            return item->child(i);
    return nullptr;
}

// Tree 1646 under the list, opened down to the licence texts, whose folder is
// chosen: it becomes the folder filter and a row of the list.
void driveTree(CScovaroDlg& dialog, const QString& folder)
{
    dialog.propertySheet()->tabs()->setCurrentWidget(dialog.searchPage());
    dialog.propertySheet()->hide();
    dialog.ShowDriveTree();
    QTreeWidget* tree = dialog.folderTrees()->filesTree();
    QTreeWidgetItem* root = nullptr;
    for (int i = 0; i < tree->topLevelItemCount() && root == nullptr; ++i)
        if (tree->topLevelItem(i)->text(0) == QStringLiteral("/"))
            root = tree->topLevelItem(i);
    QTreeWidgetItem* item = root;
    for (const char* label : {"usr/", "share/", "common-licenses/"}) {
        QTreeWidgetItem* next = childNamed(item, QString::fromLatin1(label));
        if (next == nullptr)
            break;
        tree->expandItem(next);
        item = next;
    }
    if (item != nullptr) {
        tree->setCurrentItem(item);
        tree->scrollToItem(item, QAbstractItemView::PositionAtTop);
    }
    auto* list = dialog.findChild<QTableView*>(QStringLiteral("1001"));
    list->scrollToBottom();
    settle(300);
    save(grabArea(dialog, dialog.frameGeometry()), picturePath(folder, "tree"));
    // The sheet's picture shows the search page as the search left it.
    dialog.searchPage()->setDirectoriesText(QString());
}

// The live index's indicator in the middle of a batch, its tooltip open. The
// tour's folder has no watcher: the state is made up, as a watcher would write it
// while it runs its sixth batch, and shown without following the files.
void watchIndicator(CScovaroDlg& dialog, const QString& folder)
{
    watch::WatchState state;
    state.pid = static_cast<int>(QCoreApplication::applicationPid());
    state.phase = watch::WatchPhase::Updating;
    state.archives = {1};
    state.folders = 14;
    state.pending = 2;
    state.batches = 5;
    state.lastBatchTime = static_cast<std::int64_t>(std::time(nullptr)) - 95;
    state.lastBatchSeconds = 0.84;
    state.lastBatchFolders = 3;
    state.lastBatchFiles = 9;
    watch::WatchFacts facts;
    facts.state = state;
    facts.watcherPid = state.pid;
    WatchIndicatorLabel* indicator = dialog.watchIndicator();
    indicator->showFacts(facts);
    settle(200);
    QToolTip::showText(indicator->mapToGlobal(QPoint(indicator->width() / 2, indicator->height() / 2)),
                       indicator->toolTip(), indicator);
    settle(400);
    QRect area = dialog.frameGeometry();
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->inherits("QTipLabel"))
            area = area.united(widget->frameGeometry());
    save(grabArea(dialog, area), picturePath(folder, "watch-indicator"));
    QToolTip::hideText();
}

// The pop-up window of `context` over `window` (the page asking for it), saved
// with the window.
void popupOver(CScovaroDlg& dialog, QWidget& window, QWidget* requester, utilities::PopupContext context,
               const QString& path)
{
    dialog.showPopupMenu(context, requester->mapToGlobal(QPoint(40, 60)), requester);
    settle(300);
    QRect both = window.frameGeometry();
    if (dialog.popupWindow() != nullptr && dialog.popupWindow()->isVisible())
        both = both.united(dialog.popupWindow()->frameGeometry());
    save(grabArea(window, both), path);
    dialog.closePopupMenu();
}

} // namespace

void StartScreenshotTour(CScovaroDlg& dialog, const QString& folder, const QString& words, const QString& language)
{
    tourLanguage() = language;
    QTimer::singleShot(500, &dialog, [&dialog, folder, words, language] {
        QDir().mkpath(folder);
        if (!language.isEmpty()) {
            QRadioButton* flag = languageFlag(dialog, language);
            if (flag == nullptr) {
                std::cerr << "vedrareader: no language " << language.toStdString() << " (it, en or es)\n";
                dialog.close();
                return;
            }
            flag->click();
        }
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
        save(grabArea(dialog, dialog.frameGeometry()), picturePath(folder, "main"));

        if (list->model()->rowCount() > 0) {
            QRect row = list->visualRect(list->model()->index(0, 0));
            emit list->customContextMenuRequested(row.center());
        }
        settle(300);
        QRect both = dialog.frameGeometry();
        if (dialog.popupWindow() != nullptr && dialog.popupWindow()->isVisible())
            both = both.united(dialog.popupWindow()->frameGeometry());
        save(grabArea(dialog, both), picturePath(folder, "popup"));
        dialog.closePopupMenu();
        // The preview's own pop-up, over the extracts the search showed.
        if (auto* preview = dialog.findChild<QWidget*>(QStringLiteral("1002")); preview != nullptr)
            popupOver(dialog, dialog, preview, utilities::PopupContext::Preview, picturePath(folder, "popup-preview"));

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
                save(grabArea(*info, info->frameGeometry()), picturePath(folder, "info"));
                info->close();
                settle(100);
            }
        }

        driveTree(dialog, folder);

        dialog.ShowOptions();
        settle(300);
        CMyPropertySheet* sheet = dialog.propertySheet();
        save(grabArea(*sheet, dialog.frameGeometry().united(sheet->frameGeometry())), picturePath(folder, "sheet"));
        popupOver(dialog, *sheet, dialog.searchPage(), utilities::PopupContext::SearchPage,
                  picturePath(folder, "popup-search"));
        sheet->tabs()->setCurrentWidget(dialog.notePage());
        settle(300);
        save(grabArea(*sheet, sheet->frameGeometry()), picturePath(folder, "sheet-util"));
        popupOver(dialog, *sheet, dialog.notePage(), utilities::PopupContext::UtilityPage,
                  picturePath(folder, "popup-util"));

        // The archive page with the excluded-folder list open for editing.
        if (auto* archivePage = sheet->findChild<QWidget*>(QStringLiteral("archivePage")); archivePage != nullptr) {
            sheet->tabs()->setCurrentWidget(archivePage);
            if (auto* lists = archivePage->findChild<QComboBox*>(QStringLiteral("listChoice")); lists != nullptr)
                lists->setCurrentIndex(lists->findData(archive::SlotExcludedFolders));
            settle(300);
            save(grabArea(*sheet, sheet->frameGeometry()), picturePath(folder, "archive"));
            // The dialog of a new archive, as its button opens it (closed unconfirmed).
            if (auto* page = qobject_cast<ArchivePage*>(archivePage); page != nullptr) {
                page->newArchive();
                settle(300);
                if (CNomeArchivio* archiveDialog = page->archiveDialog(); archiveDialog != nullptr) {
                    save(grabArea(*archiveDialog, archiveDialog->frameGeometry()), picturePath(folder, "newarchive"));
                    archiveDialog->close();
                }
            }
        }
        sheet->hide();
        imageAndGraph(dialog, folder);
        watchIndicator(dialog, folder);
        dialog.close();
    });
}

} // namespace vedra::ui
