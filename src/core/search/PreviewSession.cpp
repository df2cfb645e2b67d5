// The preview holds one block of the document, never the whole file: Continue and
// the hit search read on block by block and wrap to the top at the end. Documents
// that are not text (PDF, OpenDocument, Word) show through a converted copy made
// once, kept in our temporary folder or beside a PDF whose folder is writable.
#include "core/search/PreviewSession.h"
#include "core/search/ResultOrder.h"

#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"
#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Records.h"
#include "core/search/PreviewText.h"
#include "core/search/SearchRun.h"
#include "core/web/UrlRules.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>

namespace vedra::search {
namespace {

constexpr std::size_t kStatusWidth = 63;
constexpr std::size_t kStatusCutAt = 55;
constexpr std::size_t kStatusHead = 10;
constexpr std::size_t kStatusTail = 38;
constexpr std::size_t kRowsPerPage = 10;

bool isWebAddress(std::string_view path)
{
    return !path.empty() && web::ClassifyResultPath(path).kind == 'w';
}

bool endsWithNoCase(std::string_view text, std::string_view tail)
{
    if (text.size() < tail.size())
        return false;
    return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
}

// The readable view keeps text characters only: binary documents show their words.
bool isReadableByte(unsigned char c)
{
    switch (c) {
    case '\n': case '\r': case 0x14: case ' ': case '!': case '\'': case '(': case ')': case ']': case '}':
    case 0xE0: case 0xE8: case 0xE9: case 0xEC: case 0xF2: case 0xF9:
        return true;
    default:
        return (c >= '+' && c <= '<') || (c >= '>' && c <= '[') || (c >= 'a' && c <= '{');
    }
}

// Agenda entries show their "<date:" markers in blue.
void markAgendaMarkers(PreviewDocument& document)
{
    const std::string& text = document.text();
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        std::size_t colon = text.find(':', at);
        if (colon == std::string::npos)
            break;
        document.mark(at, colon - at + 1, {.colour = Colour::Blue});
    }
}

// Percent-escapes every byte that is not a letter, a digit, '-' or '_', so a name
// part can never hold a separator.
std::string escapedNamePart(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text.substr(0, 60)) {
        auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '_') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

} // namespace

void PreviewSession::cannotRead(const std::string& path)
{
    m_workspace.host().messageBox(
        std::string(m_workspace.messages().text(app::MessageKey::MsgCannotReadFile)) + "\n" + path,
        app::MessageButtons::Ok);
}

std::string StatusLineText(std::string_view text)
{
    std::string shown(text);
    if (shown.size() >= kStatusCutAt)
        shown = shown.substr(0, kStatusHead) + "/../" + shown.substr(shown.size() - kStatusTail);
    if (shown.size() < kStatusWidth)
        shown.append(kStatusWidth - shown.size(), ' ');
    return shown;
}

PreviewSession::PreviewSession(app::Workspace& workspace, ResultList& results, SearchRun& run)
    : m_workspace(workspace), m_results(results), m_run(run)
{
}

bool PreviewSession::showsExtractFile() const
{
    return !m_path.empty() && m_path == m_workspace.extractsPath;
}

std::vector<HitWord> PreviewSession::queryHitWords() const
{
    return HitWordsFrom(m_run.words());
}

HitOptions PreviewSession::hitOptions() const
{
    return HitOptionsFrom(m_run.options(), m_workspace.truncationThreshold);
}

std::size_t PreviewSession::blockBytes() const
{
    return TextBlockBytes(m_workspace);
}

void PreviewSession::reset()
{
    m_file.reset();
    m_block.clear();
    m_path.clear();
    m_words.clear();
    m_searchFrom = 0;
    m_hitFound = false;
    m_positionField = 0;
    m_sizeField = 0;
    m_continueEnabled = false;
    m_scrollPosition = std::string::npos;
    m_document.clear();
}

bool PreviewSession::readBlock(std::int64_t position, ReadMode mode)
{
    if (!m_file)
        return false;
    return ReadTextBlock(m_workspace, *m_file, position, mode, m_binaryMode, blockBytes(), m_block) > 0;
}

