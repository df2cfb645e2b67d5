// One language at a time: every window opened in each language shows no text of
// another language, no caption stays the same in all three unless it is a name or
// a sign, no caption is cut off, and switching the language keeps the list, the
// preview and the selection.
#include "UiTestRegistry.h"
#include "UiTestSupport.h"
#include "core/app/MessageTable.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/search/ResultList.h"
#include "core/utilities/PopupMenu.h"
#include "ui/ArchivePage.h"
#include "ui/CGrafica.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNomeArchivio.h"
#include "ui/CScelta.h"
#include "ui/CTastoDestro.h"
#include "ui/UiText.h"
#include "ui/WindowTexts.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CNote.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTreeWidget>

#include <map>
#include <vector>

using vedra::uitest::Session;
namespace ui = vedra::ui;
namespace utilities = vedra::utilities;

namespace {

constexpr int kLanguages[] = {0, 1, 2};
constexpr const char* kLanguageFlags[] = {"1670", "1669", "1774"};
constexpr const char* kLanguageNames[] = {"Italian", "English", "Spanish"};

QTemporaryDir& languageCorpusFolder()
{
    static QTemporaryDir folder;
    return folder;
}

// A session whose archive holds a few documents with "casa" and "mare".
bool indexLanguageCorpus(Session& session)
{
    const QString folder = QString::fromStdString(session.folder());
    if (!session.prepareWithArchive("casa mare sole luna common filler"))
        return false;
    const QString corpus = languageCorpusFolder().filePath(QFileInfo(folder).fileName());
    QDir().mkpath(corpus);
    for (int i = 0; i < 4; ++i)
        if (!vedra::uitest::writeAll(corpus + QStringLiteral("/doc%1.txt").arg(i),
                                     "common filler " + QByteArray::number(i) + "\nla casa al mare e il sole\n"))
            return false;
    return vedra::indexing::IndexFolder(session.workspace, corpus.toStdString(), vedra::indexing::IndexCommand::Normal,
                                        {})
               .status == vedra::indexing::IndexStatus::Done;
}

void chooseLanguage(Session& session, int language)
{
    QTest::mouseClick(session.control<QRadioButton>(kLanguageFlags[language]), Qt::LeftButton);
    // The layouts take the new captions' sizes in the event loop.
    QCoreApplication::processEvents();
}

// Shown, and laid out as the event loop would.
void settleShown(QWidget* window)
{
    window->show();
    QCoreApplication::processEvents();
}

// How a shown text is compared: blanks around it and a menu entry's check mark
// do not count.
QString normalised(QString text)
{
    text = text.trimmed();
    if (text.startsWith(u'*'))
        text = text.mid(1).trimmed();
    return text;
}

// Every text of the window tables, the engine's menus, column titles and message
// table, by language.
std::array<QSet<QString>, 3> knownTexts()
{
    std::array<QSet<QString>, 3> known;
    for (int language : kLanguages) {
        for (const ui::Texts* table : ui::captions::kAll)
            known[language].insert(normalised(ui::caption(*table, language)));
        for (std::string_view title : vedra::search::ResultList::ColumnTitles(language))
            known[language].insert(normalised(QString::fromStdString(std::string(title))));
        const vedra::app::MessageTable messages(language);
        for (std::size_t key = 0; key < vedra::app::kMessageKeyCount; ++key)
            known[language].insert(normalised(ui::displayed(
                std::string(messages.text(static_cast<vedra::app::MessageKey>(key))))));
        utilities::PopupConditions all;
        all.listHasRows = all.queryHasSeveralWords = all.queryHasBlank = all.previewHasText = true;
        all.fileLoaded = all.textSelected = all.clipboardHasText = true;
        for (auto context : {utilities::PopupContext::ResultList, utilities::PopupContext::Preview,
                             utilities::PopupContext::SearchPage, utilities::PopupContext::SearchWords,
                             utilities::PopupContext::ImagePreview, utilities::PopupContext::UtilityPage}) {
            for (bool clipping : {false, true}) {
                all.clippingExists = clipping;
                const utilities::PopupMenu menu = utilities::BuildPopupMenu(context, language, all, {}, {});
                known[language].insert(normalised(ui::displayed(menu.title)));
                known[language].insert(normalised(ui::displayed(menu.runWithCaption)));
                for (const std::string& entry : menu.entries)
                    known[language].insert(normalised(ui::displayed(entry)));
            }
        }
        known[language].remove(QString());
    }
    return known;
}

// The texts that only another language has.
QSet<QString> foreignTexts(int language)
{
    const auto known = knownTexts();
    QSet<QString> foreign;
    for (int other : kLanguages)
        if (other != language)
            foreign.unite(known[other]);
    return foreign.subtract(known[language]);
}

// One text a window shows, and where.
struct ShownText {
    const QObject* owner;
    QString where;  // which property of which control
    QString text;
};

QString nameOf(const QWidget* widget)
{
    QString path;
    for (const QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
        const QString name =
            at->objectName().isEmpty() ? QString::fromLatin1(at->metaObject()->className()) : at->objectName();
        path.prepend(QStringLiteral("/") + name);
    }
    return path;
}

// The texts of `window` and its visible controls: titles, captions, tips, column
// titles, placeholders, list and combo entries.
std::vector<ShownText> shownTexts(QWidget* window)
{
    std::vector<ShownText> shown;
    auto add = [&shown](const QObject* owner, const QString& where, const QString& text) {
        if (!normalised(text).isEmpty())
            shown.push_back({owner, where, text});
    };
    add(window, nameOf(window) + QStringLiteral(" title"), window->windowTitle());
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisible())
            continue;
        const QString where = nameOf(widget);
        add(widget, where + QStringLiteral(" tip"), widget->toolTip());
        if (auto* label = qobject_cast<QLabel*>(widget))
            add(widget, where, label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            add(widget, where, button->text());
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            add(widget, where, box->title());
        else if (auto* edit = qobject_cast<QLineEdit*>(widget); edit != nullptr && edit->text().isEmpty())
            add(widget, where + QStringLiteral(" placeholder"), edit->placeholderText());
        else if (auto* tabs = qobject_cast<QTabBar*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                add(widget, where + QStringLiteral(" tab %1").arg(i), tabs->tabText(i));
        else if (auto* header = qobject_cast<QHeaderView*>(widget))
            for (int i = 0; i < header->count(); ++i)
                add(widget, where + QStringLiteral(" column %1").arg(i),
                    header->model()->headerData(i, header->orientation()).toString());
        else if (auto* list = qobject_cast<QListWidget*>(widget))
            for (int i = 0; i < list->count(); ++i)
                add(nullptr, where + QStringLiteral(" entry %1").arg(i), list->item(i)->text());
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                add(nullptr, where + QStringLiteral(" item %1").arg(i), combo->itemText(i));
    }
    return shown;
}

// The pop-up window for each context in turn, each with its texts.
std::vector<ShownText> popupTexts(ui::CScovaroDlg& dialog)
{
    std::vector<ShownText> shown;
    const QPoint at = dialog.frameGeometry().center();
    const std::pair<utilities::PopupContext, QWidget*> contexts[] = {
        {utilities::PopupContext::ResultList, dialog.findChild<QWidget*>(QStringLiteral("1001"))},
        {utilities::PopupContext::Preview, dialog.findChild<QWidget*>(QStringLiteral("1002"))},
        {utilities::PopupContext::SearchPage, static_cast<QWidget*>(dialog.searchPage())},
        {utilities::PopupContext::SearchWords, static_cast<QWidget*>(dialog.searchPage())},
        {utilities::PopupContext::UtilityPage, static_cast<QWidget*>(dialog.notePage())},
    };
    for (const auto& [context, requester] : contexts) {
        dialog.showPopupMenu(context, at, requester);
        if (dialog.popupWindow() == nullptr || !dialog.popupWindow()->isVisible())
            continue;
        for (ShownText& text : shownTexts(dialog.popupWindow())) {
            text.owner = nullptr;  // the same controls show another menu next
            shown.push_back(std::move(text));
        }
        dialog.closePopupMenu();
    }
    return shown;
}

// Every window of the program open in turn: the main window, the sheet's three
// pages, the archive dialog, the graph window, the information window and the
// pop-up window; `visit` sees each while it is shown.
template <typename Visit>
void visitEveryWindow(ui::CScovaroDlg& dialog, Visit visit)
{
    dialog.ShowOptions();
    visit(static_cast<QWidget*>(&dialog));
    ui::CMyPropertySheet* sheet = dialog.propertySheet();
    for (int tab = 0; tab < sheet->tabs()->count(); ++tab) {
        sheet->tabs()->setCurrentIndex(tab);
        settleShown(sheet);
        visit(static_cast<QWidget*>(sheet));
    }
    auto* archivePage = sheet->findChild<ui::ArchivePage*>(QStringLiteral("archivePage"));
    archivePage->newArchive();
    if (ui::CNomeArchivio* archiveDialog = archivePage->archiveDialog()) {
        settleShown(archiveDialog);
        visit(static_cast<QWidget*>(archiveDialog));
        archiveDialog->close();
    }
    sheet->tabs()->setCurrentIndex(0);
    dialog.drawFunctionGraph();
    if (ui::CGrafica* graph = dialog.imagePreview()) {
        settleShown(graph);
        visit(static_cast<QWidget*>(graph));
        graph->close();
    }
    ui::CScelta* information = dialog.information();
    settleShown(information);
    visit(static_cast<QWidget*>(information));
    information->close();
}

// Texts that read the same in the three languages: names, signs, numbers, the
// user's data (paths, archive names, typed words), and the flags, which name each
// language in itself so that a reader of it finds it.
bool languageNeutral(const QString& text)
{
    static const QSet<QString> names = {
        QStringLiteral("OK"), QStringLiteral("Pos"), QStringLiteral("Info"), QStringLiteral("Memorandum"),
        QStringLiteral("X"), QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("< x <"),
        QStringLiteral("Vedra"), QStringLiteral("Ventiquor"), QStringLiteral("Dir"), QStringLiteral("Files/Dir"),
        QStringLiteral("N.pos."), QStringLiteral("No"), QStringLiteral("Zoom +"), QStringLiteral("Zoom -"),
        QStringLiteral("+"), QString(QChar(0x2212)), QString(QChar(0x00D7)), QStringLiteral("English"),
        QString::fromUtf8("Español"),
        QStringLiteral("Italiano"), QStringLiteral("VedraReader"), QStringLiteral("FILE")};
    const QString shown = normalised(text);
    static const QRegularExpression data(QStringLiteral("^[-+0-9.,:/ ]*$|/|demo|DEMO|casa"));
    return names.contains(shown) || data.match(shown).hasMatch();
}

// Whether `text` fits `width` pixels in `metrics`, every line of it.
bool fits(const QFontMetrics& metrics, const QString& text, int width)
{
    for (const QString& line : text.split(u'\n'))
        if (metrics.horizontalAdvance(line) > width)
            return false;
    return true;
}

// The controls of `window` whose caption does not fit them, described.
QStringList clippedCaptions(QWidget* window)
{
    QStringList clipped;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (!widget->isVisible())
            continue;
        const QString where = nameOf(widget);
        auto report = [&](const QString& text, int needed, int room) {
            clipped << QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(where, text).arg(needed).arg(room);
        };
        const QFontMetrics metrics = widget->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            // The status line cuts long paths on purpose, its tip holding them whole.
            if (label->wordWrap() || label->objectName() == QStringLiteral("1475") || label->text().isEmpty() ||
                label->textFormat() == Qt::RichText)
                continue;
            const int room = label->contentsRect().width() - 2 * label->margin() - std::max(label->indent(), 0);
            if (!fits(metrics, label->text(), room))
                report(label->text(), metrics.horizontalAdvance(label->text()), room);
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            if (button->text().isEmpty())
                continue;
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width() -
                             (button->icon().isNull() ? 0 : button->iconSize().width() + 4);
            const int needed = metrics.horizontalAdvance(button->text());
            if (needed > room)
                report(button->text(), needed, room);
        } else if (auto* check = qobject_cast<QAbstractButton*>(widget)) {
            // Check boxes and radio buttons: the box, its gap and the text.
            if (!check->text().isEmpty() && check->sizeHint().width() > check->width())
                report(check->text(), check->sizeHint().width(), check->width());
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            const int needed = metrics.horizontalAdvance(box->title()) + 16;
            if (!box->title().isEmpty() && needed > box->width())
                report(box->title(), needed, box->width());
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            const int needed = metrics.horizontalAdvance(edit->placeholderText()) + 8;
            if (edit->text().isEmpty() && !edit->placeholderText().isEmpty() && needed > edit->width())
                report(edit->placeholderText(), needed, edit->width());
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                const int needed = metrics.horizontalAdvance(tabs->tabText(i)) + 8;
                if (needed > tabs->tabRect(i).width())
                    report(tabs->tabText(i), needed, tabs->tabRect(i).width());
            }
        } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
            for (int i = 0; i < header->count(); ++i) {
                if (header->isSectionHidden(i))
                    continue;
                if (header->sectionSize(i) < header->sectionSizeHint(i))
                    report(header->model()->headerData(i, header->orientation()).toString(),
                           header->sectionSizeHint(i), header->sectionSize(i));
            }
        } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
            const int room = list->viewport()->width() - 4;
            for (int i = 0; i < list->count(); ++i)
                if (!list->item(i)->text().startsWith(QStringLiteral("--")) &&
                    !fits(list->fontMetrics(), list->item(i)->text(), room))
                    report(list->item(i)->text(), list->fontMetrics().horizontalAdvance(list->item(i)->text()), room);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            const int needed = metrics.horizontalAdvance(combo->currentText()) + 30;
            if (!combo->currentText().isEmpty() && needed > combo->width())
                report(combo->currentText(), needed, combo->width());
        }
    }
    return clipped;
}

