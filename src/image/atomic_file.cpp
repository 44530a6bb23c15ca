#include "image/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

}  // namespace pk
