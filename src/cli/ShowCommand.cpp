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

int runShow(CliContext& context, const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments[0].empty() || arguments[0][0] == '-') {
        context.err << "usage: vedra show FILE [WORDS...]\n";
        return 2;
    }
    app::Workspace& ws = context.workspace;
    auto file = io::FileHandle::open(arguments[0], io::OpenMode::ReadOnly);
    if (!file) {
        ws.showMessage(app::MessageKey::MsgCannotReadFile);
        return 1;
    }
    std::string query;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        query += (query.empty() ? "" : " ") + arguments[i];
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
