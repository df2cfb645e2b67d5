// "Eseguibili.Vedra": the programs the user has run or the program has located.
// A sequence of 256-byte records, each the full path of one program, NUL-padded;
// a record whose first byte is NUL is free.
//
// Paths keep their case (Linux file names are case-sensitive); the search
// compares lower-cased copies.
#pragma once

#include "core/io/FileHandle.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vedra::app {

inline constexpr const char* kExecutablesListName = "Eseguibili.Vedra";

class ExecutablesList {
public:
    static constexpr std::size_t kRecordSize = 256;

    // The paths of the used records, in file order. Empty when unreadable.
    static std::vector<std::string> read(const std::filesystem::path& list,
                                         const io::FileOpener& open = &io::FileHandle::open);

    // The recorded path whose file name is `programName` (compared lower-cased).
    static std::optional<std::string> find(const std::filesystem::path& list, const std::string& programName,
                                           const io::FileOpener& open = &io::FileHandle::open);

    // Writes `programPath` over the first record that is free or already names the
    // program, else at the end. False when the path does not fit a record or the
    // write fails.
    static bool record(const std::filesystem::path& list, const std::string& programName,
                       const std::string& programPath, const io::FileOpener& open = &io::FileHandle::open);
};

// The file-name part of a path.
std::string programFileName(const std::string& path);

} // namespace vedra::app
