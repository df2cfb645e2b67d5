// Only questions consume a scripted answer: an OK box takes none, so a plain
// message added to a flow does not shift the answers a test queued. A question's
// answer is kept with it and echoed beside its text, so a transcript shows what
// was chosen. The wait cursor is a depth that never drops below zero.
#include "core/app/HeadlessHost.h"

namespace vedra::app {

bool HeadlessHost::drainEvents()
{
    ++m_drainCount;
    if (m_onDrain)
        m_onDrain(m_drainCount);
    if (m_pendingEscapes > 0) {
        --m_pendingEscapes;
        return true;
    }
    return false;
}

MessageAnswer HeadlessHost::messageBox(const std::string& text, MessageButtons buttons)
{
    MessageAnswer answer = ScriptedAnswer(buttons, m_acceptByDefault);
    if (buttons != MessageButtons::Ok && !m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    m_messages.push_back({text, buttons, answer, {}});
    if (m_echo != nullptr) {
        *m_echo << text;
        if (buttons != MessageButtons::Ok)
            *m_echo << " [" << AnswerName(answer) << "]";
        *m_echo << '\n';
        m_echo->flush();
    }
    return answer;
}

MessageAnswer HeadlessHost::titledMessageBox(const std::string& title, const std::string& text,
                                             MessageButtons buttons)
{
    MessageAnswer answer = messageBox(text, buttons);
    m_messages.back().title = title;
    return answer;
}

void HeadlessHost::showNotice(const std::string& text)
{
    m_notices.push_back(text);
    m_status = text;
    if (m_echo != nullptr) {
        *m_echo << text << '\n';
        m_echo->flush();
    }
}

void HeadlessHost::setProgressRange(int low, int high)
{
    m_progressLow = low;
    m_progressHigh = high;
}

void HeadlessHost::setWaitCursor(bool on)
{
    m_waitCursorDepth += on ? 1 : -1;
    if (m_waitCursorDepth < 0)
        m_waitCursorDepth = 0;
}

} // namespace vedra::app
