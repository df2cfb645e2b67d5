// Which file holds the text the preview shows for a result: the window's preview,
// its extracts and the command line's `show` and `search --extracts` all ask here,
// so a document reads the same everywhere. Documents that are not text go through
// their converters; members of packed files are unpacked again, since the run that
// indexed them removed its unpack folders.
#pragma once

#include <string>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

enum class PreviewTextProblem {
    None,
    Missing,       // the file (or the PDF of a ".pdf.txt" label) is not on disk
    NotConverted,  // pdftotext is missing or gave no text
    NotUnpacked,   // 7z is missing or failed, or the unpack folder could not be made
    PackedFileGone,  // the packed file of a member is no longer on disk
    MemberMissing,   // the packed file no longer holds the member
};

struct PreviewTextSource {
    std::string path;  // the file to read; empty when there is a problem
    PreviewTextProblem problem = PreviewTextProblem::None;
    std::string subject;  // what the problem is about: the PDF, the packed file, the member's path
    // The text was recognised from the document's pictures (OCR): path is the
    // text kept for its content in the working folder's "vedraocr/".
    bool recognised = false;

    bool found() const { return problem == PreviewTextProblem::None; }
};

// The file to read for `label`, a disk path or a result row's stored label (see
// SplitResultLabel); anything not an absolute path comes back as it is.
// - A PDF (or its ".pdf.txt" label): "X.pdf.txt" beside it when that exists or its
//   folder is writable, else the same path below the working folder's
//   "vedratemp/"; pdftotext runs when the text is missing (or, below
//   "vedratemp/", older than the PDF).
// - An OpenDocument or Word document: its "content.xml" or "word/document.xml",
//   unpacked by 7z below "vedratemp/" at the document's own path.
// - A member of a packed file: the packed file unpacked below "vedratemp/" at its
//   own path (nested packs beside their unpacked selves there), then the member
//   read by these same rules. An unpack made before is used again while it is no
//   older than its packed file and holds the member.
// - An attachment of a mail (".eml", ".mbox"): decoded from the mail into the
//   mail's unpack folder below "vedratemp/", then read by these same rules.
// - Mail (".eml", ".mbox", a mailbox of no extension): its decoded text, written
//   below "vedratemp/" at the mail's own path with ".mail.txt" added, made again
//   when the mail is newer; the mail itself when that cannot be written.
// - A picture, or a scanned PDF, whose recognised text is kept (OcrReader.h):
//   that text, with recognised set. A picture's text document ("X.png.txt")
//   names the picture.
// - Anything else: the file itself.
// Nothing is written outside "vedratemp/" but the PDF text beside a PDF. Shows no
// message; the title shows the extracting text while 7z runs.
PreviewTextSource FindPreviewText(app::Workspace& workspace, const std::string& label);

} // namespace vedra::search
