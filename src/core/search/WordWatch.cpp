// The watch compares whole registered words, so a name search's "Dir/File" or an
// empty record can never match and is left out rather than passed on.
#include "core/search/WordWatch.h"

#include "core/app/Workspace.h"
#include "core/search/ResultList.h"
#include "core/search/ResultRowFormat.h"

namespace vedra::search {

std::vector<std::string> WordWatchWords(const QueryWordTable& words)
{
    std::vector<std::string> watched;
    for (int i = 0; i < words.count && i < QueryWordTable::kMaxWords; ++i) {
        const std::string& text = words.words[static_cast<std::size_t>(i)].text;
        if (!text.empty() && text != kNameRowWords)
            watched.push_back(text);
    }
    return watched;
}

bool AddWatchedDocument(const app::Workspace& workspace, ResultList& results, const std::string& path,
                        const std::vector<std::string>& watched)
{
    if (path.empty() || results.containsLabel(path))
        return false;
    ResultRowInput input;
    input.path = path;
    for (const std::string& word : watched)
        input.wordsText += word + " ";
    input.archiveName = workspace.currentArchiveName();
    input.archiveNumber = workspace.ArchiveNumber;
    input.languageIndex = workspace.LanguageIndex;
    results.append(FormatResultRow(input));
    return true;
}

} // namespace vedra::search
