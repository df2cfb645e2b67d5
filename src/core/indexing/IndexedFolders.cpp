#include "core/indexing/IndexedFolders.h"

#include "core/io/AtomicFile.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace vedra::indexing {

std::vector<IndexedFolder> parseIndexedFolders(std::string_view text)
{
    std::vector<IndexedFolder> list;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::size_t tab1 = line.find('\t');
        std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos)
            continue;
        IndexedFolder entry;
        auto [stop, error] = std::from_chars(line.data(), line.data() + tab1, entry.archive);
        std::string_view options = line.substr(tab1 + 1, tab2 - tab1 - 1);
        std::string_view folder = line.substr(tab2 + 1);
        if (error != std::errc() || stop != line.data() + tab1 || entry.archive < 0 || folder.empty() ||
            folder.front() != '/' || folder.back() != '/')
            continue;
        entry.subfolders = options.find('s') != std::string_view::npos;
        entry.unpack = options.find('u') != std::string_view::npos;
        entry.folder = std::string(folder);
        list.push_back(std::move(entry));
    }
    return list;
}

std::string formatIndexedFolders(const std::vector<IndexedFolder>& folders)
{
    std::string text;
    for (const IndexedFolder& entry : folders) {
        std::string options = std::string(entry.subfolders ? "s" : "") + (entry.unpack ? "u" : "");
        text += std::to_string(entry.archive) + '\t' + (options.empty() ? "-" : options) + '\t' + entry.folder + '\n';
    }
    return text;
}

bool takesIn(const IndexedFolder& entry, int archive, const std::string& folder)
{
    if (entry.archive != archive)
        return false;
    return entry.folder == folder || (entry.subfolders && folder.starts_with(entry.folder));
}

bool addIndexedFolder(std::vector<IndexedFolder>& list, const IndexedFolder& added)
{
    for (const IndexedFolder& entry : list)
        if (takesIn(entry, added.archive, added.folder) && (entry.subfolders || !added.subfolders))
            return false;
    std::erase_if(list, [&](const IndexedFolder& entry) {
        return entry.archive == added.archive && takesIn(added, added.archive, entry.folder);
    });
    list.push_back(added);
    return true;
}

std::vector<IndexedFolder> readIndexedFolders(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parseIndexedFolders(text.str());
}

bool rememberIndexedFolder(const std::string& path, const IndexedFolder& added)
{
    // The list is replaced by rename, so the lock lives on a file of its own.
    const std::string lockPath = path + ".lock";
    int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0)
        return false;
    ::flock(lock, LOCK_EX);
    std::vector<IndexedFolder> list = readIndexedFolders(path);
    bool ok = true;
    if (addIndexedFolder(list, added)) {
        std::optional<io::AtomicFile> file = io::AtomicFile::begin(path);
        ok = file && file->append(formatIndexedFolders(list)) && file->commit();
    }
    ::close(lock);
    return ok;
}

} // namespace vedra::indexing
