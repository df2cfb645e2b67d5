// `vedra create` and `vedra archives`: making an archive and listing the catalogue.
#include "cli/CliCommands.h"

#include "core/archive/Catalogue.h"
#include "core/indexing/ArchiveCreator.h"

#include <cctype>
#include <ostream>

namespace vedra::cli {

// The lengths are checked by the engine, which names their ranges.
constexpr OptionSpec kCreateOptionList[] = {
    {.name = "--disk", .value = OptionValue::Text},
    {.name = "--number", .value = OptionValue::Integer},
    {.name = "--min", .value = OptionValue::Integer},
    {.name = "--cut", .value = OptionValue::Integer},
    {.name = "--description", .value = OptionValue::Text},
    {.name = "--more-types"},
    {.name = "--ocr"},
};

constexpr CliOptions kCreateOptions{
    .verb = "create",
    .options = kCreateOptionList,
    .usage = "usage: vedra create NAME [--disk L] [--number N] [--min N] [--cut N] [--description TEXT] [--more-types] [--ocr]\n",
    .minWords = 1,
    .maxWords = 1,
    .tooManyWords = "one archive name only",
};

constexpr CliOptions kArchivesOptions{.verb = "archives", .maxWords = 0};

int runCreate(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kCreateOptions, arguments, context.err);
    if (!given)
        return 2;
    indexing::NewArchive request;
    request.name = given->words()[0];
    if (std::optional<std::string> disk = given->text("--disk")) {
        if (disk->size() != 1 || !std::isalpha(static_cast<unsigned char>((*disk)[0]))) {
            context.err << "vedra create: --disk takes one letter\n";
            return 2;
        }
        request.disk = (*disk)[0];
    }
    if (std::optional<std::int64_t> number = given->number("--number"))
        request.number = static_cast<int>(*number);
    if (std::optional<std::int64_t> length = given->number("--min"))
        request.minWordLength = static_cast<int>(*length);
    if (std::optional<std::int64_t> length = given->number("--cut"))
        request.truncationLength = static_cast<int>(*length);
    if (std::optional<std::string> description = given->text("--description"))
        request.description = *description;
    request.moreTypes = given->has("--more-types");
    request.ocr = given->has("--ocr");
    indexing::CreatedArchive created = indexing::CreateArchive(context.workspace, request);
    if (created.number < 0) {
        if (!created.error.empty())
            context.err << "vedra create: " << created.error << '\n';
        return 1;
    }
    context.out << "Created archive " << created.identification << " (number " << created.number << ") in "
                << context.workspace.ArchiveFolder << '\n';
    context.out << "Root files read: " << created.rootFilesRead << '\n';
    if (request.moreTypes)
        context.out << "More document types: on\n";
    if (request.ocr)
        context.out << "Text recognition: on\n";
    return 0;
}

int runArchives(CliContext& context, const std::vector<std::string>& arguments)
{
    if (!ParseOptions(kArchivesOptions, arguments, context.err))
        return 2;
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
