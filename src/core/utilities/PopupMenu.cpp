// Labels are the program's own texts in three languages; keywords are tested in a
// fixed order, first match wins, so a label that contains another's keyword
// ("words in the file" holds "in the file") must come before it.
#include "core/utilities/PopupMenu.h"

#include "core/app/MessageTable.h"
#include "core/app/SystemProbe.h"
#include "core/app/Workspace.h"

#include <string_view>
#include <vector>

namespace vedra::utilities {
namespace {

using search::SearchOptions;

// The label text read at a click, as a 64-byte buffer holds it.
constexpr std::size_t kMaxEntryBytes = 63;
constexpr int kSizeStepIncrement = 50;
constexpr int kMaxSizeStep = 400;

// Italian, English, Spanish.
using Labels = std::array<std::string_view, 3>;

constexpr Labels kDisableSearch = {"Disabilita Ricerca", "Disable search", "Desactivar la búsqueda"};
constexpr Labels kExtractFiles = {"Estrai files", "Extract files", "Extraer files"};
constexpr Labels kExtractText = {"Estrai testo", "Extract text", "Extraer texto"};
constexpr Labels kOrigin = {"Origine", "Origin", "Origen"};
constexpr Labels kVerifyContiguity = {"Verifica contiguità", "Verify contiguity", "Compruebe contigüidad"};
constexpr Labels kWordsInFile = {"Parole nel file", "Words in the file", "Las palabras en el file"};
constexpr Labels kInExtractWords = {"Nelle parole di estratti.vedra", "In the words of estratti.vedra",
                                    "En las palabras de estratti.vedra"};
constexpr Labels kCleanFromList = {"Cancella lista files", "Clean from list", "Eliminar files de lista"};
constexpr Labels kNew = {"Nuovo", "New", "Nuevo"};
constexpr Labels kSearchInNotes = {"Cerca nelle note", "Search in the notes", "Buscar en las notas"};
constexpr Labels kSave = {"Salva", "Save", "Guardar"};
constexpr Labels kSaveAs = {"Salva con nome", "Save as", "Guardar como"};
constexpr Labels kPrint = {"Stampa", "Print", "Imprimir"};
constexpr Labels kUndo = {"Annulla", "Undo", "Deshacer"};
constexpr Labels kReadable = {"Leggibili", "Readable", "legible"};
constexpr Labels kStatistics = {"Statistiche", "Statistics", "Estadísticas"};
constexpr Labels kExtract = {"Estrai", "Extract", "Extraer"};
constexpr Labels kEnlarge = {"Ingrandisci", "Enlarge", "Zoom"};
constexpr Labels kPaste = {"Incolla", "Paste", "Pasta"};
constexpr Labels kUnselect = {"Deseleziona", "Unselect", "Desactive la opción"};
constexpr Labels kCopy = {"Copia", "Copy", "Copia"};
constexpr Labels kCut = {"Taglia", "Cut", "Corte"};
constexpr Labels kCalculate = {"Calcola", "Calculate", "Calcular"};
constexpr Labels kCleanPreview = {"Pulisci preview", "Clean preview", "Cancelar preview"};
constexpr Labels kPrintImage = {"Stampa Immagine", "Print image", "Impresión de imágenes"};
constexpr Labels kSaveAsBmp = {"Salva come Bmp", "Save as Bmp", "Guardar como Bmp"};
constexpr Labels kSaveClipping = {"Salva ritaglio", "Save clipping", "Guardar la imagen"};
constexpr Labels kPrevious = {"Precedente", "Previous", "Anterior "};
constexpr Labels kFollowing = {"Successivo", "Following", "Siguiente"};
constexpr Labels kCleanBackground = {"Pulisci fondo", "Clean background", "borrar el fondo"};
constexpr Labels kAddBrowser = {"Aggiungi alla lista dei browser", "Add to the browser list",
                                "Agregar a la lista de los browser"};
constexpr Labels kUpdateBrowsers = {"Aggiorna la lista dei browser", "Update the browser list",
                                    "Actualizar la lista de los browser"};
constexpr Labels kPasteWords = {"Incolla ", "Paste ", "Pasta "};
constexpr Labels kCopyWords = {"Copia ", "Copy ", "Copia "};
constexpr Labels kCutWords = {"Taglia ", "Cut ", "Corte "};
constexpr Labels kShowInFolder = {"Mostra nella cartella", "Show in folder", "Mostrar en la carpeta"};
constexpr Labels kResultListTitle = {"FILES TROVATI", "FILES FOUND", "FILES ENCONTRADOS"};
constexpr Labels kSearchTitle = {"RICERCA", "SEARCH", "BÚSQUEDA"};
constexpr Labels kUtilityTitle = {"UTILITY", "UTILITY", "UTILIDADES"};
constexpr Labels kPreviewTitle = {"PREVIEW", "PREVIEW", "VISTA PREVIA"};
constexpr Labels kEditTitle = {"Modifica", "Edit", "Editar"};
constexpr Labels kRunWithCaption = {"Esegui con:", "Run with:", "Execute con:"};

struct Keyword {
    std::string_view text;  // lower case; trailing blanks count
    PopupAction action;
    // Only between non-letters: "and" must not be found in "Ingrandisci".
    bool wholeWord = false;
};

// Tested in every language, before the language's own group.
constexpr Keyword kCommonKeywords[] = {
    {"note", PopupAction::SearchInNotes}, {"notas", PopupAction::SearchInNotes},
    {"and", PopupAction::AndOption, true}, {"preview", PopupAction::CleanPreview},
    {" undo", PopupAction::Undo},         {"zoom +", PopupAction::ZoomIn},
    {"zoom -", PopupAction::ZoomOut},
};

constexpr Keyword kItalianKeywords[] = {
    {"disabilita ricerca", PopupAction::DisableSearch},
    {"estrai files", PopupAction::ExtractFiles},
    {"estrai testo", PopupAction::ExtractText},
    {"origine", PopupAction::Origin},
    {"verifica contigu", PopupAction::VerifyContiguity},
    {"parole nel file", PopupAction::WordsInFile},
    {"nelle parole di estratti", PopupAction::ScopeOption},
    {"nel file", PopupAction::ScopeOption},
    {"nelle parole -or-", PopupAction::ScopeOption},
    {"nell'indice", PopupAction::ScopeOption},
    {"nel percorso", PopupAction::ScopeOption},
    {"in tutti gli archivi", PopupAction::AllArchives},
    {"contigue ", PopupAction::Contiguity},
    {"cancella lista files", PopupAction::CleanFromList},
    {"pulisci prewiev", PopupAction::CleanPreview},
    {"pulisci fondo", PopupAction::CleanBackground},
    {"nuovo", PopupAction::NewText},
    {"cerca nell'archivio", PopupAction::SearchInArchive},
    {"salva come bmp", PopupAction::SaveAsBmp},
    {"salva ritaglio", PopupAction::SaveClipping},
    {"salva con nome", PopupAction::SaveAs},
    {"salva", PopupAction::Save},
    {"stampa immagine", PopupAction::PrintImage},
    {"stampa", PopupAction::Print},
    {"leggibili", PopupAction::Readable},
    {"statistiche", PopupAction::Statistics},
    {"ingrandisci", PopupAction::Enlarge},
    {"incolla ", PopupAction::PasteWords},
    {"incolla", PopupAction::PastePreview},
    {"deseleziona", PopupAction::Unselect},
    {"annulla", PopupAction::Undo},
    {"copia ", PopupAction::CopyWords},
    {"copia", PopupAction::CopyPreview},
    {"taglia ", PopupAction::CutWords},
    {"taglia", PopupAction::CutPreview},
    {"lettura inglese", PopupAction::EnglishReading},
    {"calcola", PopupAction::Calculate},
    {"successivo", PopupAction::NextImage},
    {"precedente", PopupAction::PreviousImage},
    {"aggiungi alla lista dei browser", PopupAction::AddToBrowserList},
    {"aggiorna la lista dei browser", PopupAction::UpdateBrowserList},
    {"mostra nella cartella", PopupAction::ShowInFolder},
};

constexpr Keyword kEnglishKeywords[] = {
    {"disable search", PopupAction::DisableSearch},
    {"extract files", PopupAction::ExtractFiles},
    {"extract text", PopupAction::ExtractText},
    {"origin", PopupAction::Origin},
    {"verify contiguity", PopupAction::VerifyContiguity},
    {"words in the file", PopupAction::WordsInFile},
    {"in the words of estratti", PopupAction::ScopeOption},
    {"in the file", PopupAction::ScopeOption},
    {"in the words -or-", PopupAction::ScopeOption},
    {"in the path", PopupAction::ScopeOption},
    {"in all the archives", PopupAction::AllArchives},
    {"contiguous ", PopupAction::Contiguity},
    {"clean from list", PopupAction::CleanFromList},
    {"clean background", PopupAction::CleanBackground},
    {"new", PopupAction::NewText},
    {"search in the archive", PopupAction::SearchInArchive},
    {"save as bmp", PopupAction::SaveAsBmp},
    {"save clipping", PopupAction::SaveClipping},
    {"save as", PopupAction::SaveAs},
    {"save", PopupAction::Save},
    {"print image", PopupAction::PrintImage},
    {"print", PopupAction::Print},
    {"readable", PopupAction::Readable},
    {"statistics", PopupAction::Statistics},
    {"enlarge", PopupAction::Enlarge},
    {"paste ", PopupAction::PasteWords},
    {"paste", PopupAction::PastePreview},
    {"unselect", PopupAction::Unselect},
    {"copy ", PopupAction::CopyWords},
    {"copy", PopupAction::CopyPreview},
    {"cut ", PopupAction::CutWords},
    {"cut", PopupAction::CutPreview},
    {"english reading", PopupAction::EnglishReading},
    {"calculate", PopupAction::Calculate},
    {"previous", PopupAction::PreviousImage},
    {"following", PopupAction::NextImage},
    {"add to the browser list", PopupAction::AddToBrowserList},
    {"update the browser list", PopupAction::UpdateBrowserList},
    {"show in folder", PopupAction::ShowInFolder},
};

constexpr Keyword kSpanishKeywords[] = {
    {"desactivar la b", PopupAction::DisableSearch},
    {"extraer files", PopupAction::ExtractFiles},
    {"extraer texto", PopupAction::ExtractText},
    {"origen", PopupAction::Origin},
    {"compruebe contig", PopupAction::VerifyContiguity},
    {"las palabras en el file", PopupAction::WordsInFile},
    {"en las palabras de estratti", PopupAction::ScopeOption},
    {"en el file", PopupAction::ScopeOption},
    {"en las palabras -or-", PopupAction::ScopeOption},
    {"en el indice", PopupAction::ScopeOption},
    {"contiguo ", PopupAction::Contiguity},
    {"eliminar files de lista", PopupAction::CleanFromList},
    {"borrar el fondo", PopupAction::CleanBackground},
    {"nuevo", PopupAction::NewText},
    {"buscar en la base de datos", PopupAction::SearchInArchive},
    {"guardar como bmp", PopupAction::SaveAsBmp},
    {"guardar la imagen", PopupAction::SaveClipping},
    {"guardar como", PopupAction::SaveAs},
    {"guardar", PopupAction::Save},
    {"impresi", PopupAction::PrintImage},
    {"imprimir", PopupAction::Print},
    {"legible", PopupAction::Readable},
    {"estad", PopupAction::Statistics},
    {"zoom", PopupAction::Enlarge},
    {"pasta ", PopupAction::PasteWords},
    {"pasta", PopupAction::PastePreview},
    {"desactive la opci", PopupAction::Unselect},
    {"deshacer", PopupAction::Undo},
    {"copia ", PopupAction::CopyWords},
    {"copia", PopupAction::CopyPreview},
    {"corte ", PopupAction::CutWords},
    {"corte", PopupAction::CutPreview},
    {"leer en ingles", PopupAction::EnglishReading},
    {"calcular", PopupAction::Calculate},
    {"siguiente", PopupAction::NextImage},
    {"anterior", PopupAction::PreviousImage},
    {"agregar a la lista de los browser", PopupAction::AddToBrowserList},
    {"actualizar la lista de los browser", PopupAction::UpdateBrowserList},
    {"mostrar en la carpeta", PopupAction::ShowInFolder},
};

// Entries that keep their '*' when another entry is checked.
constexpr std::string_view kKeptMarks[] = {"tutti gli archivi",  "all the archives",        "todos los archivos",
                                           "controllo archivio", "check archive",           "verificacion de archivo"};

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}

bool contains(const std::string& lowered, const Keyword& keyword)
{
    for (std::size_t at = lowered.find(keyword.text); at != std::string::npos;
         at = lowered.find(keyword.text, at + 1)) {
        std::size_t after = at + keyword.text.size();
        if (!keyword.wholeWord ||
            ((at == 0 || !isLetter(lowered[at - 1])) && (after >= lowered.size() || !isLetter(lowered[after]))))
            return true;
    }
    return false;
}

template <std::size_t N>
PopupAction findKeyword(const Keyword (&keywords)[N], const std::string& lowered)
{
    for (const Keyword& keyword : keywords)
        if (contains(lowered, keyword))
            return keyword.action;
    return PopupAction::None;
}

bool keepsMark(const std::string& entry)
{
    if (entry.find("AND") != std::string::npos)
        return true;
    std::string lowered = app::lowerAscii(entry);
    for (std::string_view kept : kKeptMarks)
        if (lowered.find(kept) != std::string::npos)
            return true;
    return false;
}

bool isSeparator(const std::string& entry)
{
    return entry.size() >= 2 && entry.find_first_not_of('-') == std::string::npos;
}

class MenuBuilder {
public:
    MenuBuilder(PopupMenu& menu, int languageIndex) : m_menu(menu), m_slot(app::languageColumn(languageIndex)) {}

