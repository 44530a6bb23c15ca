// The gate every file passes before a burn or a compare gets near a chip.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "device/commands.h"
#include "device/hex_check.h"
#include "image/hex_syntax.h"
#include "image/standard_streams.h"

namespace pk {

namespace {

// The whole file, or nullopt when it cannot be read (the reload says why).
std::optional<std::string> readWhole(const std::string& path) {
    if (IsStandardStream(path)) {
        const StandardInput& in = ReadStandardInput();
        return in.open && in.readError.empty() ? std::optional<std::string>(in.text) : std::nullopt;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return std::nullopt;
    }
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::close(fd);
            return n == 0 ? std::optional<std::string>(std::move(text)) : std::nullopt;
        }
        text.append(buf, static_cast<std::size_t>(n));
        // Beyond any chip's file: the form check refuses it without reading on.
        if (text.size() > kMaxHexFileBytes) {
            ::close(fd);
            return text;
        }
    }
}

std::string where(const std::string& path, const HexFinding& f) {
    return "HEX-File  " + InputFileName(path) + "\r" +
           (f.line > 0 ? "Zeile " + std::to_string(f.line) + ": " : "") + f.text;
}

}  // namespace

Outcome gateHexFile(ChipSession& chip, const std::string& path, const DeviceState* part,
                    FileUse use, bool acceptDoubt, bool* doubtAccepted) {
    const bool burning = use == FileUse::Burn;
    const std::optional<std::string> text = readWhole(path);
    if (!text) {
        chip.report.message("HEX-File  " + InputFileName(path) + "  nicht gefunden");
        return Outcome::FileUnusable;
    }
    const HexCheckResult r = part != nullptr ? checkHexText(*text, *part) : checkHexForm(*text);
    if (const HexFinding* f = r.firstRefusal()) {
        chip.report.message(
            "Fehler im " + where(path, *f) + "\r\r" +
            (burning ? "Es wurde nichts gebrannt." : "Es wurde nichts verglichen."));
        return Outcome::FileUnusable;
    }
    if (const HexFinding* f = r.firstDoubt(); f != nullptr) {
        const std::string finding =
            where(path, *f) + "\rDie Zeile ist beschädigt oder wurde von Hand geändert.";
        if (!acceptDoubt && !chip.report.confirmFile(
                                finding, burning ? "Trotzdem brennen?" : "Trotzdem vergleichen?")) {
            return Outcome::FileUnusable;
        }
        if (doubtAccepted != nullptr) {
            *doubtAccepted = true;
        }
    }
    for (const HexFinding& f : r.findings) {
        if (f.fault && !f.refuses && !f.doubt && f.line == 0) {
            chip.report.notice(where(path, f));
        }
    }
    return Outcome::Ok;
}

}  // namespace pk
