// The window without the mouse: the lists' keys, the way to the words box from
// anywhere, what Escape closes before it asks to quit, the order Tab follows,
// and what a screen reader says of each control.
#include "ui/CScovaroDlg.h"

#include "ui/AccessibleTexts.h"
#include "ui/ArchivePage.h"
#include "ui/CGrafica.h"
#include "ui/CMyPropertyPage2.h"
#include "ui/CMyPropertySheet.h"
#include "ui/CNote.h"
#include "ui/CScelta.h"
#include "ui/CTastoDestro.h"
#include "ui/FolderTrees.h"
#include "ui/KeyboardPaths.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTreeWidget>

namespace vedra::ui {

void CScovaroDlg::setUpKeyboard()
{
    new ListKeyboard(
        m_resultList, [this](const QModelIndex& index) { resultClicked(index); },
        [this](const QModelIndex& index) { resultDoubleClicked(index); });
    new ListKeyboard(
        m_pathList, [this](const QModelIndex& index) { indexEntryClicked(m_pathList->topLevelItem(index.row())); },
        [this](const QModelIndex& index) { indexEntryDoubleClicked(m_pathList->topLevelItem(index.row())); });
    // The buttons keep clear of a click's focus (Enter belongs to the search
    // page), but Tab reaches them.
    for (QWidget* button : std::initializer_list<QWidget*>{m_continueButton, m_breakButton, m_optionsButton, m_english,
                                                            m_spanish, m_italian})
        button->setFocusPolicy(Qt::TabFocus);
    // Tab leaves the preview rather than typing a tab into it.
    m_preview->setTabChangesFocus(true);
    SetTabOrderByName(this, {"1001", "1002", "1831", "1008", "1704", "1566", "1669", "1774", "1670"});
}

void CScovaroDlg::arrangePagesForKeyboard()
{
    if (m_searchPage != nullptr)
        SetTabOrderByName(m_searchPage,
                          {"1800", "1009", "1771", "1772", "1839", "1054", "1055", "directOnDisk", "1684"});
    if (m_notePage != nullptr)
        SetTabOrderByName(m_notePage, {"1475", "1678", "1499", "memorandumScope", "notesScope", "pageNotes",
                                       "drawGraph", "saveNote", "1835", "englishReading", "1775", "1776", "1796"});
    if (m_archivePage != nullptr)
        SetTabOrderByName(m_archivePage, {"newArchive", "describeArchive", "indexFolder", "indexOneFolder",
                                          "updateFolder", "break", "wordWatch", "watchService", "listChoice",
                                          "listText", "saveList"});
}

void CScovaroDlg::applyAccessibleTexts()
{
    // The pop-up, image and information windows are this window's children: they
    // are reached from here once they exist.
    ApplyAccessibleTexts(this, m_workspace.LanguageIndex);
}

void CScovaroDlg::focusWordsBox()
{
    if (m_sheet == nullptr || m_searchPage == nullptr)
        return;
    closePopupMenu();
    if (!m_sheet->isVisible())
        ShowOptions();
    m_sheet->tabs()->setCurrentWidget(m_searchPage);
    m_sheet->raise();
    m_sheet->activateWindow();
    auto* words = m_searchPage->findChild<QLineEdit*>(QStringLiteral("1800"));
    if (words == nullptr)
        return;
    words->setFocus(Qt::ShortcutFocusReason);
    words->selectAll();
}

bool CScovaroDlg::takeFindKey(QObject* watched, const QKeyEvent& key)
{
    const Qt::KeyboardModifiers held = key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    const bool find = (key.key() == Qt::Key_F && held == Qt::ControlModifier) ||
                      (key.key() == Qt::Key_F3 && held == Qt::NoModifier);
    if (!find || !watched->isWidgetType() || !belongsToProgram(static_cast<QWidget*>(watched)))
        return false;
    // A message box waiting for its answer keeps the focus.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this)
        return false;
    focusWordsBox();
    return true;
}

bool CScovaroDlg::closeTopmostPopup()
{
    if (QWidget* menu = QApplication::activePopupWidget(); menu != nullptr) {
        menu->close();
        return true;
    }
    if (m_popup != nullptr && m_popup->isVisible()) {
        closePopupMenu();
        return true;
    }
    if (m_trees->anyShown()) {
        m_trees->hideTrees();
        return true;
    }
    if (m_information != nullptr && m_information->isVisible()) {
        m_information->close();
        return true;
    }
    if (m_grafica != nullptr && m_grafica->isVisible()) {
        m_grafica->close();
        return true;
    }
    return false;
}

bool CScovaroDlg::belongsToProgram(const QWidget* widget) const
{
    // The windows this one owns have it as their parent; their own pop-ups (a
    // box's list) have them.
    for (const QWidget* window = widget != nullptr ? widget->window() : nullptr; window != nullptr;
         window = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr) {
        if (window == this)
            return true;
    }
    return false;
}

bool CScovaroDlg::insidePopupWindow(const QObject* object) const
{
    for (; object != nullptr; object = object->parent()) {
        if (object == m_popup)
            return true;
    }
    return false;
}

void CScovaroDlg::raiseToolWindows()
{
    if (m_grafica != nullptr && m_grafica->isVisible())
        m_grafica->raise();
    if (m_information != nullptr && m_information->isVisible())
        m_information->raise();
    if (m_popup != nullptr && m_popup->isVisible())
        m_popup->raise();
}

} // namespace vedra::ui
