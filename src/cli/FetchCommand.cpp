// `vedra fetch URL [DEST]`: one web page or file fetched into a local file (by
// default the local copy a web result would use), then its byte count, content
// kind and path.
#include "cli/CliCommands.h"

#include "core/app/TextEncoding.h"
#include "core/web/HttpFetch.h"
#include "core/web/WebResult.h"

#include <filesystem>
#include <ostream>
#include <system_error>

namespace vedra::cli {

// A file name may begin with '-'.
constexpr CliOptions kFetchOptions{
    .verb = "fetch",
    .usage = "usage: vedra fetch URL [DEST]\n",
    .minWords = 1,
    .maxWords = 2,
    .dashWords = DashWords::Words,
};

int runFetch(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kFetchOptions, arguments, context.err);
    if (!given)
        return 2;
    const std::vector<std::string>& words = given->words();
    if (words[0].empty()) {
        context.err << kFetchOptions.usage;
        return 2;
    }
    app::Workspace& ws = context.workspace;
    // Addresses are cp1252 in the program, as archives hold them; a terminal gives UTF-8.
    std::string address = words[0];
    if (app::isMultiByteUtf8(address))
        address = app::utf8ToCp1252(address);
    std::string destination = words.size() > 1 ? words[1] : web::LocalCopyPath(ws, address);
    if (destination.empty()) {
        context.err << "vedra: the address is too long\n";
        return 2;
    }
    std::error_code ignored;
    std::filesystem::path parent = std::filesystem::path(destination).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ignored);

    web::FetchErrors errors;
    std::int64_t bytes = web::FetchUrlToFile(ws, errors, address, web::kFetchChunkBytes, destination);
    for (const web::FetchErrorRow& error : errors)
        context.err << app::displayUtf8(error.address) << ": " << error.text << '\n';
    if (bytes <= 0) {
        if (errors.empty())
            context.err << "vedra: nothing was fetched from " << app::displayUtf8(words[0]) << '\n';
        return 1;
    }
    context.out << "Bytes: " << bytes << '\n'
                << "Kind: " << ws.webContentKind << '\n'
                << "Path: " << app::displayUtf8(destination) << '\n';
    return ws.BreakCode == app::StopCode::None ? 0 : 1;
}

} // namespace vedra::cli
