// `vedra ocr on|off`: text recognition of pictures and scanned PDFs for the
// current archive. Files indexed before are recognised when they change or are
// indexed again; the recognised texts already kept are used either way.
#include "cli/CliCommands.h"

#include "core/app/Workspace.h"
#include "core/indexing/OcrReader.h"

#include <ostream>

namespace vedra::cli {

constexpr CliOptions kOcrOptions{
    .verb = "ocr", .usage = "usage: vedra ocr on|off\n", .minWords = 1, .maxWords = 1, .tooManyWords = "on or off"};

int runOcr(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kOcrOptions, arguments, context.err);
    if (!given)
        return 2;
    const std::string& word = given->words()[0];
    if (word != "on" && word != "off") {
        context.err << kOcrOptions.usage;
        return 2;
    }
    if (!indexing::SetCurrentArchiveOcr(context.workspace, word == "on"))
        return 1;
    context.out << "Text recognition: " << word << '\n';
    if (word == "on" && indexing::FindInPath("tesseract").empty())
        context.out << "tesseract is not installed: pictures and scanned PDFs are read once it is "
                       "(Debian: tesseract-ocr, tesseract-ocr-ita, tesseract-ocr-spa)\n";
    return 0;
}

} // namespace vedra::cli
