// A blocking call with a short timeout: the file manager answers at once when it
// runs, and one that must first be started by the bus still answers within it.
#include "ui/FileManagerBus.h"

#include "core/app/Workspace.h"
#include "core/utilities/ShowInFolder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QString>
#include <QStringList>

namespace vedra::ui {
namespace filemanagerbus {

constexpr int kCallTimeoutMs = 3000;

QString fileManagerService()
{
    return QString::fromLatin1(utilities::kFileManagerService);
}

} // namespace filemanagerbus

bool FileManagerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return false;
    const QString service = filemanagerbus::fileManagerService();
    if (bus.interface()->isServiceRegistered(service).value())
        return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(service);
}

bool ShowItemsOnFileManager(const QString& fileUri)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(filemanagerbus::fileManagerService(),
                                                       QString::fromLatin1(utilities::kFileManagerPath),
                                                       QString::fromLatin1(utilities::kFileManagerInterface),
                                                       QString::fromLatin1(utilities::kShowItemsMethod));
    call << QStringList{fileUri} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, filemanagerbus::kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    // Still starting after the timeout, it shows the file once it runs: a folder
    // opened by xdg-open as well would be a second window.
    return reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NoReply");
}

bool ShowRowInFolder(app::Workspace& workspace, const std::string& rowPath)
{
    const utilities::FolderShowingPlan plan = utilities::PlanShowInFolder(rowPath, FileManagerOnSessionBus());
    switch (plan.how) {
    case utilities::FolderShowing::NotAFile:
        return false;
    case utilities::FolderShowing::Missing:
        workspace.showMessage(app::MessageKey::MsgFileNoLongerExists, app::MessageButtons::Ok, {plan.path});
        return false;
    case utilities::FolderShowing::FileManager:
        if (ShowItemsOnFileManager(QString::fromLatin1(plan.fileUri.c_str())))
            return true;
        // A file manager that fails the call: the folder is still worth opening.
        return utilities::OpenContainingFolder(workspace, plan.folder);
    case utilities::FolderShowing::OpenFolder:
        return utilities::OpenContainingFolder(workspace, plan.folder);
    }
    return false;
}

} // namespace vedra::ui
