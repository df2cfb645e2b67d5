#include "core/app/ProgramAssociations.h"

#include "core/app/FileHandle.h"

namespace vedra::app {

bool appendProgramAssociation(const std::filesystem::path& file, const std::string& programName)
{
    std::string key = programName + "=";
    if (key.size() >= kProgramAssociationRecordSize)
        return false;
    auto handle = FileHandle::open(file, OpenMode::ReadWriteCreate);
    if (!handle)
        return false;
    std::int64_t size = handle->size();
    if (size < 0)
        return false;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (handle->readAt(0, bytes.data(), bytes.size()) != size)
        return false;
    // Matched at a record start only, so "7z=" is not found inside "p7z=".
    for (std::size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1))
        if (at == 0 || bytes[at - 1] == '\0' || bytes[at - 1] == '\n')
            return true;
    std::string record = key;
    record.resize(kProgramAssociationRecordSize, '\0');
    return handle->writeAt(static_cast<std::uint64_t>(size), record);
}

} // namespace vedra::app
