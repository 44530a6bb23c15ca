// The gate every file passes before a burn or a compare gets near a chip.

#include "device/commands.h"
#include "device/hex_check.h"
#include "image/hex_lines.h"
#include "image/hex_syntax.h"
#include "image/standard_streams.h"

namespace pk {

namespace {

// The whole file, or nullopt when it cannot be read (the reload says why). A
// FIFO or device is no HEX file: HexSource refuses it without waiting on it.
std::optional<std::string> readWhole(const std::string& path) {
    HexSource source;
    if (!source.open(path)) {
        return std::nullopt;
    }
    return source.text(kMaxHexFileBytes);
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
