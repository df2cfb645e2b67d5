// The archive's program associations ("EXE." + number): which program opens which
// file extension.
//
//   record (512 bytes, repeated to the end of the file):
//     0    text   program name, '=', then extensions each led by '.' (".ht.asp"),
//                 a ',' also ends an extension; the text ends at CR LF or NUL
//     ...  NUL    padding up to 512
//
// A short last record is read up to the end of the file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vedra::app {

inline constexpr std::size_t kProgramAssociationRecordSize = 512;

// One record as read: the program and its extensions (each with its '.', as written).
struct ProgramAssociation {
    std::string program;
    std::vector<std::string> extensions;
};

// The records a new file receives on Linux, in this order: "7z=", "pdftotext=",
// "xdg-open=".
std::vector<ProgramAssociation> defaultProgramAssociations();

// The 512-byte record of one association: "program=.ext.ext" CR LF, NUL-padded.
// Empty when the text does not fit a record.
std::string encodeProgramAssociation(const ProgramAssociation& association);

// The records of a file's bytes; a record without '=' gives its text as the
// program with no extensions. Records with no text are skipped.
std::vector<ProgramAssociation> decodeProgramAssociations(const std::string& bytes);

// Creates `file` with the default records, unless it exists already. False when it
// could not be created or written (nothing is then left behind).
bool createDefaultProgramAssociations(const std::filesystem::path& file);

// The program of the first record with an extension entry that the file's extension
// begins with (".ht" takes ".htm" and ".html"), compared without regard to case.
// `extension` is given with its '.'; empty optional when no record matches or the
// extension is empty.
std::optional<std::string> programForExtension(const std::vector<ProgramAssociation>& associations,
                                               const std::string& extension);

// Appends a record holding "programName=" unless that text already occurs in the
// file (created when missing). False when the file cannot be opened or written.
bool appendProgramAssociation(const std::filesystem::path& file, const std::string& programName);

} // namespace vedra::app
