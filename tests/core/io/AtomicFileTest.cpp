// Whole-file replacement against what can go wrong on the way: a disk that fills
// mid-write, a temporary that cannot be made, a rename refused, a crash that left
// a temporary behind, a link planted under the temporary's name.
#include "core/io/AtomicFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::io {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

// Files may grow to `bytes` only, as on a disk with that much room: a write past it
// fails with EFBIG instead of raising SIGXFSZ. Works for root too, unlike a
// read-only folder.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_signal)(int) = nullptr;
};

class AtomicFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    fs::path target = folder.path() / "Browser.Vedra";
    fs::path temporary = AtomicFile::temporaryPathFor(target);
    const std::string oldBytes = std::string("firefox\r\n") + std::string(503, '\0') + "chromium\r\n";

    void SetUp() override { writeFile(target, oldBytes); }
};

TEST_F(AtomicFileTest, ReplacesTheContentKeepsThePermissionsAndLeavesNoTemporary)
{
    ::chmod(target.c_str(), 0600);
    ASSERT_TRUE(writeFileAtomically(target, "new"));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_FALSE(fs::exists(temporary));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    // A missing file is created.
    ASSERT_TRUE(writeFileAtomically(folder.path() / "fresh", std::string("a\0b", 3)));
    EXPECT_EQ(readFile(folder.path() / "fresh"), std::string("a\0b", 3));
}

TEST_F(AtomicFileTest, AFileMadeReadOnlyIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    ::chmod(target.c_str(), 0444);
    EXPECT_FALSE(writeFileAtomically(target, "new"));
    EXPECT_EQ(readFile(target), oldBytes);
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(AtomicFileTest, ADiskThatFillsMidWriteLeavesTheOldFileByteIdentical)
{
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(writeFileAtomically(target, std::string(100000, 'x')));
    }
    EXPECT_EQ(readFile(target), oldBytes);
    EXPECT_FALSE(fs::exists(temporary));
    // Streamed: the failure sticks, and commit refuses.
    {
        FileSizeLimit limit(4096);
        auto file = AtomicFile::begin(target);
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->append(std::string(1000, 'a')));
        EXPECT_FALSE(file->append(std::string(10000, 'b')));
        EXPECT_FALSE(file->append("c"));
        EXPECT_FALSE(file->commit());
    }
    EXPECT_EQ(readFile(target), oldBytes);
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(AtomicFileTest, ATemporaryThatCannotBeMadeOrARefusedRenameLeavesTheOldFile)
{
    fs::create_directories(temporary / "inside");
    EXPECT_FALSE(writeFileAtomically(target, "new"));
    EXPECT_EQ(readFile(target), oldBytes);
    fs::remove_all(temporary);

    // A folder where the file should be: the rename is refused, the temporary goes.
    fs::path folderTarget = folder.path() / "taken";
    fs::create_directories(folderTarget / "inside");
    EXPECT_FALSE(writeFileAtomically(folderTarget, "new"));
    EXPECT_TRUE(fs::is_directory(folderTarget / "inside"));
    EXPECT_FALSE(fs::exists(AtomicFile::temporaryPathFor(folderTarget)));
}

TEST_F(AtomicFileTest, ACrashBeforeTheRenameLeavesTheOldFileAndTheNextWriteSucceeds)
{
    // What a kill between writing the temporary and renaming it leaves behind.
    writeFile(temporary, "half of the new con");
    ::chmod(temporary.c_str(), 0400);
    EXPECT_EQ(readFile(target), oldBytes);
    ASSERT_TRUE(writeFileAtomically(target, "whole new content"));
    EXPECT_EQ(readFile(target), "whole new content");
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(AtomicFileTest, ALinkUnderTheTemporaryNameIsNotFollowed)
{
    fs::path stranger = folder.path() / "stranger";
    writeFile(stranger, "not ours");
    fs::create_symlink(stranger, temporary);
    ASSERT_TRUE(writeFileAtomically(target, "new"));
    EXPECT_EQ(readFile(stranger), "not ours");
    EXPECT_EQ(readFile(target), "new");
}

TEST_F(AtomicFileTest, ALinkedFileIsReplacedWhereItLiesAndTheLinkStays)
{
    fs::path link = folder.path() / "link";
    fs::create_symlink(target, link);
    ASSERT_TRUE(writeFileAtomically(link, "through the link"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(target), "through the link");
}

TEST_F(AtomicFileTest, AnAbandonedReplacementLeavesTheOldFile)
{
    {
        auto file = AtomicFile::begin(target);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->append("part"));
        EXPECT_TRUE(fs::exists(temporary));
        // A reader meanwhile sees the old file whole.
        EXPECT_EQ(readFile(target), oldBytes);
        AtomicFile moved = std::move(*file);
        EXPECT_EQ(moved.size(), 4u);
    }
    EXPECT_EQ(readFile(target), oldBytes);
    EXPECT_FALSE(fs::exists(temporary));
}

} // namespace
} // namespace vedra::io
