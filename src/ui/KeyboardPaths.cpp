// The view moves its current row itself; this only watches. The pause restarts at
// every move, so a held key costs no preview per row, only one where it stops. A
// press of the mouse forgets a waiting move: the click shows its own row.
#include "ui/KeyboardPaths.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace vedra::ui {

bool MovesCurrentRow(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

bool OpensCurrentRow(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers held =
        event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) && held == Qt::NoModifier;
}

ListKeyboard::ListKeyboard(QAbstractItemView* view, RowAction show, RowAction open)
    : QObject(view), m_view(view), m_show(std::move(show)), m_open(std::move(open))
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseMilliseconds);
    connect(&m_pause, &QTimer::timeout, this, &ListKeyboard::showNow);
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

void ListKeyboard::showNow()
{
    m_pause.stop();
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || (m_startedAt.isValid() && current.row() == m_startedAt.row()))
        return;
    m_show(current);
}

bool ListKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        m_pause.stop();
        return false;
    }
    if (watched != m_view || event->type() != QEvent::KeyPress)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (OpensCurrentRow(key)) {
        const QModelIndex current = m_view->currentIndex();
        if (!current.isValid())
            return false;
        // The row to open is shown first, as the click of a double click would.
        if (m_pause.isActive())
            showNow();
        m_open(current);
        return true;
    }
    if (!MovesCurrentRow(key))
        return false;
    if (!m_pause.isActive())
        m_startedAt = m_view->currentIndex();
    m_pause.start();
    const bool home = key.key() == Qt::Key_Home;
    if ((home || key.key() == Qt::Key_End) && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // A table goes to the row's first or last column; a list of rows goes to
        // its first or last row.
        const QAbstractItemModel* model = m_view->model();
        const int rows = model != nullptr ? model->rowCount(m_view->rootIndex()) : 0;
        if (rows > 0) {
            const int column = std::max(m_view->currentIndex().column(), 0);
            const QModelIndex target = model->index(home ? 0 : rows - 1, column, m_view->rootIndex());
            m_view->setCurrentIndex(target);
            m_view->scrollTo(target);
        }
        return true;
    }
    return false;
}

void SetTabOrderByName(QWidget* root, std::initializer_list<const char*> names)
{
    QWidget* previous = nullptr;
    for (const char* name : names) {
        auto* next = root->findChild<QWidget*>(QString::fromLatin1(name));
        if (next == nullptr)
            continue;
        if (previous != nullptr)
            QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

} // namespace vedra::ui