// The next hit from `start`, reading on block by block: with AND off the finder
// stops at the end of each block.
bool PreviewSession::searchHit(std::size_t start)
{
    if (!m_file)
        return false;
    const ReadMode mode = m_mode == ReadMode::Plain ? ReadMode::Search : m_mode;
    HitFinder finder(m_workspace, *m_file, m_block, hitOptions(), mode, m_binaryMode, blockBytes());
    while (m_block.length() > 0) {
        if (finder.FindNextHit(m_words, start)) {
            m_searchFrom = finder.searchPosition();
            return std::any_of(m_words.begin(), m_words.end(), [](const HitWord& w) { return w.placed(); });
        }
        if (m_block.reachesEnd() || m_workspace.BreakCode != app::StopCode::None)
            return false;
        if (!readBlock(m_block.nextPosition(), mode))
            return false;
        start = 0;
    }
    return false;
}

std::optional<std::string> PreviewSession::localPathFor(const std::string& path)
{
    if (!isWebAddress(path))
        return path;
    if (!m_webResolver)
        return std::nullopt;
    return m_webResolver(path);
}

int PreviewSession::OpenPreviewFile(const std::string& path, std::int64_t position, ReadMode mode)
{
    auto local = localPathFor(path);
    if (!local)
        return -2;
    auto file = io::FileHandle::open(*local, io::OpenMode::ReadOnly);
    if (!file)
        return -2;
    m_file = std::move(*file);
    m_isWebCopy = isWebAddress(path);
    m_sizeField = m_file->size();
    m_path = path;
    if (path != m_workspace.extractsPath) {
        m_workspace.statusText = path;
        m_workspace.host().setStatus(StatusLineText(path));
    }
    m_binaryMode = PreviewBinaryMode(*local);
    m_mode = mode;
    m_words = queryHitWords();
    m_searchFrom = 0;
    m_hitFound = false;
    m_block.clear();
    readBlock(position, mode);
    m_workspace.host().setProgressRange(0, static_cast<int>(std::min<std::int64_t>(m_sizeField, INT32_MAX)));
    m_workspace.host().setProgressPosition(0);
    if (mode == ReadMode::Search)
        m_hitFound = searchHit(0);
    return 0;
}

void PreviewSession::fillPlain(std::string_view text)
{
    m_document.clear();
    m_document.appendText(text);
}

void PreviewSession::ShowBlock()
{
    fillPlain(m_block.text());
    m_positionField = m_block.nextPosition();
    m_continueEnabled = m_file.has_value() && !m_block.reachesEnd();
    m_workspace.host().setProgressPosition(static_cast<int>(std::min<std::int64_t>(m_positionField, INT32_MAX)));
    if (showsExtractFile())
        MarkExtractHeaders(m_document);
    else if (!m_path.empty() && m_path == m_workspace.agendaPath)
        markAgendaMarkers(m_document);
    m_scrollPosition = 0;
}

void PreviewSession::ShowHits()
{
    if (!m_file)
        return;
    auto first = std::find_if(m_words.begin(), m_words.end(), [](const HitWord& w) { return w.placed(); });
    if (first != m_words.end() && first->hitPosition < m_block.base())
        readBlock(first->hitPosition - static_cast<std::int64_t>(first->hitOffset), m_mode);
    // The hit search reads lower-cased text; the preview shows it as written. Both
    // readings of the same bytes keep every character in its place.
    std::string shown = m_block.text();
    if (!m_isWebCopy && m_binaryMode == BinaryMode::Text && m_mode == ReadMode::Search) {
        TextBlock asWritten;
        ReadTextBlock(m_workspace, *m_file, m_block.base(), ReadMode::Plain, m_binaryMode, blockBytes(), asWritten);
        if (asWritten.length() >= shown.size())
            shown = asWritten.text().substr(0, shown.size());
    }
    if (readable && !showsExtractFile())
        for (char& c : shown)
            if (!isReadableByte(static_cast<unsigned char>(c)))
                c = ' ';
    fillPlain(shown);
    m_positionField = first != m_words.end() ? first->hitPosition : m_block.base();
    m_workspace.host().setProgressPosition(static_cast<int>(std::min<std::int64_t>(m_positionField, INT32_MAX)));
    if (showsExtractFile())
        MarkExtractHeaders(m_document);
    const app::SearchTarget target = m_workspace.SearchTarget;
    const bool notes = target == app::SearchTarget::Notes || target == app::SearchTarget::Memorandum;
    m_scrollPosition = MarkHits(m_document, queryHitWords(), m_workspace.truncationThreshold, notes,
                                target == app::SearchTarget::Memorandum ? Colour::None : Colour::Blue);
    m_continueEnabled = true;
}

