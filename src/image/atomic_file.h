#pragma once
// Saving a file so that the file it replaces survives every failure: the data go to a
// temporary file beside the target, are flushed to disk, and only then is the
// temporary file renamed over the target. A failed save leaves the old file as it was
// and removes the temporary file.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace pk {

// The system calls of a save that can fail. Tests replace single calls to make them
// fail at a chosen point; the program uses the real ones.
class SaveFileOps {
  public:
    virtual ~SaveFileOps() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
};

struct SaveResult {
    // Where a failed save stopped. Create: the file could not be made at all.
    enum class Stage { None, Create, Write, Sync, Rename };
    Stage stage = Stage::None;
    std::string reason;  // the system's text for the failure (strerror)

    bool ok() const { return stage == Stage::None; }
};

// Writes `data` as the complete new content of `path`. A symbolic link at `path` is
// followed, so the file it points to is replaced, not the link. An existing file's
// permission bits are kept; a new file gets 0666 less the umask.
SaveResult WriteFileAtomically(const std::string& path, std::string_view data,
                               SaveFileOps* ops = nullptr);

// What a command's output file is, which decides how it is written.
enum class OutputKind {
    Replace,         // a plain file or a new name: written atomically
    InPlace,         // a named pipe or a device: written through the node itself
    StandardOutput,  // "-"
    Folder,          // nothing can be written there
};
OutputKind OutputKindOf(const std::string& path);

// Writes a command's output: onto a plain file or a new name atomically, as above; a
// named pipe or a device (/dev/null, a terminal) is opened and written as it is,
// since a rename would replace the node by a plain file; "-" is standard output. A
// folder fails at Create with the system's text for it. waitForReader: opening a
// named pipe waits until someone reads it; without, a pipe nobody reads fails at
// once (a window must not hang on it).
SaveResult WriteOutputFile(const std::string& path, std::string_view data,
                           SaveFileOps* ops = nullptr, bool waitForReader = true);

}  // namespace pk