    void add(const Labels& labels, int option = 0) { push(std::string(1, option ? '*' : ' ') + std::string(labels[m_slot])); }
    // Texts of the message table already carry their slot blank.
    void addText(std::string_view text) { push(std::string(text)); }
    void separator() { push(std::string(kSeparatorLength, '-')); }

private:
    void push(std::string entry)
    {
        if (m_next < kPopupEntryCount)
            m_menu.entries[m_next++] = std::move(entry);
    }

    PopupMenu& m_menu;
    std::size_t m_slot;
    std::size_t m_next = 0;
};

void buildResultList(MenuBuilder& menu, const PopupConditions& when, const PopupFlags& flags)
{
    menu.add(kDisableSearch, flags.searchDisabled);
    if (!when.listHasRows)
        return;
    menu.separator();
    menu.add(kExtractFiles);
    menu.add(kExtractText);
    menu.add(kOrigin);
    if (when.selectedRowIsFile)
        menu.add(kShowInFolder);
    if (when.queryHasSeveralWords)
        menu.add(kVerifyContiguity);
    menu.add(kWordsInFile);
    menu.add(kInExtractWords, flags.inExtractWords);
    menu.separator();
    menu.add(kCleanFromList);
}

void buildPreview(MenuBuilder& menu, const app::MessageTable& texts, const PopupConditions& when,
                  const PopupFlags& flags)
{
    if (!when.firstRowHasArrow)
        menu.add(kCleanFromList);
    menu.add(kNew);
    if (when.previewHasText) {
        menu.addText(texts.text(app::MessageKey::MsgSearchArchive));
        menu.add(kSearchInNotes);
        // Typed text is saved and printed as a loaded file is.
        menu.add(kSave);
        menu.add(kSaveAs);
        menu.add(kPrint);
        menu.add(kUndo);
        menu.add(kReadable, flags.readable);
        menu.add(kStatistics);
        menu.add(kExtract);
        menu.add(kEnlarge);
    }
    if (when.textSelected)
        menu.separator();
    if (when.clipboardHasText)
        menu.add(kPaste);
    if (when.textSelected) {
        menu.add(kUnselect);
        menu.add(kCopy);
        menu.add(kCut);
        menu.addText(texts.text(app::MessageKey::MsgEnglishReading));
        menu.separator();
    }
    menu.add(kCalculate);
    if (when.previewHasText) {
        menu.separator();
        menu.add(kCleanPreview);
    }
}

void buildSearchWords(MenuBuilder& menu, const PopupConditions& when)
{
    if (when.clipboardHasText)
        menu.add(kPasteWords);
    if (when.textSelected) {
        menu.add(kCopyWords);
        menu.add(kCutWords);
    }
}

void buildImagePreview(MenuBuilder& menu, const PopupConditions& when, int languageIndex)
{
    menu.add(kPrintImage);
    menu.add(when.clippingExists ? kSaveClipping : kSaveAsBmp);
    // Italian and Spanish list the next image first.
    if (app::languageColumn(languageIndex) == 1) {
        menu.add(kPrevious);
        menu.add(kFollowing);
    } else {
        menu.add(kFollowing);
        menu.add(kPrevious);
    }
    menu.add(kCleanBackground);
    menu.add(Labels{"Zoom +", "Zoom +", "Zoom +"});
    menu.add(Labels{"Zoom -", "Zoom -", "Zoom -"});
}

// The flag of an option entry that SearchOptions does not hold; null otherwise.
int* flagOf(PopupAction action, std::string_view lowered, PopupFlags& flags)
{
    switch (action) {
    case PopupAction::DisableSearch:
        return &flags.searchDisabled;
    case PopupAction::Readable:
        return &flags.readable;
    case PopupAction::ScopeOption:
        if (lowered.find("estratti") != std::string_view::npos)
            return &flags.inExtractWords;
        return nullptr;
    default:
        return nullptr;
    }
}

} // namespace

