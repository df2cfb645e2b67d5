#include "core/utilities/PopupMenu.h"

#include "UtilitiesFixture.h"

#include <map>
#include <set>

namespace vedra::utilities {
namespace {

using A = PopupAction;

PopupConditions everything()
{
    PopupConditions all;
    all.listHasRows = true;
    all.queryHasSeveralWords = true;
    all.queryHasBlank = true;
    all.firstRowHasArrow = false;
    all.previewHasText = true;
    all.fileLoaded = true;
    all.textSelected = true;
    all.clipboardHasText = true;
    all.selectedRowIsFile = true;
    return all;
}

std::vector<std::string> used(const PopupMenu& menu)
{
    std::vector<std::string> entries;
    for (const auto& entry : menu.entries)
        if (!entry.empty())
            entries.push_back(entry);
    return entries;
}

PopupMenu build(PopupContext context, int language, PopupConditions when = everything(),
                const search::SearchOptions& options = {}, const PopupFlags& flags = {})
{
    return BuildPopupMenu(context, language, when, options, flags);
}

// What the search module itself calls each search-page row, as an action.
A actionOfSearchRow(search::SearchMenuItem item)
{
    switch (item) {
    case search::SearchMenuItem::And: return A::AndOption;
    case search::SearchMenuItem::AllArchives: return A::AllArchives;
    case search::SearchMenuItem::InTheFile:
    case search::SearchMenuItem::WordsOr:
    case search::SearchMenuItem::InTheIndex:
    case search::SearchMenuItem::InThePath: return A::ScopeOption;
    case search::SearchMenuItem::Contiguity: return A::Contiguity;
    case search::SearchMenuItem::CleanPreview: return A::CleanPreview;
    case search::SearchMenuItem::CleanFromList: return A::CleanFromList;
    default: return A::None;
    }
}

TEST(PopupMenuRecognition, EnglishLabelsNameTheirActions)
{
    const std::map<std::string, A> expected = {
        {" Disable search", A::DisableSearch}, {" Extract files", A::ExtractFiles},
        {" Extract text", A::ExtractText},     {" Origin", A::Origin},
        {" Verify contiguity", A::VerifyContiguity}, {" Words in the file", A::WordsInFile},
        {" In the words of estratti.vedra", A::ScopeOption}, {" Clean from list", A::CleanFromList},
        {" New", A::NewText},                  {" Search in the archive", A::SearchInArchive},
        {" Search in the notes", A::SearchInNotes}, {" Save", A::Save},
        {" Save as", A::SaveAs},               {" Print", A::Print},
        {" Undo", A::Undo},                    {" Readable", A::Readable},
        {" Statistics", A::Statistics},        {" Extract", A::None},
        {" Enlarge", A::Enlarge},              {" Paste", A::PastePreview},
        {" Unselect", A::Unselect},            {" Copy", A::CopyPreview},
        {" Cut", A::CutPreview},               {" English reading", A::EnglishReading},
        {" Calculate", A::Calculate},          {" Clean preview", A::CleanPreview},
        {" Paste ", A::PasteWords},            {" Copy ", A::CopyWords},
        {" Cut ", A::CutWords},                {" Print image", A::PrintImage},
        {" Save as Bmp", A::SaveAsBmp},        {" Save clipping", A::SaveClipping},
        {" Previous", A::PreviousImage},       {" Following", A::NextImage},
        {" Clean background", A::CleanBackground}, {" Zoom +", A::ZoomIn},
        {" Zoom -", A::ZoomOut},               {" Add to the browser list", A::AddToBrowserList},
        {" Update the browser list", A::UpdateBrowserList}, {"*AND", A::AndOption},
        {" In all the archives", A::AllArchives}, {" In the file", A::ScopeOption},
        {" In the path", A::ScopeOption},      {" Contiguous ", A::Contiguity},
        {" Show in folder", A::ShowInFolder},
    };
    for (const auto& [label, action] : expected)
        EXPECT_EQ(RecogniseEntry(label, 1), action) << label;
}

TEST(PopupMenuRecognition, NamedTwinsOfTheOtherLanguages)
{
    EXPECT_EQ(RecogniseEntry(" Siguiente", 2), A::NextImage);
    EXPECT_EQ(RecogniseEntry(" Anterior ", 2), A::PreviousImage);
    EXPECT_EQ(RecogniseEntry(" Ingrandisci", 0), A::Enlarge);
    EXPECT_EQ(RecogniseEntry(" Pulisci prewiev", 0), A::CleanPreview);
    EXPECT_EQ(RecogniseEntry(" Desactivar la búsqueda", 2), A::DisableSearch);
    EXPECT_EQ(RecogniseEntry(" Desactive la opción", 2), A::Unselect);
    EXPECT_EQ(RecogniseEntry(" Zoom", 2), A::Enlarge) << "Spanish Enlarge, not the image zoom";
    EXPECT_EQ(RecogniseEntry(" Zoom +", 2), A::ZoomIn);
    EXPECT_EQ(RecogniseEntry(" Cerca nelle note", 0), A::SearchInNotes);
    EXPECT_EQ(RecogniseEntry(" Buscar en las notas", 2), A::SearchInNotes);
}

// Every entry of every context in Italian and Spanish does what the English entry
// at the same place does (the image menus list next and previous the other way round).
class PopupMenuTwins : public ::testing::TestWithParam<std::tuple<PopupContext, int>> {};

TEST_P(PopupMenuTwins, EveryEntryActsAsItsEnglishTwin)
{
    const auto [context, language] = GetParam();
    for (bool clipping : {false, true}) {
        PopupConditions when = everything();
        when.clippingExists = clipping;
        std::vector<std::string> english = used(build(context, 1, when));
        std::vector<std::string> other = used(build(context, language, when));
        ASSERT_EQ(english.size(), other.size());
        std::multiset<A> englishActions, otherActions;
        for (std::size_t i = 0; i < english.size(); ++i) {
            A mine = RecogniseEntry(other[i], language);
            if (context != PopupContext::ImagePreview) {
                EXPECT_EQ(mine, RecogniseEntry(english[i], 1)) << other[i] << " / " << english[i];
            }
            englishActions.insert(RecogniseEntry(english[i], 1));
            otherActions.insert(mine);
            if (english[i].find("Extract") == std::string::npos && english[i][1] != '-') {
                EXPECT_NE(mine, A::None) << other[i];
            }
        }
        EXPECT_EQ(englishActions, otherActions);
    }
}

INSTANTIATE_TEST_SUITE_P(AllContexts, PopupMenuTwins,
                         ::testing::Combine(::testing::Values(PopupContext::ResultList, PopupContext::Preview,
                                                              PopupContext::SearchWords, PopupContext::ImagePreview,
                                                              PopupContext::UtilityPage),
                                            ::testing::Values(0, 2)));

// The search page's rows differ by language; each is recognised as the search
// module names it.
TEST(PopupMenuRecognition, SearchPageRowsAgreeWithTheSearchOptions)
{
    for (int language : {0, 1, 2}) {
        for (const auto& row : used(build(PopupContext::SearchPage, language))) {
            if (row[0] == '-')
                continue;
            EXPECT_EQ(RecogniseEntry(row, language), actionOfSearchRow(search::SearchMenuItemOf(row)))
                << row << " in language " << language;
        }
    }
}

TEST(PopupMenuBuild, ResultListEntriesFollowTheConditions)
{
    PopupConditions none;
    PopupMenu menu = build(PopupContext::ResultList, 1, none);
    EXPECT_EQ(used(menu), std::vector<std::string>{" Disable search"});
    EXPECT_EQ(menu.title, "FILES FOUND");
    EXPECT_TRUE(menu.showsProgramBox);
    EXPECT_EQ(menu.runWithCaption, "Run with:");

    PopupConditions rows;
    rows.listHasRows = true;
    PopupFlags flags;
    flags.searchDisabled = 1;
    menu = build(PopupContext::ResultList, 0, rows, {}, flags);
    EXPECT_EQ(used(menu), (std::vector<std::string>{"*Disabilita Ricerca", std::string(60, '-'), " Estrai files",
                                                    " Estrai testo", " Origine", " Parole nel file",
                                                    " Nelle parole di estratti.vedra", std::string(60, '-'),
                                                    " Cancella lista files"}));
    EXPECT_EQ(menu.title, "FILES TROVATI");
    EXPECT_EQ(menu.entries.size(), 30u);
    rows.queryHasSeveralWords = true;
    EXPECT_EQ(build(PopupContext::ResultList, 2, rows).entries[5], " Compruebe contigüidad");

    // "Show in folder" follows "Origin" only for a row that is a file on disk.
    rows.selectedRowIsFile = true;
    const char* shown[] = {" Mostra nella cartella", " Show in folder", " Mostrar en la carpeta"};
    for (int language : {0, 1, 2}) {
        menu = build(PopupContext::ResultList, language, rows);
        EXPECT_EQ(menu.entries[5], shown[language]);
        EXPECT_EQ(RecogniseEntry(menu.entries[5], language), A::ShowInFolder);
    }
    PopupConditions noRows;
    noRows.selectedRowIsFile = true;
    EXPECT_EQ(used(build(PopupContext::ResultList, 1, noRows)).size(), 1u) << "no rows, no entry";
}

TEST(PopupMenuBuild, PreviewEntriesFollowTheConditions)
{
    PopupConditions empty;
    EXPECT_EQ(used(build(PopupContext::Preview, 1, empty)),
              (std::vector<std::string>{" Clean from list", " New", " Calculate"}));
    empty.firstRowHasArrow = true;
    empty.clipboardHasText = true;
    EXPECT_EQ(used(build(PopupContext::Preview, 1, empty)),
              (std::vector<std::string>{" New", " Paste", " Calculate"}));

    PopupFlags flags;
    flags.readable = 1;
    PopupMenu full = build(PopupContext::Preview, 1, everything(), {}, flags);
    EXPECT_EQ(used(full),
              (std::vector<std::string>{" Clean from list", " New", " Search in the archive", " Search in the notes",
                                        " Save", " Save as", " Print", " Undo", "*Readable", " Statistics",
                                        " Extract", " Enlarge", std::string(60, '-'), " Paste", " Unselect",
                                        " Copy", " Cut", " English reading", std::string(60, '-'), " Calculate",
                                        std::string(60, '-'), " Clean preview"}));
    EXPECT_EQ(full.title, "PREVIEW");

    // Text typed after "New" has no file, yet it is saved and printed as a file is.
    PopupConditions typed;
    typed.firstRowHasArrow = true;
    typed.previewHasText = true;
    typed.fileLoaded = false;
    EXPECT_EQ(used(build(PopupContext::Preview, 0, typed)),
              (std::vector<std::string>{" Nuovo", " Cerca nell'archivio", " Cerca nelle note", " Salva",
                                        " Salva con nome", " Stampa", " Annulla", " Leggibili", " Statistiche",
                                        " Estrai", " Ingrandisci", " Calcola", std::string(60, '-'),
                                        " Pulisci preview"}));
}

TEST(PopupMenuBuild, OtherContexts)
{
    PopupMenu words = build(PopupContext::SearchWords, 2);
    EXPECT_EQ(used(words), (std::vector<std::string>{" Pasta ", " Copia ", " Corte "}));
    EXPECT_EQ(words.title, "Editar");
    EXPECT_EQ(build(PopupContext::SearchWords, 0).title, "Modifica");
    EXPECT_EQ(build(PopupContext::Preview, 2).title, "VISTA PREVIA");
    EXPECT_FALSE(words.showsProgramBox);

    PopupConditions clipping;
    clipping.clippingExists = true;
    PopupMenu image = build(PopupContext::ImagePreview, 0, clipping);
    EXPECT_EQ(used(image), (std::vector<std::string>{" Stampa Immagine", " Salva ritaglio", " Successivo",
                                                     " Precedente", " Pulisci fondo", " Zoom +", " Zoom -"}));
    EXPECT_EQ(image.title, "") << "the image window keeps its title";

    EXPECT_EQ(build(PopupContext::SearchPage, 1).title, "SEARCH");
    EXPECT_EQ(build(PopupContext::SearchPage, 0).title, "RICERCA");
    EXPECT_EQ(build(PopupContext::SearchPage, 2).title, "BÚSQUEDA");
    EXPECT_EQ(build(PopupContext::UtilityPage, 2).title, "UTILIDADES");
    EXPECT_EQ(build(PopupContext::UtilityPage, 2).entries[0], " Agregar a la lista de los browser");
}

class PopupMenuClick : public UtilitiesTest {
protected:
    PopupOutcome click(PopupMenu& menu, const std::string& label)
    {
        for (std::size_t i = 0; i < menu.entries.size(); ++i)
            if (menu.entries[i].substr(1) == label)
                return RunSelectedEntry(*ws, menu, static_cast<int>(i), options, flags);
        ADD_FAILURE() << "no entry " << label;
        return {};
    }
    std::string entry(const PopupMenu& menu, const std::string& label)
    {
        for (const auto& text : menu.entries)
            if (text.size() > 1 && text.substr(1) == label)
                return text;
        return {};
    }