QStringList rowLabels(QTableView* list)
{
    QStringList labels;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        labels << list->model()->index(row, 0).data().toString();
    return labels;
}

QList<int> selectedRows(QTableView* list)
{
    QList<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class WindowLanguageTest : public QObject {
    Q_OBJECT

private slots:
    void noWindowShowsAnotherLanguage();
    void noCaptionIsCutOff();
    void switchingKeepsTheListThePreviewAndTheSelection();
    void theTablesHaveATextForEveryLanguage();
    void qtsOwnTextsFollowTheFlags();
    void aFlagClickedAfterTheSheetDoesNotSearchTheClipboard();
};

void WindowLanguageTest::noWindowShowsAnotherLanguage()
{
    Session session;
    QVERIFY(indexLanguageCorpus(session));
    auto& dialog = session.open();
    vedra::uitest::searchFor(dialog, QStringLiteral("casa mare"));
    QVERIFY(dialog.findChild<QTableView*>(QStringLiteral("1001"))->model()->rowCount() > 0);

    // What each control shows in each language, to find those that never change.
    std::map<QString, std::array<QString, 3>> byControl;
    for (int language : kLanguages) {
        chooseLanguage(session, language);
        QCOMPARE(session.workspace.LanguageIndex, language);
        const QSet<QString> foreign = foreignTexts(language);
        std::vector<ShownText> shown;
        visitEveryWindow(dialog, [&shown](QWidget* window) {
            for (ShownText& text : shownTexts(window))
                shown.push_back(std::move(text));
        });
        const std::vector<ShownText> popups = popupTexts(dialog);
        shown.insert(shown.end(), popups.begin(), popups.end());
        QVERIFY(shown.size() > 60);
        QStringList wrong;
        for (const ShownText& text : shown) {
            if (foreign.contains(normalised(text.text)))
                wrong << text.where + QStringLiteral(": \"") + text.text + QStringLiteral("\"");
            if (text.owner != nullptr)
                byControl[text.where][static_cast<std::size_t>(language)] = text.text;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 chosen, but shown: ").arg(kLanguageNames[language]) +
                                             wrong.join(QStringLiteral("; "))));
    }
    // A caption that stays the same in all three languages was forgotten, unless it
    // is a name, a sign or the user's data.
    QStringList unchanged;
    for (const auto& [where, texts] : byControl)
        if (!texts[0].isEmpty() && texts[0] == texts[1] && texts[1] == texts[2] && !languageNeutral(texts[0]))
            unchanged << where + QStringLiteral(": \"") + texts[0] + QStringLiteral("\"");
    QVERIFY2(unchanged.isEmpty(), qPrintable(QStringLiteral("the same in every language: ") +
                                             unchanged.join(QStringLiteral("; "))));
}