void PreviewSession::ContinuePreview()
{
    if (showsExtractFile()) {
        if (m_results.empty())
            return;
        std::size_t first = m_lastExtractRow + 1;
        if (first >= m_results.size())
            first = 0;  // past the last row: the list starts again
        std::size_t count = m_lastExtractWasWeb ? kRowsPerPage - 1 : kRowsPerPage;
        ShowExtracts(RowRange{first, std::min(first + count, m_results.size()) - 1});
        return;
    }
    if (!m_file)
        return;
    if (m_mode == ReadMode::Plain) {
        readBlock(m_block.reachesEnd() || m_block.length() == 0 ? 0 : m_block.nextPosition(), ReadMode::Plain);
        ShowBlock();
        return;
    }
    SearchOptions& options = m_run.options();
    const int savedAnd = options.andWords;
    if (options.contiguity == 0)
        options.andWords = 0;
    bool found = false;
    if (m_block.length() == 0) {
        readBlock(0, m_mode);
        found = searchHit(0);
    } else if (m_mode == ReadMode::Search) {
        found = searchHit(m_searchFrom);
    } else {
        found = !m_block.reachesEnd() && readBlock(m_block.nextPosition(), m_mode);
    }
    if (!found) {
        // The end of the document: start again from the top.
        readBlock(0, m_mode);
        if (m_mode == ReadMode::Search)
            searchHit(0);
    }
    options.andWords = savedAnd;
    ShowHits();
}

// The file whose text shows `path` (see FindPreviewText); nullopt when there is
// none, after "Errore in esecuzione" when a converter failed.
static std::optional<std::string> previewTextPath(app::Workspace& workspace, const std::string& path,
                                                  bool* recognised = nullptr)
{
    const PreviewTextSource source = FindPreviewText(workspace, path);
    if (recognised != nullptr)
        *recognised = source.recognised;
    if (source.found())
        return source.path;
    if (source.problem == PreviewTextProblem::NotConverted || source.problem == PreviewTextProblem::NotUnpacked)
        workspace.showMessage(app::MessageKey::MsgRunError);
    return std::nullopt;
}

bool PreviewSession::ShowDocument(std::size_t row, bool searchHits)
{
    if (row >= m_results.size())
        return false;
    const std::string path = m_results.row(row).label();
    m_document.clear();
    SearchOptions& options = m_run.options();
    const int savedOr = options.wordsOr;
    options.wordsOr = 1;
    std::optional<std::string> shownPath = path;
    bool recognised = false;
    if (!isWebAddress(path) && !endsWithNoCase(path, ".exe"))
        shownPath = previewTextPath(m_workspace, path, &recognised);
    const bool withWords = searchHits && m_run.words().count > 0;
    int opened = -2;
    if (shownPath) {
        opened = OpenPreviewFile(*shownPath, 0, withWords ? ReadMode::Search : ReadMode::Plain);
        m_path = path;
        // The path of a recognised text is a name in the working folder: the
        // status line says where the text came from instead.
        if (opened == 0 && recognised) {
            m_workspace.statusText = std::string(m_workspace.messages().text(app::MessageKey::MsgTextRecognised));
            m_workspace.host().setStatus(StatusLineText(m_workspace.statusText));
        }
    }
    if (opened != 0) {
        options.wordsOr = savedOr;
        m_file.reset();
        // A web result's resolver has said what there was to say (a page that
        // could not be read, an error row, or nothing after Break).
        if (!isWebAddress(path))
            cannotRead(path);
        return false;
    }
    if (withWords && m_hitFound)
        ShowHits();
    else
        ShowBlock();
    options.wordsOr = savedOr;
    return true;
}

