// `vedra info`: what the program knows at start, one "Name: value" line each.
#include "cli/CliCommands.h"

#include "core/indexing/OcrReader.h"

#include <ostream>

namespace vedra::cli {
namespace {

const char* languageName(int languageIndex)
{
    switch (languageIndex) {
    case 0: return "Italian";
    case 1: return "English";
    default: return "Spanish";
    }
}

std::string orNone(const std::string& value)
{
    return value.empty() ? "(none)" : value;
}

} // namespace

constexpr CliOptions kInfoOptions{.verb = "info", .maxWords = 0};

int runInfo(CliContext& context, const std::vector<std::string>& arguments)
{
    if (!ParseOptions(kInfoOptions, arguments, context.err))
        return 2;
    app::Workspace& ws = context.workspace;
    const app::WorkBufferSizes& sizes = ws.workBuffers.sizes();
    std::ostream& out = context.out;
    out << "Working folder: " << ws.WorkingFolder << '\n';
    out << "Root folder: " << ws.RootFolder << '\n';
    out << "Archive folder: " << orNone(ws.ArchiveFolder) << '\n';
    out << "Redirect folder: " << orNone(ws.RedirectFolder) << '\n';
    out << "Current archive: " << (ws.hasCurrentArchive() ? ws.currentArchiveName() : "(none)") << '\n';
    out << "Archive number: " << (ws.hasCurrentArchive() ? ws.ArchiveNumberText : "(none)") << '\n';
    if (ws.hasCurrentArchive())
        out << "Text recognition: " << (indexing::CurrentArchiveReadsOcr(ws) ? "on" : "off") << '\n';
    out << "Language: " << languageName(ws.LanguageIndex) << '\n';
    out << "English reading: " << (ws.EnglishReading ? "on" : "off") << '\n';
    out << "pdftotext command: " << orNone(ws.PdfToTextCommand) << '\n';
    out << "7z command: " << orNone(ws.SevenZipCommand) << '\n';
    out << "Dictionary buffer: " << sizes.dictionaryBytes << " bytes\n";
    out << "Postings buffer: " << sizes.postingsBytes << " bytes\n";
    out << "Text buffers: 2 x " << sizes.textBytes << " bytes\n";
    return 0;
}

} // namespace vedra::cli