void WindowLanguageTest::noCaptionIsCutOff()
{
    Session session;
    QVERIFY(indexLanguageCorpus(session));
    auto& dialog = session.open();
    // Before a document is shown the fields name themselves.
    for (int language : kLanguages) {
        chooseLanguage(session, language);
        QVERIFY(!session.control<QLabel>("1007")->text().at(0).isDigit());
        const QStringList clipped = clippedCaptions(&dialog);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
    }
    vedra::uitest::searchFor(dialog, QStringLiteral("casa mare"));
    for (int language : kLanguages) {
        chooseLanguage(session, language);
        QStringList clipped;
        visitEveryWindow(dialog, [&clipped](QWidget* window) { clipped << clippedCaptions(window); });
        const QPoint at = dialog.frameGeometry().center();
        for (auto context : {utilities::PopupContext::ResultList, utilities::PopupContext::Preview,
                             utilities::PopupContext::SearchPage, utilities::PopupContext::UtilityPage}) {
            dialog.showPopupMenu(context, at, dialog.searchPage());
            clipped << clippedCaptions(dialog.popupWindow());
            dialog.closePopupMenu();
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(QStringLiteral("%1: ").arg(kLanguageNames[language]) +
                                               clipped.join(QStringLiteral("; "))));
    }
}

