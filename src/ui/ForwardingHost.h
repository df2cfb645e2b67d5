// The host the workspace is built with. The workspace keeps its host for the whole
// run, but it must exist (and prepare itself) before the main window does; this
// host stands in until the window is there, then passes every call on to it.
#pragma once

#include "core/app/Host.h"
#include "ui/MessageBoxes.h"

#include <optional>
#include <string>
#include <vector>

namespace vedra::ui {

class ForwardingHost : public app::Host {
public:
    ForwardingHost() = default;
    ForwardingHost(const ForwardingHost&) = delete;
    ForwardingHost& operator=(const ForwardingHost&) = delete;
    ~ForwardingHost() override;

    // Calls go to `target` from now on (not owned; null to stop forwarding, which
    // must happen before the target is destroyed). The last title, status and
    // progress set while there was no target are passed on to a new target, so
    // that what start-up reported before the window existed still shows.
    void setTarget(app::Host* target);
    app::Host* target() const { return m_target; }

    // Answers the message boxes shown while there is no target.
    void setMessageResponder(MessageResponder responder) { m_responder = std::move(responder); }
    // Texts shown while there was no target, as displayed (UTF-8), in order.
    const std::vector<std::string>& shownMessages() const { return m_shownMessages; }

    bool drainEvents() override;
    app::MessageAnswer messageBox(const std::string& text, app::MessageButtons buttons) override;
    app::MessageAnswer titledMessageBox(const std::string& title, const std::string& text,
                                        app::MessageButtons buttons) override;
    void setTitle(const std::string& title) override;
    void setStatus(const std::string& text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPosition(int position) override;
    void setWaitCursor(bool on) override;

private:
    app::Host* m_target = nullptr;
    MessageResponder m_responder;
    std::vector<std::string> m_shownMessages;
    std::optional<std::string> m_title;
    std::optional<std::string> m_status;
    std::optional<std::pair<int, int>> m_progressRange;
    std::optional<int> m_progressPosition;
    int m_waitCursorDepth = 0;
};

} // namespace vedra::ui
