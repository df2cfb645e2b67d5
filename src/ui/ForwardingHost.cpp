// Before the window exists this host answers alone: it pumps events with no Escape
// to report, and keeps only the last title, status and progress for the window. A
// wait cursor pushed here is popped here, so the override stack stays balanced
// however the target changes; the destructor pops whatever is left.
#include "ui/ForwardingHost.h"

#include "core/app/TextEncoding.h"

#include <QApplication>
#include <QCoreApplication>

namespace vedra::ui {

ForwardingHost::~ForwardingHost()
{
    while (m_waitCursorDepth-- > 0)
        QApplication::restoreOverrideCursor();
}

void ForwardingHost::setTarget(app::Host* target)
{
    m_target = target;
    if (m_target == nullptr)
        return;
    if (m_title)
        m_target->setTitle(*m_title);
    if (m_status)
        m_target->setStatus(*m_status);
    if (m_progressRange)
        m_target->setProgressRange(m_progressRange->first, m_progressRange->second);
    if (m_progressPosition)
        m_target->setProgressPosition(*m_progressPosition);
    m_title.reset();
    m_status.reset();
    m_progressRange.reset();
    m_progressPosition.reset();
}

bool ForwardingHost::drainEvents()
{
    if (m_target != nullptr)
        return m_target->drainEvents();
    // No window yet, so no key press can be meant for the program.
    QCoreApplication::processEvents();
    return false;
}

app::MessageAnswer ForwardingHost::messageBox(const std::string& text, app::MessageButtons buttons)
{
    if (m_target != nullptr)
        return m_target->messageBox(text, buttons);
    std::string shown = app::displayUtf8(text);
    m_shownMessages.push_back(shown);
    if (m_responder)
        return m_responder(shown, buttons);
    return runMessageBox(nullptr, shown, buttons);
}

app::MessageAnswer ForwardingHost::titledMessageBox(const std::string& title, const std::string& text,
                                                   app::MessageButtons buttons)
{
    if (m_target != nullptr)
        return m_target->titledMessageBox(title, text, buttons);
    std::string shown = app::displayUtf8(text);
    m_shownMessages.push_back(shown);
    if (m_responder)
        return m_responder(shown, buttons);
    return runMessageBox(nullptr, shown, buttons, app::displayUtf8(title));
}

void ForwardingHost::setTitle(const std::string& title)
{
    if (m_target != nullptr)
        m_target->setTitle(title);
    else
        m_title = title;
}

void ForwardingHost::setStatus(const std::string& text)
{
    if (m_target != nullptr)
        m_target->setStatus(text);
    else
        m_status = text;
}

void ForwardingHost::setProgressRange(int low, int high)
{
    if (m_target != nullptr)
        m_target->setProgressRange(low, high);
    else
        m_progressRange = std::make_pair(low, high);
}

void ForwardingHost::setProgressPosition(int position)
{
    if (m_target != nullptr)
        m_target->setProgressPosition(position);
    else
        m_progressPosition = position;
}

void ForwardingHost::setWaitCursor(bool on)
{
    // A cursor pushed here is popped here, whoever is the target by then, so the
    // override stack stays balanced across setTarget.
    if (!on && m_waitCursorDepth > 0) {
        --m_waitCursorDepth;
        QApplication::restoreOverrideCursor();
        return;
    }
    if (m_target != nullptr) {
        m_target->setWaitCursor(on);
        return;
    }
    if (on) {
        ++m_waitCursorDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

} // namespace vedra::ui
