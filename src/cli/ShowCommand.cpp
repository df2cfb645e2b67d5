// `vedra show FILE [WORDS...]`: the preview of a file around the first hit of the
// words, hits marked [[like this]], and the position shown.
#include "cli/CliCommands.h"

#include "core/app/TextEncoding.h"
#include "core/io/FileHandle.h"
#include "core/search/HitFinder.h"
#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"

#include <algorithm>
#include <ostream>

namespace vedra::cli {
namespace {

constexpr std::size_t kPreviewBytes = 4000;
constexpr std::int64_t kContextBefore = 200;

} // namespace

// The words searched may begin with '-'; the file only after `--`, so that a
// misplaced option is not read as a file name.
constexpr CliOptions kShowOptions{
    .verb = "show",
    .usage = "usage: vedra show FILE [WORDS...]\n",
    .minWords = 1,
    .dashWords = DashWords::Words,
};

int runShow(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kShowOptions, arguments, context.err);
    if (!given)
        return 2;
    const std::string& path = given->words()[0];
    if (path.empty() || (path[0] == '-' && !given->escaped(0))) {
        context.err << kShowOptions.usage;
        return 2;
    }
    app::Workspace& ws = context.workspace;
    auto file = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    if (!file) {
        ws.showMessage(app::MessageKey::MsgCannotReadFile);
        return 1;
    }
    const std::string query = given->joinedWords(1);
    search::QueryWordTable table;
    search::QueryLimits limits{ws.minWordLength, ws.maxWordLength, ws.truncationThreshold};
    search::ParseQueryWords(search::QueryTextToCp1252(query), true, 0, limits, nullptr, table);
    std::vector<search::HitWord> words = search::HitWordsFrom(table);

    std::int64_t position = 0;
    if (!words.empty()) {
        search::TextBlock block;
        search::HitOptions options;
        options.andWords = false;
        options.trimThreshold = ws.truncationThreshold;
        search::ReadTextBlock(ws, *file, 0, search::ReadMode::Search, search::BinaryMode::Text, kPreviewBytes * 64,
                              block);
        search::HitFinder finder(ws, *file, block, options, search::ReadMode::Search, search::BinaryMode::Text,
                                 kPreviewBytes * 64);
        std::int64_t first = search::HitWord::kNoHit;
        if (finder.FindNextHit(words, 0))
            for (const auto& word : words)
                if (word.placed() && (first == search::HitWord::kNoHit || word.hitPosition < first))
                    first = word.hitPosition;
        if (first != search::HitWord::kNoHit)
            position = std::max<std::int64_t>(0, first - kContextBefore);
        else
            context.err << "No hit of the words in this file.\n";
    }
    search::TextBlock shown;
    search::ReadTextBlock(ws, *file, position, search::ReadMode::Plain, search::BinaryMode::Text, kPreviewBytes, shown);
    search::PreviewDocument preview;
    preview.appendText(shown.text());
    search::MarkHits(preview, words, ws.truncationThreshold, false);
    context.out << app::displayUtf8(search::RenderMarked(preview)) << '\n';
    context.out << "Pos: " << position << '\n';
    return 0;
}

} // namespace vedra::cli
