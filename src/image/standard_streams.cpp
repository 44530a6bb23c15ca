#include "image/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "image/system_reason.h"

namespace pk {

namespace {

std::atomic<bool> gInputTaken{false};

StandardInput readAllOfStandardInput() {
    gInputTaken = true;
    StandardInput in;
    if (::fcntl(STDIN_FILENO, F_GETFD) < 0) {
        return in;
    }
    in.open = true;
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buf, sizeof buf);
        if (got < 0) {
            // No EINTR retry: the tool's handlers are for SIGINT and SIGTERM, which
            // mean stop, and a pipe nobody writes to would otherwise wait for ever.
            in.readError = SystemReason(errno);
            break;
        }
        if (got == 0) {
            break;
        }
        const auto n = static_cast<std::size_t>(got);
        if (in.text.size() + n > kMaxStandardInput) {
            in.text.append(buf, kMaxStandardInput - in.text.size());
            in.readError = "Die Standardeingabe ist länger als " +
                           std::to_string(kMaxStandardInput >> 20) + " MB";
            break;
        }
        in.text.append(buf, n);
    }
    return in;
}

}  // namespace

bool IsStandardStream(const std::string& path) {
    return path == "-";
}

std::string InputFileName(const std::string& path) {
    return IsStandardStream(path) ? "(Standardeingabe)" : path;
}

std::string OutputFileName(const std::string& path) {
    return IsStandardStream(path) ? "(Standardausgabe)" : path;
}

const StandardInput& ReadStandardInput() {
    static const StandardInput input = readAllOfStandardInput();
    return input;
}

bool StandardInputTaken() {
    return gInputTaken;
}

}  // namespace pk
