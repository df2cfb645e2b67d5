// Stored labels as a user reads them: PDFs by their PDF, members of packed files
// (nested, mirrored below the temporary folder) as "file » member", and every
// label that only looks like one left as it is.
#include "core/search/ResultLabel.h"

#include "core/indexing/IndexingRun.h"
#include "core/search/FileChange.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vedra::search {
namespace {

constexpr const char* kTemporary = "/home/u/vedraprog/vedratemp/";

struct LabelCase {
    const char* label;
    const char* file;
    std::vector<std::string> members;
    bool pdfText;
    const char* readable;
};

class ResultLabelSplit : public ::testing::TestWithParam<LabelCase> {};

TEST_P(ResultLabelSplit, NamesTheFileAndTheMembers)
{
    const LabelCase& expected = GetParam();
    const LabelParts parts = SplitResultLabel(expected.label, kTemporary);
    EXPECT_EQ(parts.file, expected.file) << expected.label;
    EXPECT_EQ(parts.members, expected.members) << expected.label;
    EXPECT_EQ(parts.pdfText, expected.pdfText) << expected.label;
    EXPECT_EQ(ReadableLabel(parts), expected.readable) << expected.label;
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ResultLabelSplit,
    ::testing::Values(
        LabelCase{"/home/u/a.txt", "/home/u/a.txt", {}, false, "/home/u/a.txt"},
        LabelCase{"/home/u/Report.PDF.txt", "/home/u/Report.PDF", {}, true, "/home/u/Report.PDF"},
        LabelCase{"/home/u/a.pdf.txt.gz", "/home/u/a.pdf.txt.gz", {}, false, "/home/u/a.pdf.txt.gz"},
        LabelCase{"/home/u/x.gz_vedratemp/notes", "/home/u/x.gz", {"notes"}, false, "/home/u/x.gz » notes"},
        LabelCase{"/home/u/x.zip_vedratemp/sub/dir/a.txt", "/home/u/x.zip", {"sub/dir/a.txt"}, false,
                  "/home/u/x.zip » sub/dir/a.txt"},
        // Nested packs, and a PDF inside them: each level its own member.
        LabelCase{"/home/u/x.zip_vedratemp/in/y.tar.gz_vedratemp/b.txt", "/home/u/x.zip", {"in/y.tar.gz", "b.txt"},
                  false, "/home/u/x.zip » in/y.tar.gz » b.txt"},
        LabelCase{"/home/u/x.zip_vedratemp/r.pdf.txt", "/home/u/x.zip", {"r.pdf"}, true, "/home/u/x.zip » r.pdf"},
        LabelCase{"/home/u/x.zip_vedratemp/d.odt_vedratemp/content.xml", "/home/u/x.zip", {"d.odt", "content.xml"},
                  false, "/home/u/x.zip » d.odt » content.xml"},
        // A run that could not unpack beside the file mirrored it below vedratemp/.
        LabelCase{"/home/u/vedraprog/vedratemp/usr/share/doc/p/changelog.gz_vedratemp/changelog",
                  "/usr/share/doc/p/changelog.gz", {"changelog"}, false, "/usr/share/doc/p/changelog.gz » changelog"},
        LabelCase{"/home/u/vedraprog/vedratemp/3.pdf.txt", "/home/u/vedraprog/vedratemp/3.pdf", {}, true,
                  "/home/u/vedraprog/vedratemp/3.pdf"},
        // Names holding the marker text that are no unpack folders.
        LabelCase{"/home/u/notes_vedratemp_old/a.txt", "/home/u/notes_vedratemp_old/a.txt", {}, false,
                  "/home/u/notes_vedratemp_old/a.txt"},
        LabelCase{"/home/u/my_vedratemp/a.txt", "/home/u/my_vedratemp/a.txt", {}, false, "/home/u/my_vedratemp/a.txt"},
        LabelCase{"/home/u/_vedratemp/a.txt", "/home/u/_vedratemp/a.txt", {}, false, "/home/u/_vedratemp/a.txt"},
        LabelCase{"/home/u/.x.zip_vedratemp/a.txt", "/home/u/.x.zip_vedratemp/a.txt", {}, false,
                  "/home/u/.x.zip_vedratemp/a.txt"},
        LabelCase{"/home/u/x.zip_vedratemp/odd_vedratemp/a_vedratemp.txt", "/home/u/x.zip",
                  {"odd_vedratemp/a_vedratemp.txt"}, false, "/home/u/x.zip » odd_vedratemp/a_vedratemp.txt"},
        LabelCase{"/home/u/vedraprog/download_vedratemp/page.htm", "/home/u/vedraprog/download_vedratemp/page.htm", {},
                  false, "/home/u/vedraprog/download_vedratemp/page.htm"},
        LabelCase{"/home/u/vedraprog/download_vedratemp/a.zip_vedratemp/m.txt",
                  "/home/u/vedraprog/download_vedratemp/a.zip", {"m.txt"}, false,
                  "/home/u/vedraprog/download_vedratemp/a.zip » m.txt"},
        // An unpack folder's own row is its packed file.
        LabelCase{"/home/u/x.zip_vedratemp/", "/home/u/x.zip", {}, false, "/home/u/x.zip"},
        // Web addresses and message rows are no disk paths.
        LabelCase{"www.example.org/x.zip_vedratemp/a.pdf.txt", "www.example.org/x.zip_vedratemp/a.pdf.txt", {}, false,
                  "www.example.org/x.zip_vedratemp/a.pdf.txt"},
        LabelCase{"http://example.org/r.pdf.txt", "http://example.org/r.pdf.txt", {}, false,
                  "http://example.org/r.pdf.txt"},
        LabelCase{"ERRORE in DECOMPATTAZIONE /home/u/x.zip", "ERRORE in DECOMPATTAZIONE /home/u/x.zip", {}, false,
                  "ERRORE in DECOMPATTAZIONE /home/u/x.zip"},
        LabelCase{"", "", {}, false, ""}));

TEST(ResultLabel, AMirroredLabelNeedsItsTemporaryFolderAndAnUnpackFolderBelowIt)
{
    const std::string mirrored = "/home/u/vedraprog/vedratemp/data/x.gz_vedratemp/x";
    EXPECT_EQ(SplitResultLabel(mirrored).file, "/home/u/vedraprog/vedratemp/data/x.gz");
    EXPECT_EQ(SplitResultLabel(mirrored, kTemporary).file, "/data/x.gz");
    EXPECT_EQ(SplitResultLabel(mirrored, "/home/u/vedraprog/vedratemp").file, "/home/u/vedraprog/vedratemp/data/x.gz")
        << "a folder without its trailing '/' is no prefix of a path";
}

TEST(ResultLabel, ACp1252NameAndTheSeparatorAreBothShownAsUtf8)
{
    const LabelParts parts = SplitResultLabel("/home/u/citt\xe0.zip_vedratemp/perch\xe9.txt");
    EXPECT_EQ(ReadableLabel(parts), "/home/u/citt\xc3\xa0.zip \xc2\xbb perch\xc3\xa9.txt");
    EXPECT_EQ(ReadableMember(parts), "perch\xc3\xa9.txt");
    EXPECT_EQ(ReadableMember(SplitResultLabel("/home/u/a.txt")), "");
}

TEST(ResultLabel, AReadableLabelNamesTheMemberAgain)
{
    EXPECT_EQ(LabelFromReadable("/home/u/x.zip » in/y.tar.gz » b.txt"),
              "/home/u/x.zip_vedratemp/in/y.tar.gz_vedratemp/b.txt");
    EXPECT_EQ(LabelFromReadable("/home/u/a.txt"), "/home/u/a.txt");
    const std::string label = "/home/u/x.zip_vedratemp/r.pdf";
    EXPECT_EQ(LabelFromReadable(ReadableLabel(SplitResultLabel(label))), label);
}

std::uint64_t fileTimeOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return indexing::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
}

