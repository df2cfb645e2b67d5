// What a result row's stored label names for a user. The archive keeps a PDF's
// text under "X.pdf.txt" and a packed file's members under the unpack folders the
// indexing run made and removed ("x.zip_vedratemp/a.txt", or the same path below
// the working folder's "vedratemp/" when the file's own folder could not take
// it). Neither is a file the user can open; the front ends show the PDF, or the
// packed file and the member inside it. Display only: the label stays the key of
// lookups, opening and the extract file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vedra::search {

// Between a packed file and its member in a readable label (UTF-8 "»").
inline constexpr std::string_view kMemberSeparator = " \xC2\xBB ";

struct LabelParts {
    // The file on disk: the label itself, the PDF of a converted text, or the
    // outermost packed file. A web address or any other text stays as it is.
    std::string file;
    // The member inside each packed file, outermost first ("sub/inner.tar.gz",
    // then "doc.txt"); empty when the label names a file of its own.
    std::vector<std::string> members;
    // The label named a PDF's converted text: the last part had ".txt" cut.
    bool pdfText = false;

    bool isMember() const { return !members.empty(); }
};

// Splits a stored label. `temporaryFolder` is the working folder's "vedratemp/"
// (with its trailing '/'), under which a run mirrors the unpack folders of files
// it could not unpack beside themselves; empty when not known. An unpack folder is
// a "_vedratemp/" whose name before it is a file name with an extension, as only
// such files are unpacked: "notes_vedratemp/", "/_vedratemp/" and the working
// folder's "download_vedratemp/" are folders like any other. Labels that are not
// absolute paths (web addresses, messages) come back whole.
LabelParts SplitResultLabel(std::string_view label, std::string_view temporaryFolder = {});

// The parts as a user reads them: "/d/x.zip » inner.tar.gz » doc.txt", each part
// shown as UTF-8 (app::displayUtf8) so that a cp1252 name and the UTF-8 separator
// do not spoil each other.
std::string ReadableLabel(const LabelParts& parts);

// The members joined by kMemberSeparator, shown as UTF-8; empty for a plain file.
std::string ReadableMember(const LabelParts& parts);

// The stored label that a readable "file » member » ..." names (the unpack folders
// beside the file), or the text itself when it holds no separator.
std::string LabelFromReadable(std::string_view readable);

} // namespace vedra::search
