// Prints the chip type names that pkorvel-cli's --type takes, one per line, from
// the catalogue's switch table: the build feeds them to the shell completion and
// the manual pages, so neither keeps a list of its own.

#include <cstdio>
#include <string_view>

#include "device/catalogue.h"

int main() {
    for (const pk::DeviceInfo& d : pk::kDevices) {
        for (std::string_view s : d.switches) {
            if (s.starts_with("/p")) {
                s.remove_prefix(2);  // "/p16f877" -> "16f877"
                std::printf("%.*s\n", static_cast<int>(s.size()), s.data());
            }
        }
    }
    return 0;
}