TEST(ResultLabelChange, APdfTextIsJudgedByItsPdfAndAMemberByItsPackedFile)
{
    testing::TempFolder folder;
    const std::string pdf = folder.slash() + "r.pdf";
    testing::writeFile(pdf, "%PDF-1.4 not read here");
    // The text's record: the PDF's time, the text's size.
    const RecordedFile text{.size = 7, .lastWrite = fileTimeOf(pdf)};
    EXPECT_FALSE(CheckLabelChange(pdf + ".txt", text, {}).stale()) << "no text file on disk, and that is right";
    testing::writeFile(pdf + ".txt", "a text the preview wrote later, of another size");
    EXPECT_FALSE(CheckLabelChange(pdf + ".txt", text, {}).stale());
    testing::setModifiedTime(pdf, std::time(nullptr) + 60);
    EXPECT_EQ(FileChangeCode(CheckLabelChange(pdf + ".txt", text, {})), "time");
    std::filesystem::remove(pdf);
    EXPECT_EQ(FileChangeCode(CheckLabelChange(pdf + ".txt", text, {})), "gone");

    const std::string packed = folder.slash() + "p.zip";
    testing::writeFile(packed, "PK");
    const RecordedFile member{.size = 3, .lastWrite = 1};
    const std::string temporary = folder.slash() + "vedratemp/";
    EXPECT_FALSE(CheckLabelChange(packed + "_vedratemp/m.txt", member, temporary).stale());
    EXPECT_FALSE(CheckLabelChange(temporary + packed.substr(1) + "_vedratemp/m.txt", member, temporary).stale());
    std::filesystem::remove(packed);
    EXPECT_EQ(FileChangeCode(CheckLabelChange(packed + "_vedratemp/m.txt", member, temporary)), "gone");

    // Any other file as it is.
    EXPECT_EQ(FileChangeCode(CheckLabelChange(folder.slash() + "x.txt", member, temporary)), "gone");
}

