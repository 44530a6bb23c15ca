#pragma once
// A save that fails at one chosen call, to prove that a failed save keeps the
// previous file.

#include <algorithm>
#include <cerrno>

#include "image/atomic_file.h"

namespace pk::test {

// Fails one chosen call of a save.
class FailingOps : public SaveFileOps {
  public:
    enum class At { None, Open, SecondWrite, Fsync, Close, Rename };
    explicit FailingOps(At at) : at_(at) {}
    int open(const char* path, int flags, mode_t mode) override {
        if (at_ == At::Open) {
            errno = EACCES;
            return -1;
        }
        return SaveFileOps::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        ++writes_;
        if (at_ == At::SecondWrite && writes_ == 2) {
            errno = ENOSPC;
            return -1;
        }
        // Short writes, so a save needs several calls and can fail part-way.
        return SaveFileOps::write(fd, data, std::min<std::size_t>(size, 5));
    }
    int fsync(int fd) override {
        if (at_ == At::Fsync) {
            errno = EIO;
            return -1;
        }
        return SaveFileOps::fsync(fd);
    }
    int close(int fd) override {
        const int r = SaveFileOps::close(fd);
        if (at_ == At::Close) {
            errno = EIO;
            return -1;
        }
        return r;
    }
    int rename(const char* from, const char* to) override {
        if (at_ == At::Rename) {
            errno = EXDEV;
            return -1;
        }
        return SaveFileOps::rename(from, to);
    }

  private:
    At at_;
    int writes_ = 0;
};

}  // namespace pk::test
