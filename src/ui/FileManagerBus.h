// "Show in folder" on the session bus: the file manager's ShowItems when its
// service is there, else the folder opened with xdg-open (the engine's plan).
#pragma once

#include <string>

class QString;

namespace vedra::app {
class Workspace;
}

namespace vedra::ui {

// True when org.freedesktop.FileManager1 is on the session bus, running or
// activatable; false without a session bus.
bool FileManagerOnSessionBus();

// Calls ShowItems([fileUri], "") on the file manager; true when it answered
// without an error, or had not answered yet after a few seconds (it is starting).
bool ShowItemsOnFileManager(const QString& fileUri);

// Shows the file of the result row `rowPath` (cp1252, as the list holds it) in
// its folder: the file manager when it is on the bus and answers, otherwise
// xdg-open on the folder that holds it. A file gone from the disk is reported
// (MsgFileNoLongerExists); a web address does nothing. True when something was
// shown or started.
bool ShowRowInFolder(app::Workspace& workspace, const std::string& rowPath);

} // namespace vedra::ui
