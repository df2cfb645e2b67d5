// `vedra-search-provider [--workdir DIR]`: answers the desktop's search box from
// the current archive of the program's working folder, on the session bus as
// org.vedrareader.SearchProvider: GNOME Shell's search provider at
// /org/vedrareader/SearchProvider, KRunner's runner at /org/vedrareader/KRunner.
// The bus starts it at the first question; it stays, so the archive stays open.
#include "core/app/HeadlessHost.h"
#include "core/app/InstallLayout.h"
#include "core/indexing/RichTextReader.h"
#include "core/search/RtfText.h"
#include "core/utilities/DesktopSearch.h"
#include "searchprovider/SearchProviderBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTimer>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char* kServiceName = "org.vedrareader.SearchProvider";
constexpr const char* kGnomePath = "/org/vedrareader/SearchProvider";
constexpr const char* kRunnerPath = "/org/vedrareader/KRunner";
constexpr int kBusCheckMs = 1000;

bool executable(const std::filesystem::path& path)
{
    return ::access(path.c_str(), X_OK) == 0 && std::filesystem::is_regular_file(path);
}

// Installed, the provider sits in <prefix>/libexec/vedrareader/, the programs in
// <prefix>/bin/; the layout is read as that of a program of bin/.
std::filesystem::path binFolder(const std::filesystem::path& self)
{
    const std::filesystem::path folder = self.parent_path();
    if (folder.filename() == "vedrareader" && folder.parent_path().filename() == "libexec")
        return folder.parent_path().parent_path() / "bin";
    return folder;
}

// The window: VEDRA_WINDOW_PROGRAM when set; else beside the programs (installed)
// or in the build folder's src/ui/; else the first on PATH.
std::string windowProgram(const std::filesystem::path& self)
{
    if (const char* given = std::getenv("VEDRA_WINDOW_PROGRAM"); given != nullptr && *given != '\0')
        return given;
    for (const std::filesystem::path& candidate :
         {binFolder(self) / "vedrareader", self.parent_path().parent_path() / "ui" / "vedrareader"})
        if (executable(candidate))
            return candidate.string();
    if (const char* path = std::getenv("PATH")) {
        std::string folders = path;
        std::size_t from = 0;
        while (from <= folders.size()) {
            std::size_t end = folders.find(':', from);
            end = end == std::string::npos ? folders.size() : end;
            if (end > from && executable(std::filesystem::path(folders.substr(from, end - from)) / "vedrareader"))
                return folders.substr(from, end - from) + "/vedrareader";
            from = end + 1;
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    vedra::indexing::SetRichTextReader(&vedra::search::RtfDocumentText);
    QCoreApplication application(argc, argv);
    std::string workdir;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--workdir") && i + 1 < arguments.size()) {
            workdir = arguments[++i].toStdString();
        } else {
            std::cerr << "usage: vedra-search-provider [--workdir DIR]\n";
            return 2;
        }
    }

    const std::filesystem::path self = vedra::app::RunningExecutablePath();
    const vedra::app::InstallLayout layout = vedra::app::DetectInstallLayout((binFolder(self) / "vedra").string());
    if (workdir.empty()) {
        if (std::optional<std::string> installed = vedra::app::DefaultWorkingFolder(layout)) {
            if (installed->empty()) {
                std::cerr << "vedra-search-provider: cannot make the working folder in the user's data folder\n";
                return 1;
            }
            workdir = *installed;
        }
    }
    vedra::app::SystemProbe probe = vedra::app::SystemProbe::real();
    if (!workdir.empty()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(workdir, error);
        if (error || !std::filesystem::is_directory(absolute)) {
            std::cerr << "vedra-search-provider: cannot use '" << workdir << "' as working folder\n";
            return 1;
        }
        std::string folder = absolute.lexically_normal().string();
        probe.currentDirectory = [folder] { return folder; };
    }

    vedra::app::HeadlessHost host;
    host.setEcho(&std::cerr);
    vedra::utilities::DesktopSearch search(host, probe, layout.dataFolder);
    const vedra::searchprovider::WindowStarter window{windowProgram(self)};

    vedra::searchprovider::RegisterBusTypes();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::cerr << "vedra-search-provider: no session bus\n";
        return 1;
    }
    vedra::searchprovider::GnomeSearchProvider gnome(search, window);
    vedra::searchprovider::KRunnerRunner runner(search, window);
    if (!bus.registerObject(QString::fromLatin1(kGnomePath), &gnome, QDBusConnection::ExportAllSlots) ||
        !bus.registerObject(QString::fromLatin1(kRunnerPath), &runner, QDBusConnection::ExportAllSlots)) {
        std::cerr << "vedra-search-provider: cannot export the search objects\n";
        return 1;
    }
    // Registered last: the bus hands over the waiting calls only once the objects exist.
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        std::cerr << "vedra-search-provider: " << kServiceName << " is already taken on the session bus\n";
        return 1;
    }
    // The archive is opened before the first question, not during it.
    search.hasArchive();
    // Qt keeps running when the bus goes away (the session ended): nothing could
    // reach the provider again, so it ends with it.
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, [&bus] {
        if (!bus.isConnected())
            QCoreApplication::quit();
    });
    busWatch.start(kBusCheckMs);
    return QCoreApplication::exec();
}