int PopupMenu::usedEntries() const
{
    int used = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].empty())
            used = static_cast<int>(i) + 1;
    return used;
}

PopupMenu BuildPopupMenu(PopupContext context, int languageIndex, const PopupConditions& conditions,
                         const SearchOptions& options, const PopupFlags& flags)
{
    PopupMenu menu;
    menu.context = context;
    const std::size_t slot = app::languageColumn(languageIndex);
    menu.runWithCaption = std::string(kRunWithCaption[slot]);
    const app::MessageTable texts(languageIndex);
    MenuBuilder builder(menu, languageIndex);
    switch (context) {
    case PopupContext::ResultList:
        menu.title = std::string(kResultListTitle[slot]);
        menu.showsProgramBox = true;
        buildResultList(builder, conditions, flags);
        break;
    case PopupContext::Preview:
        menu.title = std::string(kPreviewTitle[slot]);
        menu.showsProgramBox = true;
        buildPreview(builder, texts, conditions, flags);
        break;
    case PopupContext::SearchPage: {
        menu.title = std::string(kSearchTitle[slot]);
        std::vector<std::string> rows = search::SearchMenuRows(options, languageIndex, conditions.queryHasBlank);
        for (std::size_t i = 0; i < rows.size() && i < kPopupEntryCount; ++i)
            menu.entries[i] = rows[i];
        break;
    }
    case PopupContext::SearchWords:
        menu.title = std::string(kEditTitle[slot]);
        buildSearchWords(builder, conditions);
        break;
    case PopupContext::ImagePreview:
        buildImagePreview(builder, conditions, languageIndex);
        break;
    case PopupContext::UtilityPage:
        menu.title = std::string(kUtilityTitle[slot]);
        builder.add(kAddBrowser);
        builder.add(kUpdateBrowsers);
        break;
    }
    return menu;
}

