#include <fcntl.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "image/atomic_file.h"
#include "support/failing_save.h"
#include "support/files.h"

namespace pk {
namespace {

namespace fs = std::filesystem;
using test::FailingOps;
using test::readAll;
using test::TempDir;
using test::writeAll;
using ::testing::HasSubstr;

// ---- Atomic save ----

TEST(AtomicSave, ReplacesTheFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string target = dir.file("prog.hex");
    writeAll(target, "old content");
    ::chmod(target.c_str(), 0640);
    FailingOps shortWrites(FailingOps::At::None);
    const auto r = WriteFileAtomically(target, "new content, written in pieces", &shortWrites);
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_EQ(readAll(target), "new content, written in pieces");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"prog.hex"});
}

TEST(AtomicSave, EveryFailureLeavesThePreviousFileIntact) {
    for (auto at : {FailingOps::At::Open, FailingOps::At::SecondWrite, FailingOps::At::Fsync,
                    FailingOps::At::Close, FailingOps::At::Rename}) {
        TempDir dir;
        const std::string target = dir.file("prog.hex");
        writeAll(target, "the user's previous file");
        FailingOps ops(at);
        const auto r = WriteFileAtomically(target, "a new and longer file content", &ops);
        EXPECT_FALSE(r.ok()) << static_cast<int>(at);
        EXPECT_FALSE(r.reason.empty());
        EXPECT_EQ(r.stage == SaveResult::Stage::Create, at == FailingOps::At::Open);
        EXPECT_EQ(readAll(target), "the user's previous file");
        EXPECT_EQ(dir.names(), std::vector<std::string>{"prog.hex"}) << static_cast<int>(at);
    }
}

TEST(AtomicSave, FollowsASymbolicLinkAndRefusesFoldersAndMissingFolders) {
    TempDir dir;
    writeAll(dir.file("real.hex"), "old");
    fs::create_symlink(dir.file("real.hex"), dir.file("link.hex"));
    ASSERT_TRUE(WriteFileAtomically(dir.file("link.hex"), "new").ok());
    EXPECT_TRUE(fs::is_symlink(dir.file("link.hex")));
    EXPECT_EQ(readAll(dir.file("real.hex")), "new");

    auto r = WriteFileAtomically(dir.path(), "x");
    EXPECT_EQ(r.stage, SaveResult::Stage::Create);
    r = WriteFileAtomically(dir.file("no/such/folder.hex"), "x");
    EXPECT_EQ(r.stage, SaveResult::Stage::Create);
    EXPECT_EQ(r.reason, "Datei oder Ordner nicht vorhanden");
}

}  // namespace
}  // namespace pk