    search::SearchOptions options;
    PopupFlags flags;
};

TEST_F(PopupMenuClick, AnOptionTurnsOnAloneAndOffAgain)
{
    PopupMenu menu = build(PopupContext::SearchPage, 1, everything(), options);
    ASSERT_EQ(entry(menu, "AND"), "*AND");
    ASSERT_EQ(entry(menu, "Contiguous "), "*Contiguous ");

    PopupOutcome outcome = click(menu, "In the file");
    EXPECT_EQ(outcome.action, A::ScopeOption);
    EXPECT_TRUE(outcome.turnedOn);
    EXPECT_NE(options.inTheFile, 0);
    EXPECT_EQ(entry(menu, "In the file"), "*In the file");
    EXPECT_EQ(entry(menu, "AND"), "*AND") << "AND keeps its mark";
    EXPECT_EQ(entry(menu, "Contiguous "), " Contiguous ") << "every other mark is cleared";

    click(menu, "In all the archives");
    EXPECT_NE(options.allArchives, 0);
    EXPECT_EQ(options.inTheFile, 0) << "the scope options exclude each other";
    EXPECT_EQ(entry(menu, "In the file"), " In the file");

    click(menu, "In the path");
    EXPECT_NE(options.inThePath, 0);
    EXPECT_EQ(options.allArchives, 0);
    EXPECT_EQ(entry(menu, "In all the archives"), "*In all the archives") << "the all-archives mark is kept";

    outcome = click(menu, "In the path");
    EXPECT_FALSE(outcome.turnedOn);
    EXPECT_EQ(options.inThePath, 0);
    EXPECT_EQ(entry(menu, "In the path"), " In the path");

    outcome = click(menu, "AND");
    EXPECT_EQ(outcome.action, A::AndOption);
    EXPECT_EQ(options.andWords, 0);
    EXPECT_EQ(entry(menu, "AND"), " AND");
}

TEST_F(PopupMenuClick, WindowFlagsAndCommands)
{
    PopupMenu menu = build(PopupContext::ResultList, 1, everything(), options, flags);
    options.inTheFile = 1;
    click(menu, "In the words of estratti.vedra");
    EXPECT_NE(flags.inExtractWords, 0);
    EXPECT_EQ(options.inTheFile, 0);
    click(menu, "Disable search");
    EXPECT_NE(flags.searchDisabled, 0);
    EXPECT_EQ(entry(menu, "In the words of estratti.vedra"), " In the words of estratti.vedra");

    // A command is marked after its first use too, and clears the other marks.
    PopupOutcome outcome = click(menu, "Clean from list");
    EXPECT_EQ(outcome.action, A::CleanFromList);
    EXPECT_EQ(entry(menu, "Clean from list"), "*Clean from list");
    EXPECT_EQ(entry(menu, "Disable search"), " Disable search");
    EXPECT_NE(flags.searchDisabled, 0) << "only the mark goes, the option stays";

    outcome = click(menu, "Verify contiguity");
    EXPECT_EQ(outcome.action, A::VerifyContiguity);
    EXPECT_EQ(options.contiguity, search::SearchOptions::kContiguityOn);
}

TEST_F(PopupMenuClick, SearchInTheNotesSetsTheTarget)
{
    ws->SearchTarget = app::SearchTarget::Archive;
    options.wordsOr = 1;
    flags.readingModeFirst = flags.readingModeSecond = 1;
    PopupMenu menu = build(PopupContext::Preview, 1, everything(), options, flags);
    PopupOutcome outcome = click(menu, "Search in the notes");
    EXPECT_EQ(outcome.action, A::SearchInNotes);
    EXPECT_TRUE(outcome.turnedOn);
    EXPECT_EQ(ws->SearchTarget, app::SearchTarget::Notes);
    EXPECT_EQ(options.wordsOr, 0);
    EXPECT_EQ(flags.readingModeFirst + flags.readingModeSecond, 0);
    click(menu, "Search in the notes");
    EXPECT_EQ(ws->SearchTarget, app::SearchTarget::Archive);

    ws->SearchTarget = app::SearchTarget::Notes;
    EXPECT_EQ(click(menu, "Search in the archive").action, A::SearchInArchive);
    EXPECT_EQ(ws->SearchTarget, app::SearchTarget::Archive);
}

TEST_F(PopupMenuClick, EnglishReadingEndsTheNameSearchesAndAllArchivesEndsTheDisk)
{
    options.fileNameSearch = true;
    options.folderNameSearch = true;
    options.wordsOr = 1;
    flags.readingModeFirst = flags.readingModeSecond = 1;
    PopupMenu preview = build(PopupContext::Preview, 1, everything(), options, flags);
    EXPECT_EQ(click(preview, "English reading").action, A::EnglishReading);
    EXPECT_FALSE(options.fileNameSearch);
    EXPECT_FALSE(options.folderNameSearch);
    EXPECT_EQ(flags.readingModeFirst + flags.readingModeSecond, 0);
    EXPECT_NE(options.wordsOr, 0) << "the scope options are not among the two mode flags";

    options.setDirectOnDisk(true);
    PopupMenu search = build(PopupContext::SearchPage, 1, everything(), options);
    EXPECT_EQ(click(search, "In all the archives").action, A::AllArchives);
    EXPECT_NE(options.allArchives, 0);
    EXPECT_EQ(options.directOnDisk, 0);
}

TEST_F(PopupMenuClick, EnlargeCyclesAndExtractOnlyClearsScopes)
{
    ws->SetLanguage(0);
    PopupMenu menu = build(PopupContext::Preview, 0, everything(), options, flags);
    std::vector<int> steps;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(click(menu, "Ingrandisci").action, A::Enlarge);
        steps.push_back(flags.previewSizeStep);
    }
    EXPECT_EQ(steps, (std::vector<int>{50, 100, 150, 200, 250, 300, 350, 400, 50}));

