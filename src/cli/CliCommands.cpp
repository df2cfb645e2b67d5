// The verb table, in the order the help lists it. A usage line here is the help's
// short form and must name the same options as the verb's own table (a test holds
// the two together); the table's usage is what a fault prints.
#include "cli/CliCommands.h"

namespace vedra::cli {

const std::vector<CliCommand>& cliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"info", "info", "show the working folders, the current archive, the tools and the buffer sizes", runInfo,
         {&kInfoOptions}},
        {"create", "create NAME [--disk L] [--number N] [--min N] [--cut N] [--description TEXT] [--more-types] [--ocr]",
         "create an archive (C_NAME_N), load the word roots and make it the current archive", runCreate,
         {&kCreateOptions}},
        {"ocr", "ocr on|off",
         "switch text recognition (tesseract) of pictures and scanned PDFs on or off for the current archive", runOcr,
         {&kOcrOptions}},
        {"archives", "archives", "list the archives of the catalogue (* marks the current one)", runArchives,
         {&kArchivesOptions}},
        {"index", "index PATH [--single | --update] [--unpack] [--no-subfolders] [--files PATTERNS] [--dirs PATTERNS] "
         "[--converter-time SECONDS] [--converter-memory MB] [--json]",
         "index a folder tree (or one folder) into the current archive; Ctrl-C stops and keeps the resume point",
         runIndex, {&kIndexOptions}},
        {"roots", "roots [list] | roots add WORD...",
         "list the current archive's word roots, or add the roots of words so that later indexing registers them",
         runRoots, {&kRootsListOptions, &kRootsAddOptions}},
        {"search",
         "search [WORDS...] [--or] [--all-archives] [--contiguous N] [--words-or] [--in-path] [--files PATTERNS] "
         "[--dirs PATTERNS] [--on-disk ROOT] [--extracts] [--json] [--limit N] [--count] [--order relevance|archive|date|size|path]",
         "search the current archive (or all): one row per document, tab-separated columns", runSearch,
         {&kSearchOptions}},
        {"show", "show FILE [WORDS...]", "the preview of a file around the first hit, hits marked [[...]]", runShow,
         {&kShowOptions}},
        {"stats", "stats FILE [WORDS...] [--or]",
         "word statistics of a file: counts of the words, every word with its count", runStats, {&kStatsOptions}},
        {"notes", "notes add TEXT... | notes search WORDS... [--or]",
         "save a note in the archive's notes file, or search it", runNotes, {&kNotesAddOptions, &kNotesSearchOptions}},
        {"memo", "memo add TEXT... | memo search WORDS... [--or]",
         "save a dated memorandum in the agenda, or search it (reminders)", runMemo,
         {&kMemoAddOptions, &kMemoSearchOptions}},
        {"open", "open FILE [--with PROGRAM]", "open a file or web address with its registered program (or PROGRAM)",
         runOpen, {&kOpenOptions}},
        {"calc", "calc EXPR", "calculate an expression: its value, or the partly reduced text and status 1", runCalc,
         {&kCalcOptions}},
        {"graph", "graph EXPR FROM TO [--size WxH]", "the graph of EXPR in x: its extremes and zero marks", runGraph,
         {&kGraphOptions}},
        {"fetch", "fetch URL [DEST]", "fetch a web page or file into DEST (default: its local copy); bytes, kind, path",
         runFetch, {&kFetchOptions}},
        {"print", "print FILE [WORDS...] --pdf OUT.pdf",
         "print the preview of a file (as show gives it, the hits bold blue) to a PDF file", runPrint,
         {&kPrintOptions}},
        {"watch", "watch [PATH...] [--archive N]... [--quiet-ms MS] [--pending-limit N] | watch --status | --pause | --resume | "
         "--enable | --disable",
         "keep archives up to date while files change (in the foreground), ask or hold the running watcher, or "
         "turn the live index on or off for every login",
         runWatch, {&kWatchOptions}},
    };
    return commands;
}

} // namespace vedra::cli
