#pragma once
// What a HEX file holds for a 14-bit chip, as the program's own loader reads it:
// every place where what gets loaded differs from what the file says, where the
// file is merely unusual, and what keeps it from a chip. "pkorvel-cli check" shows
// all of it; a burn or compare refuses a file with a refusal in it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"

namespace pk {

struct HexFinding {
    int line = 0;        // 1-based; 0 for the file as a whole
    bool fault = false;  // the loaded image differs from the file, or the file is broken
    // The file must not reach the chip: a record that is not one, no data at all, or
    // data the chip has no place for.
    bool refuses = false;
    bool doubt = false;  // a checksum that does not add up: burnt only when the user says so
    std::string text;
};

struct HexCheckResult {
    std::vector<HexFinding> findings;  // in line order, the file-wide ones first
    bool clean() const {
        for (const auto& f : findings) {
            if (f.fault) {
                return false;
            }
        }
        return true;
    }
    const HexFinding* firstRefusal() const;
    const HexFinding* firstDoubt() const;
};

// Checks the text of a HEX file against the memories of a chip: the form of every
// record, then where each word lands.
HexCheckResult checkHexText(std::string_view text, const DeviceState& device);

// The form alone, for a file whose chip is not known yet (it may be a PIC18F's).
HexCheckResult checkHexForm(std::string_view text);

}  // namespace pk
