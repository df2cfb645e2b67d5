// Word extraction runs over every byte of every indexed document, and each word it
// keeps costs a dictionary lookup: these two figures bound the speed of a run once
// the text has been read. The archive lives in a temporary folder with caches large
// enough to hold its dictionary and postings, so memory work is measured, not disk.
#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Hashes.h"
#include "core/indexing/WordExtractor.h"
#include "core/web/WebEscapes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vedra::archive::CacheSizes;

constexpr std::size_t kMiB = std::size_t{1} << 20;

CacheSizes largeCaches()
{
    CacheSizes caches;
    caches.dictionaryHead = 64 * kMiB;
    caches.postingsHead = 64 * kMiB;
    caches.keysHead = 16 * kMiB;
    caches.foldersHead = 16 * kMiB;
    caches.appendBuffer = 32 * kMiB;
    return caches;
}

// A created archive, open for indexing, in a folder removed at the end.
class BenchArchive {
public:
    BenchArchive()
    {
        std::string pattern = (fs::temp_directory_path() / "vedrabench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_folder = pattern;
        workspace = std::make_unique<vedra::app::Workspace>(host, probe(m_folder));
        if (workspace->PrepareWorkspace() != 1)
            throw std::runtime_error("workspace not prepared");
        workspace->ArchiveNumber = 1;
        workspace->ArchiveNumberText = "1";
        workspace->ArchiveFolder = m_folder.string() + "/C_BENCH_1/";
        fs::create_directories(workspace->ArchiveFolder);
        store = std::make_unique<vedra::archive::ArchiveStore>(workspace->storeContext());
        if (store->createArchiveFiles() != 1)
            throw std::runtime_error("archive not created");
        reopen();
    }
    ~BenchArchive()
    {
        store.reset();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    BenchArchive(const BenchArchive&) = delete;
    BenchArchive& operator=(const BenchArchive&) = delete;

    // Closing flushes every appended node; opening again loads the whole dictionary
    // into the head cache, as a run on an established archive finds it.
    void reopen()
    {
        store->close();
        if (!store->openForIndexing(largeCaches()))
            throw std::runtime_error("archive not opened");
    }

    vedra::app::HeadlessHost host;
    std::unique_ptr<vedra::app::Workspace> workspace;
    std::unique_ptr<vedra::archive::ArchiveStore> store;

private:
    // Memory enough for work buffers of tens of megabytes, whatever the machine has.
    static vedra::app::SystemProbe probe(const fs::path& folder)
    {
        vedra::app::SystemProbe probe;
        std::string path = folder.string();
        probe.currentDirectory = [path] { return path; };
        probe.homeFolder = [path] { return path + "/home"; };
        probe.availableMemoryBytes = [] { return std::uint64_t{4} << 30; };
        probe.freeDiskBytes = [](const std::string&) { return std::uint64_t{1} << 40; };
        probe.driveRoots = [] { return std::vector<std::string>{}; };
        probe.searchPath = [] { return std::vector<std::string>{}; };
        return probe;
    }

    fs::path m_folder;
};

// Distinct pseudo-words of two to four syllables (onset, vowel, optional coda) as
// Italian and English spell them, some ending in an accented cp1252 letter, so that
// their first letters spread over the dictionary's buckets as real words do.
std::vector<std::string> makeVocabulary(std::size_t count, std::uint32_t seed)
{
    static const char* const kOnsets[] = {"",   "",   "b",  "c",  "d",  "f",  "g",  "l",  "m",  "n",
                                          "p",  "r",  "s",  "t",  "v",  "z",  "ch", "gl", "gn", "pr",
                                          "tr", "st", "br", "cr", "fr", "gr", "sc", "sp", "th", "wh",
                                          "w",  "h",  "k",  "j",  "qu", "pl", "bl", "cl", "sh", "y"};
    static const char* const kVowels[] = {"a", "e", "i", "o", "u", "a", "e", "i", "o", "ea", "io", "ou"};
    static const char* const kCodas[] = {"", "", "", "", "n", "r", "l", "s", "nt", "st", "ng", "m"};
    static const char* const kEndings[] = {"", "", "", "", "", "", "", "", "\xE0", "\xE8", "\xE9", "\xF2", "\xF9"};
    std::mt19937 random(seed);
    auto from = [&random](const auto& table) {
        return table[std::uniform_int_distribution<std::size_t>(0, std::size(table) - 1)(random)];
    };
    std::uniform_int_distribution<int> parts(2, 4);
    std::set<std::string> seen;
    std::vector<std::string> words;
    while (words.size() < count) {
        std::string word;
        for (int n = parts(random); n > 0; --n)
            word = word + from(kOnsets) + from(kVowels) + from(kCodas);
        word += from(kEndings);
        if (word.size() > 2 && seen.insert(word).second)
            words.push_back(word);
    }
    return words;
}

// About `bytes` of running text: vocabulary words drawn with Zipf-like frequencies,
// mixed with the frequent short and stop words of real Italian and English text,
// numbers, capitals after a full stop, commas and line ends.
std::string makeText(const std::vector<std::string>& vocabulary, std::size_t bytes, std::uint32_t seed)
{
    static const char* const kFrequent[] = {"di", "il", "la", "e", "a", "che", "per", "the", "of", "and",
                                            "to", "della", "con", "is", "in", "un", "DI", "non", "L"};
    std::vector<double> weights(vocabulary.size());
    for (std::size_t rank = 0; rank < weights.size(); ++rank)
        weights[rank] = 1.0 / std::pow(static_cast<double>(rank + 1), 1.07);
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<std::size_t> frequent(0, std::size(kFrequent) - 1);
    std::uniform_int_distribution<int> number(0, 2100);

    std::string text;
    text.reserve(bytes + 64);
    bool capital = true;
    while (text.size() < bytes) {
        int roll = percent(random);
        std::string word;
        if (roll < 30)
            word = kFrequent[frequent(random)];
        else if (roll < 32)
            word = std::to_string(number(random));
        else
            word = vocabulary[pick(random)];
        if (capital && word[0] >= 'a' && word[0] <= 'z')
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
        text += word;
        capital = false;
        int separator = percent(random);
        if (separator < 6) {
            text += ". ";
            capital = true;
        } else if (separator < 14) {
            text += ", ";
        } else if (separator < 16) {
            text += "\r\n";
        } else {
            text += ' ';
        }
    }
    return text;
}

struct IndexingSetup {
    BenchArchive archive;
    std::unique_ptr<vedra::indexing::WordExtractor> extractor;
    std::string text;
    std::uint32_t nextDocument = 1;

    IndexingSetup()
    {
        std::vector<std::string> vocabulary = makeVocabulary(20000, 7);
        text = makeText(vocabulary, 4 * kMiB, 11);
        extractor = std::make_unique<vedra::indexing::WordExtractor>(*archive.workspace, *archive.store);
        extractor->loadStopWords();
        // Roots for all but one word in twenty, so that most words pass the filter.
        std::string roots;
        for (std::size_t i = 0; i < vocabulary.size(); ++i)
            if (i % 20 != 19)
                roots += vocabulary[i].substr(0, 3) + "\r\n";
        roots += "di\r\n";
        extractor->LoadRoots(roots.data(), roots.size());
        // A first document fills the dictionary; then the archive is opened again
        // with it in the cache, as later runs find it.
        indexOneDocument();
        archive.reopen();
    }

    void indexOneDocument()
    {
        std::string chunk = text;
        extractor->beginDocument(nextDocument++);
        extractor->IndexChunk(chunk.data(), chunk.size(), "/bench/document.txt");
        archive.store->endWordList();
    }
};

void BM_IndexChunk(benchmark::State& state)
{
    static IndexingSetup setup;
    std::string chunk;
    for (auto _ : state) {
        state.PauseTiming();
        chunk = setup.text;
        setup.extractor->beginDocument(setup.nextDocument++);
        state.ResumeTiming();
        setup.extractor->IndexChunk(chunk.data(), chunk.size(), "/bench/document.txt");
        setup.archive.store->endWordList();
    }
    if (setup.archive.workspace->BreakCode != vedra::app::StopCode::None)
        state.SkipWithError("the archive stopped the run");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(setup.text.size()));
    state.counters["postings/doc"] = benchmark::Counter(
        static_cast<double>(setup.extractor->wordsIndexed()) / static_cast<double>(setup.nextDocument - 1));
}
BENCHMARK(BM_IndexChunk)->Unit(benchmark::kMillisecond);

struct LookupSetup {
    BenchArchive archive;
    std::vector<std::string> words;

    LookupSetup() : words(makeVocabulary(50000, 3))
    {
        // Stored as word extraction leaves them: accents folded.
        for (std::string& word : words)
            vedra::web::FoldAccents(word);
        for (const std::string& word : words)
            if (!archive.store->findOrAddWord(word))
                throw std::runtime_error("word not added");
        archive.reopen();
        // Looked up in an order unrelated to insertion, as a text would ask.
        std::shuffle(words.begin(), words.end(), std::mt19937(5));
    }
};

void BM_FindWord(benchmark::State& state)
{
    static LookupSetup setup;
    std::size_t next = 0;
    for (auto _ : state) {
        auto found = setup.archive.store->findWord(setup.words[next]);
        benchmark::DoNotOptimize(found);
        if (++next == setup.words.size())
            next = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    // The trees' depth follows from how many words share a bucket.
    std::set<std::uint32_t> buckets;
    for (const std::string& word : setup.words)
        buckets.insert(vedra::archive::wordBucket(word).value_or(0));
    state.counters["words/bucket"] =
        benchmark::Counter(static_cast<double>(setup.words.size()) / static_cast<double>(buckets.size()));
}
BENCHMARK(BM_FindWord);

} // namespace