PopupAction RecogniseEntry(const std::string& entry, int languageIndex)
{
    std::string lowered = app::lowerAscii(entry.substr(0, kMaxEntryBytes));
    PopupAction action = findKeyword(kCommonKeywords, lowered);
    if (action != PopupAction::None)
        return action;
    switch (app::languageColumn(languageIndex)) {
    case 0:
        return findKeyword(kItalianKeywords, lowered);
    case 1:
        return findKeyword(kEnglishKeywords, lowered);
    default:
        return findKeyword(kSpanishKeywords, lowered);
    }
}

PopupOutcome RunSelectedEntry(app::Workspace& workspace, PopupMenu& menu, int index, SearchOptions& options,
                              PopupFlags& flags)
{
    PopupOutcome outcome;
    if (index < 0 || static_cast<std::size_t>(index) >= kPopupEntryCount)
        return outcome;
    std::string& entry = menu.entries[static_cast<std::size_t>(index)];
    // A separator is no command: clicking it must not clear the scope options.
    if (entry.empty() || static_cast<unsigned char>(entry[0]) < ' ' || isSeparator(entry))
        return outcome;
    outcome.handled = true;

    const std::string label = entry.substr(0, kMaxEntryBytes);
    const std::string lowered = app::lowerAscii(label);
    // The option's new value, as the program stores it: the shown slot minus '*'.
    const int newValue = label[0] - '*';
    outcome.turnedOn = newValue != 0;
    outcome.action = RecogniseEntry(label, workspace.LanguageIndex);

    switch (outcome.action) {
    case PopupAction::AndOption:
        search::ApplySearchMenuRow(options, label);
        break;
    case PopupAction::AllArchives:
    case PopupAction::Contiguity:
        search::ApplySearchMenuRow(options, label);
        flags.inExtractWords = 0;
        break;
    case PopupAction::ScopeOption:
        if (int* option = flagOf(outcome.action, lowered, flags)) {
            options.clearScopeOptions();
            *option = newValue;
        } else {
            search::ApplySearchMenuRow(options, label);
            flags.inExtractWords = 0;
        }
        break;
    case PopupAction::DisableSearch:
    case PopupAction::Readable:
        *flagOf(outcome.action, lowered, flags) = newValue;
        break;
    case PopupAction::VerifyContiguity:
        options.contiguity = SearchOptions::kContiguityOn;
        outcome.turnedOn = true;
        break;
    case PopupAction::SearchInNotes:
        if (outcome.turnedOn) {
            workspace.SearchTarget = app::SearchTarget::Notes;
            flags.readingModeFirst = 0;
            flags.readingModeSecond = 0;
            options.fileNameSearch = false;
            options.folderNameSearch = false;
            options.clearScopeOptions();
            flags.inExtractWords = 0;
        } else {
            workspace.SearchTarget = app::SearchTarget::Archive;
        }
        break;
    case PopupAction::SearchInArchive:
        workspace.SearchTarget = app::SearchTarget::Archive;
        break;
    case PopupAction::EnglishReading:
        // The mode flags the search start reads are the two name searches.
        flags.readingModeFirst = 0;
        flags.readingModeSecond = 0;
        options.fileNameSearch = false;
        options.folderNameSearch = false;
        break;
    case PopupAction::Enlarge:
        flags.previewSizeStep += kSizeStepIncrement;
        if (flags.previewSizeStep > kMaxSizeStep)
            flags.previewSizeStep = kSizeStepIncrement;
        break;
    case PopupAction::None:
        options.clearScopeOptions();
        flags.inExtractWords = 0;
        break;
    default:
        break;
    }

    if (entry[0] == '*') {
        entry[0] = ' ';
    } else {
        entry[0] = '*';
        for (std::size_t i = 0; i < kPopupEntryCount; ++i)
            if (i != static_cast<std::size_t>(index) && !menu.entries[i].empty() && menu.entries[i][0] == '*' &&
                !keepsMark(menu.entries[i]))
                menu.entries[i][0] = ' ';
    }
    return outcome;
}

} // namespace vedra::utilities