std::size_t PreviewSession::rowShownAt(std::size_t place) const
{
    if (!m_shownOrder)
        return place;
    const std::vector<std::size_t>& order = m_shownOrder();
    if (order.size() != m_results.size() || place >= order.size() || order[place] >= m_results.size())
        return place;
    return order[place];
}

ExtractResult PreviewSession::ShowExtracts(std::optional<RowRange> selection)
{
    ExtractRequest request;
    request.options = hitOptions();
    request.extractLength = m_workspace.extractLength;
    request.blockBytes = blockBytes();
    request.textSource = [this](const std::string& path) { return FindPreviewText(m_workspace, path); };
    const bool wordsOr = m_run.options().wordsOr != 0;
    const std::vector<HitWord> query = queryHitWords();
    QueryLimits limits{m_workspace.minWordLength, m_workspace.maxWordLength, m_workspace.truncationThreshold};
    for (std::size_t place = 0; place < m_results.size(); ++place) {
        const ResultRow& row = m_results.row(rowShownAt(place));
        ExtractRow extract;
        extract.path = row.label();
        extract.number = std::strtol(row[ResultColumn::Position].c_str(), nullptr, 10);
        if (wordsOr) {
            extract.queryWords = query;
        } else {
            // Each document is searched for the words it was found with.
            QueryWordTable table;
            ParseQueryWords(row[ResultColumn::Words], false, 0, limits, nullptr, table);
            extract.queryWords = HitWordsFrom(table);
        }
        request.rows.push_back(std::move(extract));
    }
    if (selection) {
        request.firstSelected = selection->first;
        request.lastSelected = selection->last;
    } else {
        for (std::size_t place = 0; place < m_results.size(); ++place) {
            if (!m_results.isSelected(rowShownAt(place)))
                continue;
            if (!request.firstSelected)
                request.firstSelected = place;
            request.lastSelected = place;
        }
    }
    readable = true;
    ExtractResult result = search::ShowExtracts(m_workspace, request, m_document);
    if (result.outcome != ExtractOutcome::Written && result.outcome != ExtractOutcome::Stopped)
        return result;
    m_lastExtractRow = result.lastRow;
    m_lastExtractWasWeb =
        result.lastRow < m_results.size() && isWebAddress(m_results.row(rowShownAt(result.lastRow)).label());
    if (OpenPreviewFile(m_workspace.extractsPath, 0,
                        m_workspace.extractLength != 0 ? ReadMode::ExtractPaging : ReadMode::Plain) == 0)
        ShowHits();
    m_continueEnabled = true;
    return result;
}

void PreviewSession::ShowClickedRow(std::size_t row, bool wordsGiven)
{
    if (row >= m_results.size())
        return;
    if (wordsGiven && !isWebAddress(m_results.row(row).label()))
        ShowExtracts();
    else
        ShowDocument(row);
}

bool PreviewSession::SearchInDocument()
{
    if (m_path.empty())
        return false;
    if (m_isWebCopy && !m_file) {
        // A page held only as preview text: searched as it stands.
        m_words = queryHitWords();
        MarkHits(m_document, m_words, m_workspace.truncationThreshold, false);
        return !m_document.spans().empty();
    }
    const std::string path = m_path;
    std::optional<std::string> shownPath =
        isWebAddress(path) || endsWithNoCase(path, ".exe") ? std::optional<std::string>(path)
                                                             : previewTextPath(m_workspace, path);
    if (!shownPath || OpenPreviewFile(*shownPath, 0, ReadMode::Search) != 0) {
        cannotRead(path);
        return false;
    }
    m_path = path;
    if (m_hitFound) {
        ShowHits();
        return true;
    }
    // No hit: the start of the file as written, paged by blocks from here on.
    m_mode = ReadMode::Plain;
    readBlock(0, ReadMode::Plain);
    ShowBlock();
    return false;
}

