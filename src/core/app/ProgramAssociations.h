// The archive's program associations ("EXE." + number): 512-byte NUL-padded
// records, each beginning with a program's file name and '='.
#pragma once

#include <filesystem>
#include <string>

namespace vedra::app {

inline constexpr std::size_t kProgramAssociationRecordSize = 512;

// Appends a record holding "programName=" unless that text already occurs in the
// file (created when missing). False when the file cannot be opened or written.
bool appendProgramAssociation(const std::filesystem::path& file, const std::string& programName);

} // namespace vedra::app
