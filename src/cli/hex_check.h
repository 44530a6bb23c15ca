#pragma once
// The HEX lint of "pkorvel-cli check": reads a file with the program's own loader,
// listening to what it meets, and names every place where what gets loaded differs from what the
// file says, or where the file is merely unusual.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"

namespace pk::cli {

struct HexFinding {
    int line = 0;        // 1-based; 0 for the file as a whole
    bool fault = false;  // the loaded image differs from the file (otherwise a note)
    std::string text;
};

struct HexCheckResult {
    std::vector<HexFinding> findings;
    bool clean() const {
        for (const auto& f : findings) {
            if (f.fault) {
                return false;
            }
        }
        return true;
    }
};

// Checks the text of a HEX file against the memories of a chip.
HexCheckResult checkHexText(std::string_view text, const DeviceState& device);

}  // namespace pk::cli
