// `vedra print FILE [WORDS...] --pdf OUT.pdf`: the preview `vedra show` gives, the
// hits bold blue, printed to a PDF file. Drawing a page needs Qt, which the rest of
// the command and the engine do without (a search is a process of its own, and
// loading Qt would cost it more than the search); so the engine makes the page's
// text here and the small print program "vedra-print", built with the desktop
// program, draws it as the window's printing does. It reads the document on its
// standard input and answers with its exit status.
#include "cli/CliCommands.h"
#include "cli/FilePreview.h"
#include "cli/HelperProgram.h"

#include "core/app/InstallLayout.h"
#include "core/app/MessageTable.h"
#include "core/search/PreviewDocumentCodec.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <ostream>
#include <spawn.h>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vedra::cli {
namespace {

// The print program's exit statuses.
constexpr int kPrinted = 0;
constexpr int kPrinterUnusable = 3;

constexpr OptionSpec kPrintOptionList[] = {{.name = "--pdf", .value = OptionValue::Text}};

// Runs the program with the bytes on its standard input; its exit status, or -1
// when it could not be started or did not end by itself.
int runWithInput(const std::vector<std::string>& argv, const std::string& input)
{
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel[0], STDIN_FILENO);
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, arguments[0], &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(channel[0]);
    if (spawned != 0) {
        ::close(channel[1]);
        return -1;
    }
    // A program that ends early must not take this one with it.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    for (std::size_t written = 0; written < input.size();) {
        const ssize_t n = ::write(channel[1], input.data() + written, input.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    ::close(channel[1]);
    ::sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

constexpr CliOptions kPrintOptions{
    .verb = "print",
    .options = kPrintOptionList,
    .usage = "usage: vedra print FILE [WORDS...] --pdf OUT.pdf\n",
    .minWords = 1,
    .dashWords = DashWords::Words,
};

int runPrint(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kPrintOptions, arguments, context.err);
    if (!given)
        return 2;
    const std::string& path = given->words()[0];
    const std::optional<std::string> pdf = given->text("--pdf");
    if (path.empty() || (path[0] == '-' && !given->escaped(0)) || !pdf || pdf->empty()) {
        context.err << kPrintOptions.usage;
        return 2;
    }
    const std::string program = HelperProgram("vedra-print", "VEDRA_PRINT_PROGRAM");
    if (program.empty()) {
        context.err << "vedra: print needs the print program vedra-print, built with the desktop program\n";
        return 1;
    }
    std::optional<FilePreview> preview = PreviewOfFile(context.workspace, path, given->joinedWords(1), context.err);
    if (!preview)
        return 1;
    const int status =
        runWithInput({program, "--pdf", *pdf, "--name", path}, search::EncodePreviewDocument(preview->document));
    if (status == kPrinted) {
        context.out << *pdf << '\n';
        return 0;
    }
    if (status == kPrinterUnusable)
        context.workspace.showMessage(app::MessageKey::MsgPrintError);
    else
        context.err << "vedra: the print program " << program << " failed\n";
    return 1;
}

} // namespace vedra::cli