void WindowLanguageTest::switchingKeepsTheListThePreviewAndTheSelection()
{
    Session session;
    QVERIFY(indexLanguageCorpus(session));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    chooseLanguage(session, 0);
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QCOMPARE(list->model()->rowCount(), 4);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(2, 0)).center());
    const QStringList rows = rowLabels(list);
    const QString shown = preview->toPlainText();
    QVERIFY(shown.contains(rows[2]));
    QCOMPARE(selectedRows(list), QList<int>{2});

    for (int language : {1, 2, 0}) {
        chooseLanguage(session, language);
        const auto titles = vedra::search::ResultList::ColumnTitles(language);
        for (int column : {1, 3, 4})
            QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(),
                     ui::displayed(std::string(titles[static_cast<std::size_t>(column)])));
        QCOMPARE(rowLabels(list), rows);
        QCOMPARE(preview->toPlainText(), shown);
        QCOMPARE(selectedRows(list), QList<int>{2});
        QCOMPARE(dialog.session().results().selectedRows(), std::vector<std::size_t>{2});
    }
}

void WindowLanguageTest::theTablesHaveATextForEveryLanguage()
{
    // An empty text, or one text for all three, is a caption left untranslated.
    for (const ui::Texts* table : ui::captions::kAll) {
        for (int language : kLanguages)
            QVERIFY2(!std::string_view((*table)[static_cast<std::size_t>(language)]).empty(), (*table)[1]);
        QVERIFY2(std::string_view((*table)[0]) != (*table)[1] || std::string_view((*table)[1]) != (*table)[2],
                 (*table)[1]);
    }
}

