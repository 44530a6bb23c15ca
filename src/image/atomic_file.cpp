#include "image/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/standard_streams.h"
#include "image/system_reason.h"

namespace pk {

int SaveFileOps::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
ssize_t SaveFileOps::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}
int SaveFileOps::fsync(int fd) {
    return ::fsync(fd);
}
int SaveFileOps::close(int fd) {
    return ::close(fd);
}
int SaveFileOps::rename(const char* from, const char* to) {
    return ::rename(from, to);
}

namespace {

std::string systemReason(int err) {
    return SystemReason(err);
}

// The target itself, or the file a symbolic link at the target points to.
std::string resolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

void syncDirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // Only makes the rename itself durable; the data are already safe either way.
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

SaveResult WriteFileAtomically(const std::string& path, std::string_view data, SaveFileOps* ops) {
    SaveFileOps realOps;
    SaveFileOps& io = ops != nullptr ? *ops : realOps;
    SaveResult result;
    const std::string target = resolveTarget(path);

    struct stat existing {};
    const bool hadFile = ::stat(target.c_str(), &existing) == 0;
    if (hadFile && S_ISDIR(existing.st_mode)) {
        result.stage = SaveResult::Stage::Create;
        result.reason = systemReason(EISDIR);
        return result;
    }

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = io.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        result.stage = SaveResult::Stage::Create;
        result.reason = systemReason(errno);
        return result;
    }
    if (hadFile) {
        (void)::fchmod(fd, existing.st_mode & 07777);
    }

    auto fail = [&](SaveResult::Stage stage, int err, bool open) {
        if (open) {
            io.close(fd);
        }
        ::unlink(temp.c_str());
        result.stage = stage;
        result.reason = systemReason(err);
        return result;
    };

    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = io.write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(SaveResult::Stage::Write, errno, true);
        }
        if (n == 0) {
            return fail(SaveResult::Stage::Write, ENOSPC, true);
        }
        done += static_cast<std::size_t>(n);
    }
    if (io.fsync(fd) != 0) {
        return fail(SaveResult::Stage::Sync, errno, true);
    }
    if (io.close(fd) != 0) {
        return fail(SaveResult::Stage::Write, errno, false);
    }
    if (io.rename(temp.c_str(), target.c_str()) != 0) {
        return fail(SaveResult::Stage::Rename, errno, false);
    }
    syncDirectoryOf(target);
    return result;
}

namespace {

// A reader that goes away fails the write with EPIPE instead of ending the process
// with SIGPIPE: the signal is held for the write and a SIGPIPE it raised taken back.
class PipeSignalHeld {
  public:
    PipeSignalHeld() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
        sigset_t pending;
        sigpending(&pending);
        pendingBefore_ = sigismember(&pending, SIGPIPE) == 1;
    }
    ~PipeSignalHeld() {
        sigset_t pending;
        sigpending(&pending);
        if (!pendingBefore_ && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            (void)sigtimedwait(&pipe_, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

  private:
    sigset_t pipe_{};
    sigset_t before_{};
    bool pendingBefore_ = false;
};

// Writes all of `data` to `fd`. No retry after EINTR: a pipe or device that takes
// nothing would otherwise keep a stopping program waiting.
bool writeAll(SaveFileOps& io, int fd, std::string_view data, SaveResult& result) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = io.write(fd, data.data() + done, data.size() - done);
        if (n <= 0) {
            result.stage = SaveResult::Stage::Write;
            result.reason = systemReason(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

OutputKind OutputKindOf(const std::string& path) {
    if (IsStandardStream(path)) {
        return OutputKind::StandardOutput;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) {
        return OutputKind::Replace;
    }
    return S_ISDIR(st.st_mode) ? OutputKind::Folder : OutputKind::InPlace;
}

SaveResult WriteOutputFile(const std::string& path, std::string_view data, SaveFileOps* ops,
                           bool waitForReader) {
    SaveFileOps realOps;
    SaveFileOps& io = ops != nullptr ? *ops : realOps;
    SaveResult result;
    const OutputKind kind = OutputKindOf(path);
    switch (kind) {
        case OutputKind::Replace:
            return WriteFileAtomically(path, data, ops);
        case OutputKind::Folder:
            result.stage = SaveResult::Stage::Create;
            result.reason = systemReason(EISDIR);
            return result;
        case OutputKind::StandardOutput: {
            // Whatever stdio still holds comes first.
            std::fflush(stdout);
            const PipeSignalHeld held;
            writeAll(io, STDOUT_FILENO, data, result);
            return result;
        }
        case OutputKind::InPlace:
            break;
    }
    const PipeSignalHeld held;
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | (waitForReader ? 0 : O_NONBLOCK);
    const int fd = io.open(path.c_str(), flags, 0);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        result.stage = SaveResult::Stage::Create;
        result.reason = err == ENXIO && ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)
                            ? "Niemand liest aus dieser benannten Pipe"
                            : systemReason(err);
        return result;
    }
    if (!waitForReader) {
        // Only the open was not to wait; the data go out as to any pipe.
        (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    const bool written = writeAll(io, fd, data, result);
    if (io.close(fd) != 0 && written) {
        result.stage = SaveResult::Stage::Write;
        result.reason = systemReason(errno);
    }
    return result;
}

}  // namespace pk
