// A double click on a result row: documents, web results, folders and masks, the
// members of packed files, and rows that open nothing.
#include "core/search/RowOpening.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

using Action = RowOpenAction;
using Reason = RowOpenReason;

RowOpening openOnly(const std::string& label, char pathKind = 'f')
{
    ResultRow row;
    row.columns[0] = label;
    row.pathKind = pathKind;
    ResultList results;
    results.append(row);
    return DecideRowOpening(results, 0);
}

struct RowCase {
    const char* label;
    char pathKind;
    Action action;
    Reason reason;
    const char* target;
};

class RowOpeningByLabel : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowOpeningByLabel, OpensWhatTheLabelNames)
{
    const RowCase& row = GetParam();
    const RowOpening opened = openOnly(row.label, row.pathKind);
    EXPECT_EQ(opened.action, row.action) << row.label;
    EXPECT_EQ(opened.reason, row.reason) << row.label;
    EXPECT_EQ(opened.target, row.target) << row.label;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RowOpeningByLabel,
    ::testing::Values(
        RowCase{"", 'f', Action::None, Reason::EmptyPath, ""},
        RowCase{"/home/u/a.txt", 'f', Action::OpenFile, Reason::Document, "/home/u/a.txt"},
        RowCase{"ERRORE in DECOMPATTAZIONE /home/u/a.zip", 'f', Action::OpenFile, Reason::Document, "/home/u/a.zip"},
        RowCase{"/home/u/docs/", 'f', Action::ListFolder, Reason::Folder, "/home/u/docs/"},
        RowCase{"/home/u/docs/*", 'f', Action::ListFolder, Reason::Folder, "/home/u/docs/"},
        // Inside an unpack folder: the outermost packed file, the only one left on disk.
        RowCase{"/home/u/a.zip_vedratemp/b.tar_vedratemp/c/*", 'f', Action::PreviewPlain, Reason::UnpackedFolder,
                "/home/u/a.zip"},
        // Names that only look like unpack folders.
        RowCase{"/home/u/notes_vedratemp_old/", 'f', Action::ListFolder, Reason::Folder,
                "/home/u/notes_vedratemp_old/"},
        RowCase{"/home/u/download_vedratemp/", 'f', Action::ListFolder, Reason::Folder, "/home/u/download_vedratemp/"},
        RowCase{"/home/u/my_vedratemp/gone.txt", 'f', Action::OpenFile, Reason::Document,
                "/home/u/my_vedratemp/gone.txt"},
        RowCase{"/home/u/download_vedratemp/a.zip_vedratemp/s/", 'f', Action::PreviewPlain, Reason::UnpackedFolder,
                "/home/u/download_vedratemp/a.zip"},
        // Addresses go to the browser even when they end like a folder.
        RowCase{"http://example.org/dir/", 'w', Action::OpenWebAddress, Reason::WebAddress, "http://example.org/dir/"},
        RowCase{"www.example.org/", 'f', Action::OpenWebAddress, Reason::WebAddress, "www.example.org/"},
        RowCase{"/home/u/download_vedratemp/www.example.org%2Fpage%3Fid%3D2", 'f', Action::OpenWebAddress,
                Reason::WebAddress, "www.example.org/page?id=2"}));

TEST(RowOpening, AMemberOpensItselfWhileOnDiskAndItsPackedFileOnceItsFolderIsGone)
{
    testing::TempFolder folder;
    const std::string packed = folder.slash() + "a.zip";
    const std::string member = packed + "_vedratemp/inner/readme.txt";
    RowOpening gone = openOnly(member);
    EXPECT_EQ(gone.action, Action::OpenFile);
    EXPECT_EQ(gone.reason, Reason::UnpackedMember);
    EXPECT_EQ(gone.target, packed);

    testing::writeFile(member, "still unpacked");
    EXPECT_EQ(openOnly(member).target, member);
    EXPECT_EQ(DecideRowOpening(ResultList{}, 0).reason, Reason::NoSuchRow);
}

TEST(RowOpening, AMemberUnpackedBelowTheTemporaryFolderOpensThePackedFileAtItsOwnPath)
{
    testing::TempFolder folder;
    const std::string temporary = folder.slash() + "vedratemp/";
    ResultRow row;
    row.columns[0] = temporary + "usr/share/doc/p/changelog.gz_vedratemp/changelog";
    ResultList results;
    results.append(row);
    const RowOpening opened = DecideRowOpening(results, 0, temporary);
    EXPECT_EQ(opened.reason, Reason::UnpackedMember);
    EXPECT_EQ(opened.target, "/usr/share/doc/p/changelog.gz");
}

// A row whose file went since the search: the window says so instead of handing
// a missing path to a program; web results are never looked for on the disk.
TEST(RowOpening, RowsWhoseFileIsGoneAreReportedAndWebRowsAreLeftAlone)
{
    testing::TempFolder folder;
    const std::string present = folder.slash() + "here.txt";
    testing::writeFile(present, "x");
    const std::string gone = folder.slash() + "gone.txt";

    EXPECT_EQ(ClassifyRowPath(present), RowPathState::Present);
    EXPECT_EQ(ClassifyRowPath(folder.slash()), RowPathState::Present);
    EXPECT_EQ(ClassifyRowPath(gone), RowPathState::Missing);
    EXPECT_EQ(ClassifyRowPath("ERRORE in DECOMPATTAZIONE " + gone), RowPathState::Missing);
    EXPECT_EQ(ClassifyRowPath("ERRORE in DECOMPATTAZIONE " + present), RowPathState::Present);
    EXPECT_EQ(ClassifyRowPath("http://example.org/gone.txt"), RowPathState::Web);
    EXPECT_EQ(ClassifyRowPath("www.example.org/"), RowPathState::Web);
    EXPECT_EQ(ClassifyRowPath(""), RowPathState::Web);

    const RowOpening missingFile = CheckRowOnDisk(openOnly(gone));
    EXPECT_EQ(missingFile.action, Action::ReportMissing);
    EXPECT_EQ(missingFile.target, gone);
    EXPECT_EQ(CheckRowOnDisk(openOnly(present)).action, Action::OpenFile);
    EXPECT_EQ(CheckRowOnDisk(openOnly(folder.slash() + "old/")).action, Action::ReportMissing) << "a folder row";
    EXPECT_EQ(CheckRowOnDisk(openOnly(folder.slash())).action, Action::ListFolder);
    // The packed file that a member came from is gone too.
    const RowOpening member = CheckRowOnDisk(openOnly(folder.slash() + "a.zip_vedratemp/inner/readme.txt"));
    EXPECT_EQ(member.action, Action::ReportMissing);
    EXPECT_EQ(member.target, folder.slash() + "a.zip");
    const RowOpening web = CheckRowOnDisk(openOnly("http://example.org/gone/", 'w'));
    EXPECT_EQ(web.action, Action::OpenWebAddress);
    EXPECT_EQ(CheckRowOnDisk(openOnly("")).action, Action::None);
}

} // namespace
} // namespace vedra::search