void WindowLanguageTest::aFlagClickedAfterTheSheetDoesNotSearchTheClipboard()
{
    // A desktop's clipboard nearly always holds some text. Going from the sheet back
    // to the window to click a flag is no return from another program: the list and
    // the preview stay. Leaving for another program (no window of ours active) and
    // coming back still searches the clipboard.
    Session session;
    QVERIFY(indexLanguageCorpus(session));
    auto& dialog = session.open();
    auto* list = session.control<QTableView>("1001");
    auto* preview = session.control<QTextEdit>("1002");
    QApplication::setActiveWindow(&dialog);
    vedra::uitest::searchFor(dialog, QStringLiteral("casa"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    const QStringList rows = rowLabels(list);
    const QString shown = preview->toPlainText();
    QGuiApplication::clipboard()->setText(QStringLiteral("luna"));
    const std::size_t asked = session.asked.size();

    for (int language : {0, 2, 1}) {
        dialog.propertySheet()->show();
        QApplication::setActiveWindow(dialog.propertySheet());
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(&dialog);
        chooseLanguage(session, language);
        QCoreApplication::processEvents();
        QCOMPARE(rowLabels(list), rows);
        QCOMPARE(preview->toPlainText(), shown);
        QCOMPARE(selectedRows(list), QList<int>{1});
        QCOMPARE(session.asked.size(), asked);
    }

    QApplication::setActiveWindow(dialog.propertySheet());
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(nullptr);
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(&dialog);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(dialog.searchPage()->wordsText(), QStringLiteral("luna"));
    QVERIFY(session.asked.size() > asked);
}

void WindowLanguageTest::qtsOwnTextsFollowTheFlags()
{
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(translations + QStringLiteral("/qtbase_it.qm")) ||
        !QFile::exists(translations + QStringLiteral("/qtbase_es.qm")))
        QSKIP("Qt's translations (qt6-translations-l10n) are not installed");
    Session session;
    QVERIFY(session.prepare());
    session.open();
    // The file dialog's button, as Qt's own dialogs take it.
    auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    chooseLanguage(session, 0);
    QCOMPARE(cancel(), QStringLiteral("Annulla"));
    chooseLanguage(session, 2);
    QCOMPARE(cancel(), QStringLiteral("Cancelar"));
    chooseLanguage(session, 1);
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
}

VEDRA_UI_TEST_MAIN(WindowLanguageTest)
#include "WindowLanguageTest.moc"
