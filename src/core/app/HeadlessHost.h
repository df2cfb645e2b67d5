// A host without a window: answers questions from a script (or a default), keeps
// everything that was shown, and can echo messages to a stream. Used by tests and
// by the `vedra` command.
#pragma once

#include "core/app/Host.h"

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vedra::app {

class HeadlessHost : public Host {
public:
    struct ShownMessage {
        std::string text;
        MessageButtons buttons;
        MessageAnswer answer;
        std::string title;  // empty for an untitled box
    };

    // Questions (more than an OK button) take the next scripted answer; when none is
    // left, OK/Yes if `acceptByDefault`, else Cancel/No.
    void queueAnswer(MessageAnswer answer) { m_answers.push_back(answer); }
    void setAcceptByDefault(bool accept) { m_acceptByDefault = accept; }

    // The next drain reports an Escape key press.
    void pressEscape() { ++m_pendingEscapes; }

    // Called at every drain with its count (from 1): lets a test act in the middle of
    // a long operation, as a user pressing Break would.
    void setOnDrain(std::function<void(int)> onDrain) { m_onDrain = std::move(onDrain); }

    // Called with every title set, so a test sees titles that come and go between drains.
    void setOnTitle(std::function<void(const std::string&)> onTitle) { m_onTitle = std::move(onTitle); }

    // Messages are also written here, one per line, when set.
    void setEcho(std::ostream* echo) { m_echo = echo; }

    bool drainEvents() override;
    MessageAnswer messageBox(const std::string& text, MessageButtons buttons) override;
    MessageAnswer titledMessageBox(const std::string& title, const std::string& text,
                                   MessageButtons buttons) override;
    void setTitle(const std::string& title) override
    {
        m_title = title;
        if (m_onTitle)
            m_onTitle(title);
    }
    void setStatus(const std::string& text) override { m_status = text; }
    // Kept, set as the status and echoed like a message.
    void showNotice(const std::string& text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPosition(int position) override { m_progressPosition = position; }
    void setWaitCursor(bool on) override;

    const std::vector<ShownMessage>& messages() const { return m_messages; }
    const std::vector<std::string>& notices() const { return m_notices; }
    // Forgets what was shown, for a host that lives through many operations.
    void clearMessages()
    {
        m_messages.clear();
        m_notices.clear();
    }
    const std::string& title() const { return m_title; }
    const std::string& status() const { return m_status; }
    int progressLow() const { return m_progressLow; }
    int progressHigh() const { return m_progressHigh; }
    int progressPosition() const { return m_progressPosition; }
    bool waitCursor() const { return m_waitCursorDepth > 0; }
    int drainCount() const { return m_drainCount; }

private:
    std::deque<MessageAnswer> m_answers;
    bool m_acceptByDefault = true;
    int m_pendingEscapes = 0;
    std::function<void(int)> m_onDrain;
    std::function<void(const std::string&)> m_onTitle;
    std::ostream* m_echo = nullptr;
    std::vector<ShownMessage> m_messages;
    std::vector<std::string> m_notices;
    std::string m_title;
    std::string m_status;
    int m_progressLow = 0;
    int m_progressHigh = 0;
    int m_progressPosition = 0;
    int m_waitCursorDepth = 0;
    int m_drainCount = 0;
};

} // namespace vedra::app
