// `vedra`: the command-line face of the engine.
//   vedra [--workdir DIR] [--lang it|en|es] [--memory MB] [--no] COMMAND [ARGS...]
// Messages the engine shows go to standard error; questions take OK/Yes unless
// --no is given.
#include "cli/CliCommands.h"
#include "cli/HelperProgram.h"

#include "core/app/HeadlessHost.h"
#include "core/app/InstallLayout.h"
#include "core/app/LargePages.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/RichTextReader.h"
#include "core/search/RtfText.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

void printUsage(std::ostream& out)
{
    out << "usage: vedra [--workdir DIR] [--lang it|en|es] [--memory MB] [--no] COMMAND [ARGS...]\n\n"
           "Options:\n"
           "  --workdir DIR   working folder of the program (default: the current directory;\n"
           "                  installed: $XDG_DATA_HOME/vedrareader/vedraprog)\n"
           "  --lang LANG     language of messages for this run: it, en or es\n"
           "  --memory MB     size the work buffers as if MB megabytes were free (also\n"
           "                  VEDRA_MEMORY_MB; at least 5 for an indexing run)\n"
           "  --no            answer No/Cancel to the questions the engine asks\n"
           "  --help          show this help\n\n"
           "Commands:\n";
    for (const auto& command : vedra::cli::cliCommands())
        out << "  " << command.usage << "\n      " << command.summary << '\n';
}

int languageFromOption(const std::string& value)
{
    if (value == "it")
        return 0;
    if (value == "en")
        return 1;
    if (value == "es")
        return 2;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    vedra::indexing::SetRichTextReader(&vedra::search::RtfDocumentText);
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string workdir;
    std::optional<std::uint64_t> memory;
    int language = -1;
    bool accept = true;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(std::cout);
            return 0;
        }
        if (arg == "--no") {
            accept = false;
        } else if (arg == "--workdir" || arg == "--lang" || arg == "--memory") {
            if (i + 1 >= args.size()) {
                std::cerr << "vedra: " << arg << " needs a value\n";
                return 2;
            }
            const std::string& value = args[++i];
            if (arg == "--workdir") {
                workdir = value;
            } else if (arg == "--memory") {
                if (!(memory = vedra::app::ParseMemoryMegabytes(value))) {
                    std::cerr << "vedra: --memory takes whole megabytes from 1 to "
                              << vedra::app::kMaxMemoryMegabytes << ", not '" << value << "'\n";
                    return 2;
                }
            } else if ((language = languageFromOption(value)) < 0) {
                std::cerr << "vedra: unknown language '" << value << "' (use it, en or es)\n";
                return 2;
            }
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "vedra: unknown option '" << arg << "'\n";
            printUsage(std::cerr);
            return 2;
        } else {
            break;
        }
    }
    if (i >= args.size()) {
        printUsage(std::cerr);
        return 2;
    }
    const std::string verb = args[i];
    const vedra::cli::CliCommand* command = nullptr;
    for (const auto& candidate : vedra::cli::cliCommands())
        if (verb == candidate.name)
            command = &candidate;
    if (command == nullptr) {
        std::cerr << "vedra: unknown command '" << verb << "'\n";
        printUsage(std::cerr);
        return 2;
    }

#ifdef VEDRA_STATIC_CLI
    // A statically linked process cannot load the web library: the same program,
    // linked dynamically, does the fetching.
    if (verb == "fetch") {
        const std::string helper = vedra::cli::HelperProgram("vedra-fetch", "VEDRA_FETCH_PROGRAM");
        if (!helper.empty())
            vedra::cli::ExecHelper(helper, argv);
        std::cerr << "vedra: cannot start the fetch program"
                  << (helper.empty() ? std::string(" vedra-fetch") : " '" + helper + "': " + std::strerror(errno))
                  << '\n';
        return 1;
    }
#endif

    // A search lists thousands of rows and ends; an indexing run keeps to the
    // buffers it was given and is left as it is.
    if (verb == "search") {
        vedra::app::PreferLargePagesForHeap(32 << 20);
        vedra::archive::ArchiveStore::setSearchOnceReaders(true);
    }

    vedra::app::SystemProbe probe = vedra::app::SystemProbe::real();
    if (!memory) {
        if (const char* variable = std::getenv(vedra::app::kMemoryVariable); variable != nullptr && *variable) {
            if (!(memory = vedra::app::ParseMemoryMegabytes(variable))) {
                std::cerr << "vedra: " << vedra::app::kMemoryVariable << " takes whole megabytes from 1 to "
                          << vedra::app::kMaxMemoryMegabytes << ", not '" << variable << "'\n";
                return 2;
            }
        }
    }
    if (memory)
        vedra::app::AssumeFreeMemory(probe, *memory);
    const vedra::app::InstallLayout layout = vedra::app::DetectInstallLayout(vedra::app::RunningExecutablePath());
    if (workdir.empty()) {
        if (std::optional<std::string> installed = vedra::app::DefaultWorkingFolder(layout)) {
            if (installed->empty()) {
                std::cerr << "vedra: cannot make the working folder in the user's data folder\n";
                return 1;
            }
            workdir = *installed;
        }
    }
    if (!workdir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(workdir, error);
        std::filesystem::path absolute = std::filesystem::absolute(workdir, error);
        if (error || !std::filesystem::is_directory(absolute)) {
            std::cerr << "vedra: cannot use '" << workdir << "' as working folder\n";
            return 1;
        }
        std::string folder = absolute.lexically_normal().string();
        probe.currentDirectory = [folder] { return folder; };
    }

    vedra::app::HeadlessHost host;
    host.setAcceptByDefault(accept);
    host.setEcho(&std::cerr);
    vedra::app::Workspace workspace(host, probe);
    workspace.DataFolder = layout.dataFolder;
    if (workspace.PrepareWorkspace() < 0)
        return 1;
    const int savedLanguage = workspace.LanguageIndex;
    if (language >= 0)
        workspace.LanguageIndex = language;
    workspace.OpenCatalogueAtStart();
    workspace.InitialiseSession();

    vedra::cli::CliContext context{workspace, host, std::cout, std::cerr};
    std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
    int status = command->run(context, rest);
    // Archive files are flushed and the catalogue updated as when the window closes;
    // the language chosen with --lang is for this run only.
    if (!workspace.ShutdownSave(savedLanguage) && status == 0)
        status = 1;
    return status;
}
