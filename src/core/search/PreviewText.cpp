// Converted copies are made once and kept: a click on a row must not rerun
// pdftotext or 7z every time. Copies below our own temporary folder are ours, so
// they are remade when the document is newer; a text beside a PDF may be the
// user's and is taken as it is.
#include "core/search/PreviewText.h"

#include "core/app/Workspace.h"
#include "core/indexing/ContentHash.h"
#include "core/indexing/MailText.h"
#include "core/indexing/OcrReader.h"
#include "core/indexing/OutsideTools.h"
#include "core/indexing/PackedReadingOrder.h"
#include "core/indexing/UnpackFolder.h"
#include "core/search/ResultLabel.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vedra::search {
namespace {

namespace fs = std::filesystem;

bool endsWithNoCase(std::string_view text, std::string_view tail)
{
    if (text.size() < tail.size())
        return false;
    text = text.substr(text.size() - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != tail[i])
            return false;
    return true;
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

// True when `copy` was written at or after `source`'s last change.
bool notOlderThan(const std::string& copy, const std::string& source)
{
    struct stat made {};
    struct stat from {};
    if (::stat(copy.c_str(), &made) != 0 || ::stat(source.c_str(), &from) != 0)
        return false;
    if (made.st_mtim.tv_sec != from.st_mtim.tv_sec)
        return made.st_mtim.tv_sec > from.st_mtim.tv_sec;
    return made.st_mtim.tv_nsec >= from.st_mtim.tv_nsec;
}

PreviewTextSource problem(PreviewTextProblem kind, std::string subject)
{
    return {.path = {}, .problem = kind, .subject = std::move(subject)};
}

class PreviewTexts {
public:
    explicit PreviewTexts(app::Workspace& workspace)
        : m_workspace(workspace), m_temporary(workspace.WorkingFolder + "vedratemp/")
    {
    }

    PreviewTextSource of(const std::string& label)
    {
        if (label.empty() || label.front() != '/')
            return {.path = label};
        const LabelParts parts = SplitResultLabel(label, m_temporary);
        if (!parts.isMember())
            return documentText(parts.file);
        std::string current = parts.file;
        if (!isFile(current)) {
            // A run under way, or stopped, may still hold the member beside it.
            if (isFile(label))
                return {.path = label};
            return problem(PreviewTextProblem::PackedFileGone, current);
        }
        for (const std::string& member : parts.members) {
            const std::string folder = unpackFolderFor(current);
            if (!unpack(current, folder, member))
                return problem(PreviewTextProblem::NotUnpacked, current);
            current = folder + member;
            if (!exists(current))
                return problem(PreviewTextProblem::MemberMissing, current);
        }
        return documentText(current);
    }

private:
    bool isOurs(const std::string& path) const { return path.starts_with(m_temporary); }

    // Never in the user's folders: below our temporary folder at the file's own
    // path, or beside a file that already lies there (a member unpacked before).
    std::string unpackFolderFor(const std::string& file) const
    {
        return isOurs(file) ? indexing::UnpackFolderFor(file) : indexing::MirroredUnpackFolderFor(m_temporary, file);
    }

    bool makeFoldersAbove(const std::string& path) const
    {
        std::error_code error;
        fs::create_directories(fs::path(path).parent_path(), error);
        return !error;
    }

    // 7z into `folder` (made afresh with the program's mark) unless an unpack of
    // `file` no older than it already holds `member`.
    bool unpack(const std::string& file, const std::string& folder, const std::string& member)
    {
        const std::string mark = folder + std::string(indexing::kUnpackMarkName);
        if (indexing::IsOwnUnpackFolder(folder) && notOlderThan(mark, file) && exists(folder + member))
            return true;
        const std::string trimmed = folder.substr(0, folder.size() - 1);
        if (!makeFoldersAbove(trimmed) || indexing::PrepareUnpackFolder(folder) != indexing::UnpackFolderState::Ready) {
            indexing::RemoveEmptyFoldersUpTo(folder, m_temporary);
            return false;
        }
        std::string name = file.substr(file.rfind('/') + 1);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // A mail's attachment is decoded from the mail, by the name the run gave it.
        if (indexing::IsMailName(name)) {
            const auto attachments =
                indexing::ReadMailAttachments(file, [&](std::string_view attachment) { return attachment == member; });
            return indexing::WriteMailAttachments(attachments, folder, file);
        }
        m_workspace.host().setTitle(std::string(m_workspace.messages().text(app::MessageKey::MsgExtracting)));
        const app::ProcessOutcome outcome = indexing::UnpackWith7z(m_workspace, file, folder);
        m_workspace.host().setTitle(m_workspace.windowTitle());
        if (!outcome.started) {
            indexing::RemoveOwnUnpackFolder(folder);
            indexing::RemoveEmptyFoldersUpTo(folder, m_temporary);
            return false;
        }
        // The text in order that the run wrote of a book, workbook or presentation.
        if (!exists(folder + member))
            indexing::WritePackedTextMember(name, folder);
        return true;
    }

    PreviewTextSource pdfText(const std::string& pdf)
    {
        std::string text = pdf + ".txt";
        if (isFile(text) && (!isOurs(text) || notOlderThan(text, pdf)))
            return {.path = text};
        if (!isFile(pdf))
            return problem(PreviewTextProblem::Missing, pdf);
        // A folder the user cannot write keeps its PDF as it is: the text goes to
        // our temporary folder, at the PDF's own path so that two PDFs of one name
        // never share a text.
        const std::string folder = pdf.substr(0, pdf.rfind('/') + 1);
        if (!isOurs(pdf) && ::access(folder.c_str(), W_OK) != 0) {
            text = m_temporary + pdf.substr(1) + ".txt";
            if (isFile(text) && notOlderThan(text, pdf))
                return {.path = text};
            if (!makeFoldersAbove(text))
                return problem(PreviewTextProblem::NotConverted, pdf);
        }
        indexing::ConvertPdf(m_workspace, pdf, text, false);
        if (isFile(text))
            return {.path = text};
        return problem(PreviewTextProblem::NotConverted, pdf);
    }

    // Mail as the run read it, decoded, so that the hits are marked in the words
    // that were indexed and not in base64 or quoted-printable runs.
    PreviewTextSource mailText(const std::string& mail)
    {
        const std::string text = (isOurs(mail) ? mail : m_temporary + mail.substr(1)) + ".mail.txt";
        if (isFile(text) && notOlderThan(text, mail))
            return {.path = text};
        if (!makeFoldersAbove(text))
            return {.path = mail};
        const std::string decoded = indexing::ReadMailFile(mail);
        std::ofstream out(text, std::ios::binary | std::ios::trunc);
        out.write(decoded.data(), static_cast<std::streamsize>(decoded.size()));
        out.close();
        if (!out) {
            std::error_code error;
            fs::remove(text, error);
            return {.path = mail};
        }
        return {.path = text};
    }

    // The text recognition kept for the file's content, if any. Hashing costs a
    // read of the file: only when texts are kept at all.
    std::optional<PreviewTextSource> recognisedText(const std::string& path)
    {
        if (!exists(indexing::OcrCacheFolder(m_workspace)) || !isFile(path))
            return std::nullopt;
        auto hash = indexing::FileSha256Hex(path);
        if (!hash)
            return std::nullopt;
        std::string kept = indexing::OcrCachePath(m_workspace, *hash);
        if (!isFile(kept))
            return std::nullopt;
        return PreviewTextSource{.path = kept, .recognised = true};
    }

    PreviewTextSource documentText(const std::string& path)
    {
        const std::string lower = app::lowerAscii(path);
        if (endsWithNoCase(path, ".txt") && indexing::IsOcrPicture(lower.substr(0, lower.size() - 4)) &&
            !isFile(path)) {
            const std::string picture = path.substr(0, path.size() - 4);
            if (!isFile(picture))
                return problem(PreviewTextProblem::Missing, picture);
            if (auto text = recognisedText(picture))
                return *text;
            return {.path = picture};
        }
        if (indexing::IsOcrPicture(lower) || endsWithNoCase(path, ".pdf"))
            if (auto text = recognisedText(path))
                return *text;
        if (endsWithNoCase(path, ".pdf"))
            return pdfText(path);
        if (isFile(path)) {
            const std::string name = path.substr(path.rfind('/') + 1);
            std::string lowerName = name;
            for (char& c : lowerName)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (indexing::IsMailFile(lowerName, path))
                return mailText(path);
        }
        const bool odt = endsWithNoCase(path, ".odt");
        if (odt || endsWithNoCase(path, ".docx")) {
            if (!isFile(path))
                return problem(PreviewTextProblem::Missing, path);
            const std::string folder = unpackFolderFor(path);
            const std::string member = odt ? "content.xml" : "word/document.xml";
            if (!unpack(path, folder, member))
                return problem(PreviewTextProblem::NotUnpacked, path);
            if (isFile(folder + member))
                return {.path = folder + member};
            // 7z ran but left no text member: a damaged or foreign file.
            return problem(PreviewTextProblem::NotUnpacked, path);
        }
        return {.path = path};
    }

    app::Workspace& m_workspace;
    const std::string m_temporary;
};

} // namespace

PreviewTextSource FindPreviewText(app::Workspace& workspace, const std::string& label)
{
    return PreviewTexts(workspace).of(label);
}

} // namespace vedra::search
