// `vedra create` and `vedra archives`: making an archive and listing the catalogue.
#include "cli/CliCommands.h"

#include "core/archive/Catalogue.h"
#include "core/indexing/ArchiveCreator.h"

#include <cctype>
#include <charconv>
#include <ostream>

namespace vedra::cli {
namespace {

bool parseNumber(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end;
}

} // namespace

int runCreate(CliContext& context, const std::vector<std::string>& arguments)
{
    indexing::NewArchive request;
    bool haveName = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        auto value = [&]() -> const std::string* {
            if (i + 1 >= arguments.size()) {
                context.err << "vedra create: " << arg << " needs a value\n";
                return nullptr;
            }
            return &arguments[++i];
        };
        if (arg == "--description") {
            const std::string* v = value();
            if (v == nullptr)
                return 2;
            request.description = *v;
        } else if (arg == "--disk") {
            const std::string* v = value();
            if (v == nullptr)
                return 2;
            if (v->size() != 1 || !std::isalpha(static_cast<unsigned char>((*v)[0]))) {
                context.err << "vedra create: --disk takes one letter\n";
                return 2;
            }
            request.disk = (*v)[0];
        } else if (arg == "--number" || arg == "--min" || arg == "--cut") {
            const std::string* v = value();
            int number = 0;
            if (v == nullptr)
                return 2;
            if (!parseNumber(*v, number)) {
                context.err << "vedra create: " << arg << " takes a number, not '" << *v << "'\n";
                return 2;
            }
            if (arg == "--number")
                request.number = number;
            else if (arg == "--min")
                request.minWordLength = number;
            else
                request.truncationLength = number;
        } else if (!arg.empty() && arg[0] == '-') {
            context.err << "vedra create: unknown option '" << arg << "'\n";
            return 2;
        } else if (haveName) {
            context.err << "vedra create: one archive name only (got '" << request.name << "' and '" << arg << "')\n";
            return 2;
        } else {
            request.name = arg;
            haveName = true;
        }
    }
    if (!haveName) {
        context.err << "usage: vedra create NAME [--disk L] [--number N] [--min N] [--cut N] [--description TEXT]\n";
        return 2;
    }
    indexing::CreatedArchive created = indexing::CreateArchive(context.workspace, request);
    if (created.number < 0) {
        if (!created.error.empty())
            context.err << "vedra create: " << created.error << '\n';
        return 1;
    }
    context.out << "Created archive " << created.identification << " (number " << created.number << ") in "
                << context.workspace.ArchiveFolder << '\n';
    context.out << "Root files read: " << created.rootFilesRead << '\n';
    return 0;
}

int runArchives(CliContext& context, const std::vector<std::string>& arguments)
{
    if (!arguments.empty()) {
        context.err << "vedra archives: takes no arguments\n";
        return 2;
    }
    auto entries = archive::readCatalogueEntries(context.workspace.catalogueFilePath());
    if (entries.empty()) {
        context.out << "No archives in " << context.workspace.catalogueFilePath() << '\n';
        return 0;
    }
    for (const auto& entry : entries) {
        bool current = context.workspace.hasCurrentArchive() && entry.number == context.workspace.ArchiveNumber;
        context.out << (current ? "* " : "  ") << entry.number << "  " << entry.entry.identification << "  created "
                    << entry.entry.creationDate << "  words " << entry.entry.minWordLength + 1 << ".."
                    << entry.entry.truncationLength << '\n';
    }
    return 0;
}

} // namespace vedra::cli
