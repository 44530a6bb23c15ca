#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>

#include "image/atomic_file.h"
#include "image/system_reason.h"
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

// ---- Output files ----

// Everything that arrives at the read end of a pipe until every writer is gone.
std::string drain(int fd) {
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) {
        got.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return got;
}

// What a pipe as standard output receives from the save; readEnd false: nobody reads.
SaveResult saveToStandardOutput(std::string_view data, bool readEnd, std::string& got) {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(ends[1], STDOUT_FILENO);
    ::close(ends[1]);
    std::thread reader;
    if (readEnd) {
        reader = std::thread([&got, fd = ends[0]] { got = drain(fd); });
    } else {
        ::close(ends[0]);
    }
    const SaveResult r = WriteOutputFile("-", data);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    if (reader.joinable()) {
        reader.join();
    }
    return r;
}

// Pipes at both ends of a save, written in more than one go; devices and folders
// are in the tool's own test.
TEST(OutputFile, WritesThroughPipesWithoutHangingOrDying) {
    enum class To { Fifo, UnreadFifo, Stdout, UnreadStdout };
    const struct {
        To to;
        std::string reason;  // empty: the save succeeds
    } rows[] = {
        {To::Fifo, ""},
        // Without waiting for a reader, as the window saves.
        {To::UnreadFifo, "Niemand liest aus dieser benannten Pipe"},
        {To::Stdout, ""},
        // The reader left: a failure, not the end of the process by SIGPIPE.
        {To::UnreadStdout, SystemReason(EPIPE)},
    };
    const std::string data(70000, 'x');  // more than a pipe holds at once
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.to));
        TempDir dir;
        const std::string fifo = dir.file("out");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::string got;
        SaveResult r;
        if (row.to == To::Fifo) {
            std::thread reader([&] { got = drain(::open(fifo.c_str(), O_RDONLY)); });
            r = WriteOutputFile(fifo, data);
            reader.join();
        } else if (row.to == To::UnreadFifo) {
            r = WriteOutputFile(fifo, data, nullptr, false);
        } else {
            r = saveToStandardOutput(data, row.to == To::Stdout, got);
        }
        EXPECT_EQ(r.reason, row.reason);
        EXPECT_EQ(got, row.reason.empty() ? data : "");
        struct stat st {};
        ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
}

}  // namespace
}  // namespace pk