bool PreviewSession::ShowIndexedWords(std::size_t row)
{
    if (row >= m_results.size())
        return false;
    const long number = std::strtol(m_results.row(row)[ResultColumn::Position].c_str(), nullptr, 10);
    if (number <= 0)
        return false;
    archive::ArchiveStore& store = m_workspace.store();
    const bool wasOpen = store.isOpen();
    if (!wasOpen && !store.open())
        return false;
    std::vector<std::uint32_t> entries;
    if (auto record = store.readDocument(static_cast<std::uint32_t>(number)); record && record->wordList != 0)
        entries = store.readWordList(record->wordList);
    auto dictionary = io::FileHandle::open(store.slotPath(archive::SlotWords), io::OpenMode::ReadOnly);
    store.consumeDamage();
    if (!wasOpen)
        store.close();
    if (entries.empty() || !dictionary)
        return false;

    std::string text;
    std::uint8_t node[archive::WordNode::kReadSize];
    for (std::uint32_t entry : entries) {
        if ((entry & 0xFFu) == 0) {
            // A short word packed into the entry: up to three characters after a 0 byte.
            for (int shift = 8; shift < 32; shift += 8)
                if (char c = static_cast<char>((entry >> shift) & 0xFFu); c != '\0')
                    text += c;
        } else {
            const std::int64_t size = dictionary->size();
            if (entry >= size)
                continue;
            std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(size - entry, sizeof node));
            if (!dictionary->readAt(entry, node, want))
                continue;
            auto word = archive::WordNode::decode(node, want);
            if (!word)
                continue;
            text += word->word;
        }
        text += "  ";
    }
    fillPlain(text);
    m_scrollPosition = std::string::npos;
    for (const HitWord& word : queryHitWords()) {
        if (word.text.empty())
            continue;
        for (std::size_t at = text.find(word.text); at != std::string::npos; at = text.find(word.text, at + 1)) {
            if (at > 0 && text[at - 1] != ' ')
                continue;
            std::size_t end = text.find("  ", at);
            m_document.mark(at, (end == std::string::npos ? text.size() : end) - at, {.colour = Colour::Blue});
            m_scrollPosition = std::min(m_scrollPosition, at);
        }
    }
    return true;
}

std::optional<std::string> PreviewSession::ExportFoundFiles(const std::vector<std::size_t>& shown)
{
    std::string folder = m_workspace.extractsPath.substr(0, m_workspace.extractsPath.rfind('/') + 1);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "_%d_%m_%Y_h%H_m%M", &local);
    std::string namePart = escapedNamePart(m_workspace.currentArchiveName());
    std::string path = folder + (namePart.empty() ? std::string("vedra") : namePart) + stamp + "_FExtr.txt";

    std::vector<std::size_t> rows = SelectedRowsShown(m_results, shown);
    if (rows.empty()) {
        if (shown.size() == m_results.size())
            rows = shown;
        else
            for (std::size_t i = 0; i < m_results.size(); ++i)
                rows.push_back(i);
    }
    std::string text;
    for (std::size_t index : rows)
        text += m_results.row(index).label() + "\r\n";
    if (!io::writeFileAtomically(path, text)) {
        m_workspace.showMessage(app::MessageKey::MsgWriteError);
        return std::nullopt;
    }
    // Italian, English, Spanish.
    static constexpr const char* kFilePath[] = {"Percorso del file: ", "File path: ", "Ruta del archivo: "};
    m_workspace.host().messageBox(kFilePath[app::languageColumn(m_workspace.LanguageIndex)] + path,
                                  app::MessageButtons::Ok);
    return path;
}

} // namespace vedra::search
