// Decoding forgives hand edits: leading control characters are dropped, a lone
// '.' is no extension, and a line ends at its first CR or LF. Creation never
// replaces a file that exists, so two windows never both write the defaults; an
// append only adds a record at the end and keeps the bytes of the ones before it,
// the file being replaced whole through a temporary so a crash never cuts a record.
#include "core/app/ProgramAssociations.h"

#include "core/app/SystemProbe.h"
#include "core/io/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vedra::app {

std::vector<ProgramAssociation> defaultProgramAssociations()
{
    return {{"7z", {}}, {"pdftotext", {}}, {"xdg-open", {}}};
}

std::string encodeProgramAssociation(const ProgramAssociation& association)
{
    std::string text = association.program + "=";
    for (const auto& extension : association.extensions)
        text += extension;
    text += "\r\n";
    if (text.size() > kProgramAssociationRecordSize)
        return {};
    text.resize(kProgramAssociationRecordSize, '\0');
    return text;
}

std::vector<ProgramAssociation> decodeProgramAssociations(const std::string& bytes)
{
    std::vector<ProgramAssociation> associations;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kProgramAssociationRecordSize) {
        std::size_t width = std::min(kProgramAssociationRecordSize, bytes.size() - offset);
        std::string text = textUntilNul(bytes.data() + offset, width);
        std::size_t lineEnd = text.find_first_of("\r\n");
        if (lineEnd != std::string::npos)
            text.resize(lineEnd);
        // Leading control characters are left over from hand edits.
        std::size_t start = 0;
        while (start < text.size() && static_cast<unsigned char>(text[start]) < ' ')
            ++start;
        text.erase(0, start);
        if (text.empty())
            continue;
        ProgramAssociation association;
        std::size_t equals = text.find('=');
        association.program = text.substr(0, equals);
        if (equals != std::string::npos) {
            std::string rest = text.substr(equals + 1);
            std::size_t at = 0;
            while ((at = rest.find('.', at)) != std::string::npos) {
                std::size_t end = rest.find_first_of(".,", at + 1);
                std::string extension = rest.substr(at, end == std::string::npos ? std::string::npos : end - at);
                if (extension.size() > 1)
                    association.extensions.push_back(extension);
                if (end == std::string::npos)
                    break;
                at = end;
            }
        }
        associations.push_back(std::move(association));
    }
    return associations;
}

bool createDefaultProgramAssociations(const std::filesystem::path& file)
{
    std::error_code error;
    if (std::filesystem::exists(file, error))
        return true;
    std::string bytes;
    for (const auto& association : defaultProgramAssociations())
        bytes += encodeProgramAssociation(association);
    // Written whole under a name of this process, then linked in: link() refuses a
    // name that exists, so two windows creating it at once never both write the
    // defaults, and a crash never leaves the file empty or cut.
    std::filesystem::path temporary = file;
    temporary += "." + std::to_string(::getpid()) + ".tmp~";
    ::unlink(temporary.c_str());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    bool written = false;
    if (auto handle = io::FileHandle::open(temporary, io::OpenMode::ReadWrite))
        written = handle->writeAt(0, bytes) && ::fsync(handle->descriptor()) == 0;
    bool linked = written && ::link(temporary.c_str(), file.c_str()) == 0;
    int linkError = errno;
    ::unlink(temporary.c_str());
    return linked || (written && linkError == EEXIST);
}

std::optional<std::string> programForExtension(const std::vector<ProgramAssociation>& associations,
                                               const std::string& extension)
{
    if (extension.size() < 2)
        return std::nullopt;
    std::string wanted = lowerAscii(extension);
    for (const auto& association : associations)
        for (const auto& entry : association.extensions)
            if (wanted.compare(0, entry.size(), lowerAscii(entry)) == 0)
                return association.program;
    return std::nullopt;
}

bool appendProgramAssociation(const std::filesystem::path& file, const std::string& programName)
{
    std::string key = programName + "=";
    if (key.size() >= kProgramAssociationRecordSize)
        return false;
    auto handle = io::FileHandle::open(file, io::OpenMode::ReadWriteCreate);
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
    handle->close();
    std::string record = key;
    record.resize(kProgramAssociationRecordSize, '\0');
    return io::writeFileAtomically(file, bytes + record);
}

} // namespace vedra::app