    options.inThePath = 1;
    options.andWords = 1;
    EXPECT_EQ(click(menu, "Estrai").action, A::None);
    EXPECT_EQ(options.inThePath, 0);
    EXPECT_EQ(options.andWords, 1);
}

TEST_F(PopupMenuClick, SpanishEntriesInTheWindowLanguage)
{
    ws->SetLanguage(2);
    PopupMenu menu = build(PopupContext::ResultList, 2, everything(), options, flags);
    PopupOutcome outcome = click(menu, "Desactivar la búsqueda");
    EXPECT_EQ(outcome.action, A::DisableSearch);
    EXPECT_NE(flags.searchDisabled, 0);
    EXPECT_EQ(click(menu, "Las palabras en el file").action, A::WordsInFile);
    EXPECT_EQ(options.inTheFile, 0) << "words in the file is no scope";
}

TEST_F(PopupMenuClick, TrailingBlanksTellTheSearchWordsFromThePreview)
{
    PopupMenu words = build(PopupContext::SearchWords, 1);
    EXPECT_EQ(click(words, "Copy ").action, A::CopyWords);
    PopupMenu preview = build(PopupContext::Preview, 1);
    EXPECT_EQ(click(preview, "Copy").action, A::CopyPreview);
}

TEST_F(PopupMenuClick, EmptySeparatorAndOutOfRangeEntriesDoNothing)
{
    PopupMenu menu = build(PopupContext::SearchPage, 1, everything(), options);
    options.inTheFile = 1;
    const auto before = menu.entries;
    for (int index : {-1, 5, 29, 30}) {
        PopupOutcome outcome = RunSelectedEntry(*ws, menu, index, options, flags);
        EXPECT_FALSE(outcome.handled) << index;
    }
    menu.entries[0][0] = '\x01';
    EXPECT_FALSE(RunSelectedEntry(*ws, menu, 0, options, flags).handled);
    menu.entries[0][0] = '*';
    EXPECT_EQ(menu.entries, before);
    EXPECT_EQ(options.inTheFile, 1) << "a separator click keeps the scope";
}

} // namespace
} // namespace vedra::utilities
