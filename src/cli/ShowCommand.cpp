// `vedra show FILE [WORDS...]`: the preview of a file around the first hit of the
// words, hits marked [[like this]], and the position shown. A document that is not
// text (PDF, OpenDocument, Word, a packed file's member) shows its text as the
// window's preview does.
#include "cli/CliCommands.h"
#include "cli/FilePreview.h"

#include "core/app/TextEncoding.h"
#include "core/io/FileHandle.h"
#include "core/search/HitFinder.h"
#include "core/search/PreviewDocument.h"
#include "core/search/PreviewText.h"
#include "core/search/QueryWords.h"
#include "core/search/ResultLabel.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace vedra::cli {
namespace {

constexpr std::size_t kPreviewBytes = 4000;
constexpr std::int64_t kContextBefore = 200;

} // namespace

std::string PreviewTextProblemText(const search::PreviewTextSource& source, const std::string& shown)
{
    const std::string subject = app::displayUtf8(source.subject);
    switch (source.problem) {
    case search::PreviewTextProblem::None:
        return {};
    case search::PreviewTextProblem::Missing:
        return "cannot show " + shown + ": " + subject + " is not on disk";
    case search::PreviewTextProblem::NotConverted:
        return "cannot show " + shown + ": pdftotext (package poppler-utils) gave no text of " + subject;
    case search::PreviewTextProblem::NotUnpacked:
        return "cannot show " + shown + ": 7z (package 7zip) could not unpack " + subject;
    case search::PreviewTextProblem::PackedFileGone:
        return "cannot show " + shown + ": its packed file " + subject + " is no longer on disk";
    case search::PreviewTextProblem::MemberMissing:
        return "cannot show " + shown + ": its packed file no longer holds it";
    }
    return {};
}

std::optional<FilePreview> PreviewOfFile(app::Workspace& ws, const std::string& given, const std::string& query,
                                         std::ostream& err)
{
    // A row's readable form ("x.zip » member") names the member too.
    std::error_code error;
    std::string path = given;
    if (!std::filesystem::exists(path, error))
        path = search::LabelFromReadable(path);
    if (!path.empty() && path[0] != '/')
        path = std::filesystem::absolute(path, error).lexically_normal().string();
    const search::PreviewTextSource source = search::FindPreviewText(ws, path);
    if (!source.found()) {
        err << "vedra: " << PreviewTextProblemText(source, app::displayUtf8(given)) << '\n';
        return std::nullopt;
    }
    auto file = io::FileHandle::open(source.path, io::OpenMode::ReadOnly);
    if (!file) {
        ws.showMessage(app::MessageKey::MsgCannotReadFile);
        return std::nullopt;
    }
    const search::BinaryMode binaryMode = search::PreviewBinaryMode(source.path);
    search::QueryWordTable table;
    search::QueryLimits limits{ws.minWordLength, ws.maxWordLength, ws.truncationThreshold};
    search::ParseQueryWords(search::QueryTextToCp1252(query), true, 0, limits, nullptr, table);
    std::vector<search::HitWord> words = search::HitWordsFrom(table);

    FilePreview preview;
    preview.recognised = source.recognised;
    if (!words.empty()) {
        search::TextBlock block;
        search::HitOptions options;
        options.andWords = false;
        options.trimThreshold = ws.truncationThreshold;
        search::ReadTextBlock(ws, *file, 0, search::ReadMode::Search, binaryMode, kPreviewBytes * 64,
                              block);
        search::HitFinder finder(ws, *file, block, options, search::ReadMode::Search, binaryMode,
                                 kPreviewBytes * 64);
        std::int64_t first = search::HitWord::kNoHit;
        if (finder.FindNextHit(words, 0))
            for (const auto& word : words)
                if (word.placed() && (first == search::HitWord::kNoHit || word.hitPosition < first))
                    first = word.hitPosition;
        if (first != search::HitWord::kNoHit)
            preview.position = std::max<std::int64_t>(0, first - kContextBefore);
        else
            err << "No hit of the words in this file.\n";
    }
    search::TextBlock shown;
    search::ReadTextBlock(ws, *file, preview.position, search::ReadMode::Plain, binaryMode,
                          kPreviewBytes, shown);
    preview.document.appendText(shown.text());
    search::MarkHits(preview.document, words, ws.truncationThreshold, false);
    return preview;
}

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
    std::optional<FilePreview> preview = PreviewOfFile(context.workspace, path, given->joinedWords(1), context.err);
    if (!preview)
        return 1;
    if (preview->recognised)
        context.out << context.workspace.messages().text(app::MessageKey::MsgTextRecognised) << '\n';
    context.out << app::displayUtf8(search::RenderMarked(preview->document)) << '\n';
    context.out << "Pos: " << preview->position << '\n';
    return 0;
}

} // namespace vedra::cli