// A user's own "X.pdf.txt" has the label of a PDF's text; right after the run
// that read it, its row was flagged gone for want of an "X.pdf".
TEST(ResultLabelChange, AFileOfItsOwnNamedLikeAPdfTextIsJudgedByItself)
{
    testing::TempFolder folder;
    const std::string own = folder.slash() + "notes.pdf.txt";
    testing::writeFile(own, "read as text");
    testing::setModifiedTime(own, 1'700'000'000);
    const RecordedFile record{.size = 12, .lastWrite = fileTimeOf(own)};
    EXPECT_FALSE(CheckLabelChange(own, record, {}).stale()) << FileChangeCode(CheckLabelChange(own, record, {}));

    testing::writeFile(own, "read as text, then longer");
    testing::setModifiedTime(own, 1'700'000'000);
    EXPECT_TRUE(CheckLabelChange(own, record, {}).stale()) << "same time, other size";
    testing::writeFile(own, "read as text");
    testing::setModifiedTime(own, 1'700'000'060);
    EXPECT_TRUE(CheckLabelChange(own, record, {}).stale()) << "same size, other time";
    std::filesystem::remove(own);
    EXPECT_EQ(FileChangeCode(CheckLabelChange(own, record, {})), "gone");

    // A PDF beside it whose text shares the record, which the file wrote last.
    const std::string pdf = folder.slash() + "r.pdf";
    testing::writeFile(pdf, "%PDF-1.4 not read here");
    testing::setModifiedTime(pdf, 1'600'000'000);
    testing::writeFile(pdf + ".txt", "the user's notes");
    testing::setModifiedTime(pdf + ".txt", 1'700'000'000);
    const RecordedFile shared{.size = 16, .lastWrite = fileTimeOf(pdf + ".txt")};
    EXPECT_FALSE(CheckLabelChange(pdf + ".txt", shared, {}).stale());
    // Neither as recorded: the PDF says why.
    testing::setModifiedTime(pdf + ".txt", 1'700'000'060);
    EXPECT_EQ(FileChangeCode(CheckLabelChange(pdf + ".txt", shared, {})), "time");
}

} // namespace
} // namespace vedra::search
