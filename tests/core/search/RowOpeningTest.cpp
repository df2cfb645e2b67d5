// A double click on a result row: documents, web results, folders and masks, the
// members of packed files, and rows that open nothing.
#include "core/search/RowOpening.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

using Action = RowOpenAction;
using Reason = RowOpenReason;

ResultList listOf(const std::string& label, char pathKind = 'f')
{
    ResultRow row;
    row.columns[0] = label;
    row.pathKind = pathKind;
    ResultList results;
    results.append(row);
    return results;
}

RowOpening openOnly(const std::string& label, char pathKind = 'f')
{
    return DecideRowOpening(listOf(label, pathKind), 0);
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
        // The file of a row that names it after a text, not the whole text.
        RowCase{"ERRORE in DECOMPATTAZIONE /home/u/a.zip", 'f', Action::OpenFile, Reason::Document, "/home/u/a.zip"},
        RowCase{"/home/u/docs/", 'f', Action::ListFolder, Reason::Folder, "/home/u/docs/"},
        RowCase{"/home/u/docs/*", 'f', Action::ListFolder, Reason::Folder, "/home/u/docs/"},
        RowCase{"/", 'f', Action::ListFolder, Reason::Folder, "/"},
        // A folder inside an unpack folder shows the packed file: the outermost one,
        // the only one still on disk.
        RowCase{"/home/u/a.zip_vedratemp/sub/", 'f', Action::PreviewPlain, Reason::UnpackedFolder, "/home/u/a.zip"},
        RowCase{"/home/u/a.zip_vedratemp/sub/*", 'f', Action::PreviewPlain, Reason::UnpackedFolder, "/home/u/a.zip"},
        RowCase{"/home/u/a.zip_vedratemp/b.tar_vedratemp/c/", 'f', Action::PreviewPlain, Reason::UnpackedFolder,
                "/home/u/a.zip"},
        // The user's own folders whose names only look like unpack folders.
        RowCase{"/home/u/notes_vedratemp_old/", 'f', Action::ListFolder, Reason::Folder,
                "/home/u/notes_vedratemp_old/"},
        RowCase{"/home/u/x_vedratemp", 'f', Action::OpenFile, Reason::Document, "/home/u/x_vedratemp"},
        // The working folder's download folder holds fetched pages, not members.
        RowCase{"/home/u/download_vedratemp/", 'f', Action::ListFolder, Reason::Folder, "/home/u/download_vedratemp/"},
        RowCase{"/home/u/download_vedratemp/a.zip_vedratemp/sub/", 'f', Action::PreviewPlain, Reason::UnpackedFolder,
                "/home/u/download_vedratemp/a.zip"},
        // Addresses go to the browser even when they end like a folder.
        RowCase{"http://example.org/dir/", 'w', Action::OpenWebAddress, Reason::WebAddress, "http://example.org/dir/"},
        RowCase{"www.example.org/", 'f', Action::OpenWebAddress, Reason::WebAddress, "www.example.org/"},
        RowCase{"https://example.org/list/*", 'f', Action::OpenWebAddress, Reason::WebAddress,
                "https://example.org/list/*"},
        // A fetched page's local copy opens its address, not "http://" + the file.
        RowCase{"/home/u/download_vedratemp/www.example.org%2Fpage%3Fid%3D2", 'f', Action::OpenWebAddress,
                Reason::WebAddress, "www.example.org/page?id=2"},
        // Any other file in the download folder is a file.
        RowCase{"/home/u/download_vedratemp/report.txt", 'f', Action::OpenFile, Reason::Document,
                "/home/u/download_vedratemp/report.txt"}));

TEST(RowOpening, AnIndexPastTheListOpensNothing)
{
    const ResultList results = listOf("/home/u/a.txt");
    EXPECT_EQ(DecideRowOpening(results, 1).reason, Reason::NoSuchRow);
    EXPECT_EQ(DecideRowOpening(results, 1).action, Action::None);
    EXPECT_EQ(DecideRowOpening(ResultList{}, 0).reason, Reason::NoSuchRow);
}

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
    RowOpening present = openOnly(member);
    EXPECT_EQ(present.action, Action::OpenFile);
    EXPECT_EQ(present.reason, Reason::Document);
    EXPECT_EQ(present.target, member);
}

} // namespace
} // namespace vedra::search
