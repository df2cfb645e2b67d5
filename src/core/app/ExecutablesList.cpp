// A short last record (a cut or damaged tail) is still read, but record() never
// reuses it: the new record goes after the last whole one, over the tail. Only the
// one 256-byte slot changes, so the other records keep their bytes; the list is
// replaced whole through a temporary, never patched in place.
#include "core/app/ExecutablesList.h"

#include "core/app/SystemProbe.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cstring>

namespace vedra::app {
namespace {

// Calls visit(recordIndex, pathText) for every record of the list's bytes.
template <typename Visit>
void forEachRecord(const std::string& bytes, Visit visit)
{
    for (std::size_t offset = 0; offset < bytes.size(); offset += ExecutablesList::kRecordSize) {
        std::size_t width = std::min(ExecutablesList::kRecordSize, bytes.size() - offset);
        if (!visit(offset / ExecutablesList::kRecordSize, textUntilNul(bytes.data() + offset, width)))
            return;
    }
}

} // namespace

std::string programFileName(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> ExecutablesList::read(const std::filesystem::path& list, const io::FileOpener& open)
{
    std::vector<std::string> paths;
    auto bytes = io::readFileBytes(list, static_cast<std::size_t>(-1), open);
    if (!bytes)
        return paths;
    forEachRecord(*bytes, [&](std::size_t, const std::string& path) {
        if (!path.empty())
            paths.push_back(path);
        return true;
    });
    return paths;
}

std::optional<std::string> ExecutablesList::find(const std::filesystem::path& list, const std::string& programName,
                                                const io::FileOpener& open)
{
    std::string wanted = lowerAscii(programName);
    std::optional<std::string> found;
    auto bytes = io::readFileBytes(list, static_cast<std::size_t>(-1), open);
    if (!bytes)
        return found;
    forEachRecord(*bytes, [&](std::size_t, const std::string& path) {
        if (!path.empty() && lowerAscii(programFileName(path)) == wanted) {
            found = path;
            return false;
        }
        return true;
    });
    return found;
}

bool ExecutablesList::record(const std::filesystem::path& list, const std::string& programName,
                             const std::string& programPath, const io::FileOpener& open)
{
    if (programPath.empty() || programPath.size() >= kRecordSize)
        return false;
    auto file = open(list, io::OpenMode::ReadWriteCreate);
    if (!file)
        return false;
    std::int64_t size = file->size();
    if (size < 0)
        return false;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (file->readAt(0, bytes.data(), bytes.size()) != size)
        return false;

    std::string wanted = lowerAscii(programName);
    // A list whose length is not a whole number of records gets the new record after
    // its last whole one, so a damaged tail is overwritten rather than shifted.
    std::size_t slot = static_cast<std::size_t>(size) / kRecordSize;
    forEachRecord(bytes, [&](std::size_t index, const std::string& path) {
        bool whole = (index + 1) * kRecordSize <= bytes.size();
        if (whole && (path.empty() || lowerAscii(programFileName(path)) == wanted)) {
            slot = index;
            return false;
        }
        return true;
    });
    file->close();
    // Replaced whole, never patched: a crash leaves the old list or the new one.
    std::string record(kRecordSize, '\0');
    record.replace(0, programPath.size(), programPath);
    bytes.resize(std::max(bytes.size(), (slot + 1) * kRecordSize), '\0');
    bytes.replace(slot * kRecordSize, kRecordSize, record);
    return io::writeFileAtomically(list, bytes, open);
}

} // namespace vedra::app
