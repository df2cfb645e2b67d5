// The two outside programs of text extraction: pdftotext for PDF files and 7z for
// OpenDocument, Office Open XML and compressed files. The command lines are built
// as the program always showed them, for display; the programs themselves are run
// with argument vectors (ProcessRunner), never through a shell.
#pragma once

#include "core/app/ProcessRunner.h"

#include <string>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

// The program path between the first pair of double quotes of a tool command
// (PdfToTextCommand is "path", SevenZipCommand is "path" x "); empty when the text
// holds no such pair or the quotes are empty.
std::string ProgramPathFromCommand(const std::string& quotedCommand);

// The converter's command line as shown: PdfToTextCommand, " -eol dos " while
// indexing (a single blank for the preview), the PDF path and the output path, each
// between double quotes.
std::string PdfToTextCommandLine(const app::Workspace& workspace, const std::string& pdfPath,
                                 const std::string& outPath, bool forIndexing);

// The limits of an outside program working on a file of `fileSize` bytes: the
// workspace's time plus its time per whole MB, and its memory.
app::ProgramLimits OutsideProgramLimits(const app::Workspace& workspace, std::uint64_t fileSize);

// The argument vector ConvertPdf runs; empty when the converter is missing or not
// executable.
std::vector<std::string> PdfToTextArguments(const app::Workspace& workspace, const std::string& pdfPath,
                                            const std::string& outPath, bool forIndexing);

// Converts `pdfPath` into the text file `outPath` with the workspace's pdftotext,
// with DOS line ends while indexing. started is false when the converter is
// missing or not executable. The exit status is reported, not judged: callers
// check the output file. Waits with messages pumped; Break ends the converter, and
// so does its limit (OutsideProgramLimits of the PDF's size: stoppedByLimit).
app::ProcessOutcome ConvertPdf(app::Workspace& workspace, const std::string& pdfPath, const std::string& outPath,
                               bool forIndexing);

// The unpacker's command line as shown: SevenZipCommand (which ends in an opening
// quote), the file path, then "\" -o\"", the output folder and "\" -r-y-pno".
std::string SevenZipCommandLine(const app::Workspace& workspace, const std::string& filePath,
                                const std::string& outFolder);

// Extracts every member of `filePath` under `outFolder` (7z creates the folder),
// overwriting without asking and never asking for a password. started is false when
// 7z is missing or not executable. Waits with messages pumped; Break ends 7z, and
// so does its limit (OutsideProgramLimits of the file's size: stoppedByLimit).
app::ProcessOutcome UnpackWith7z(app::Workspace& workspace, const std::string& filePath,
                                 const std::string& outFolder);

// The folder a file is unpacked into while indexing: the file path with
// "_vedratemp/" appended. The drive letter the older form put first has no
// counterpart on Linux: the folder sits next to the file.
std::string UnpackFolderFor(const std::string& filePath);

// The unpack folder of `filePath` (an absolute path) below `temporaryFolder`, for
// a file whose own folder cannot take it: `temporaryFolder` + the file path +
// "_vedratemp/", so "/usr/share/doc/x/changelog.gz" unpacks into
// "<temporaryFolder>/usr/share/doc/x/changelog.gz_vedratemp/".
std::string MirroredUnpackFolderFor(const std::string& temporaryFolder, const std::string& filePath);

} // namespace vedra::indexing
