// A main window's side without the main window: a real workspace over a headless
// host in a folder of its own, a real search session, and a record of what the
// page or pop-up under test asked of the screen.
#pragma once

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/search/SearchSession.h"
#include "core/utilities/Notes.h"
#include "ui/SearchScreen.h"
#include "UiTestSupport.h"

#include <QPoint>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace vedra::uitest {

class ScreenStandIn : public ui::SearchScreen {
public:
    ScreenStandIn() : m_workspace(host, probeIn(folder())), m_session(m_workspace)
    {
        m_workspace.setPumpInterval(std::chrono::milliseconds(0));
        utilities::ConnectNotesSearch(m_session);
    }

    std::string folder() const { return directory.path().toStdString(); }

    app::Workspace& workspace() override { return m_workspace; }
    search::SearchSession& session() override { return m_session; }
    utilities::PopupFlags& popupFlags() override { return flags; }

    // Records the query; runs the real search only when `searchForReal` is set.
    void StartSearch(const std::string& queryText) override
    {
        searches.push_back(queryText);
        if (searchForReal)
            m_session.StartSearch(queryText);
    }
    std::string selectedPreviewText() override { return previewSelection; }
    void refreshResults() override { ++resultRefreshes; }
    void refreshPreview() override { ++previewRefreshes; }
    void showPopupMenu(utilities::PopupContext context, const QPoint& globalPosition, QWidget* requester) override
    {
        popups.push_back({context, globalPosition, requester});
    }
    void closePopupMenu() override { ++popupCloses; }
    bool longWorkRunning() const override { return workRunning; }
    void performPopupAction(const utilities::PopupOutcome& outcome, utilities::PopupContext context) override
    {
        actions.push_back({outcome, context});
    }

    struct PopupRequest {
        utilities::PopupContext context;
        QPoint position;
        QWidget* requester;
    };
    struct ActionRequest {
        utilities::PopupOutcome outcome;
        utilities::PopupContext context;
    };

    QTemporaryDir directory;
    app::HeadlessHost host;
    utilities::PopupFlags flags;
    bool searchForReal = false;
    bool workRunning = false;  // what longWorkRunning() answers
    std::string previewSelection;
    std::vector<std::string> searches;
    int resultRefreshes = 0;
    int previewRefreshes = 0;
    int popupCloses = 0;
    std::vector<PopupRequest> popups;
    std::vector<ActionRequest> actions;

private:
    app::Workspace m_workspace;
    search::SearchSession m_session;
};

} // namespace vedra::uitest
