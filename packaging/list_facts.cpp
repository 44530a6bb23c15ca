// Prints what the build writes into files beside the programs, from the tables
// the programs themselves use, so that none of those files keeps a list of its own:
//
//   list_facts            the chip type names --type takes, one per line
//   list_facts faults     each fault --sim-fault takes: NAME TAB ARGUMENT
//   list_facts description  the Debian package's long description, wrapped
//   list_facts readme-chips  the README's table of supported chips (Markdown)
//   list_facts readme-pic18f the README's table of supported PIC18F parts
//   list_facts readme-sim    the README's table of simulated chip families
//
// "faults" fails when a fault the simulator models has no name: neither --help,
// the completion nor the manual pages could then offer it.

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"
#include "device/p18_catalogue.h"
#include "device/type_names.h"
#include "sim/chip.h"
#include "sim/family.h"
#include "sim/fault_names.h"
#include "sim/options.h"

namespace {

// Appends its parts: GCC 12's release build misreads "text" + std::string(...) as
// overlapping copies.
template <typename... T>
std::string cat(const T&... parts) {
    std::string s;
    (s.append(std::string_view(parts)), ...);
    return s;
}

void put(std::string_view s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
}

// 1275 -> "12.75", 1200 -> "12.0"
std::string volts(int centivolts) {
    char buf[16];
    if (centivolts % 10 == 0) {
        std::snprintf(buf, sizeof buf, "%d.%d", centivolts / 100, centivolts % 100 / 10);
    } else {
        std::snprintf(buf, sizeof buf, "%d.%02d", centivolts / 100, centivolts % 100);
    }
    return buf;
}

std::string join(const std::vector<std::string>& items, std::string_view between) {
    std::string s;
    for (const std::string& i : items) {
        if (!s.empty()) {
            s.append(between);
        }
        s.append(i);
    }
    return s;
}

int types() {
    for (const pk::DeviceInfo& d : pk::kDevices) {
        for (std::string_view n : pk::typeNames(d)) {
            put(n);
            put("\n");
        }
    }
    for (const pk::P18Device& d : pk::kP18Devices) {
        put(pk::typeName(d));
        put("\n");
    }
    return 0;
}

int faults() {
    int missing = 0;
    for (int k = 0; k < pk::sim::kSimFaultKinds; ++k) {
        const auto* f = pk::sim::simFaultName(static_cast<pk::sim::SimFault::Kind>(k));
        if (f == nullptr) {
            std::fprintf(stderr, "list_facts: fault kind %d has no name in src/sim/options.cpp\n",
                         k);
            ++missing;
            continue;
        }
        put(f->name);
        put("\t");
        put(f->syntax);
        put("\n");
    }
    return missing == 0 ? 0 : 1;
}

// Lines of at most 72 columns, as Debian's description field wants them.
void wrapped(const std::string& text) {
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > 72) {
            put(line + "\n");
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        at = end + 1;
    }
    if (!line.empty()) {
        put(line + "\n");
    }
}

int description() {
    std::vector<std::string> chips;
    for (const pk::DeviceInfo& d : pk::kDevices) {
        chips.emplace_back(d.listText);
    }
    for (const pk::P18Device& d : pk::kP18Devices) {
        chips.emplace_back(d.name);
    }
    wrapped(
        "PKorvel programs Microchip PIC12, PIC16 and PIC18F flash microcontrollers with a Korvel, "
        "a "
        "simple programmer circuit on a PC parallel port. It loads Intel HEX files, sets the "
        "configuration word, and burns, reads, compares, erases or un-protects the chip. The "
        "user interface is German.");
    put("\n");
    wrapped(cat("Supported chips: ", join(chips, ", "), "."));
    put("\n");
    wrapped(
        "pkorvel-cli does the same from the command line. Both can work against a simulated "
        "programmer and chip.");
    return 0;
}

int readmeChips() {
    put("| Type list entry | Program memory | Data EEPROM | VPP at MCLR | Command-line switches "
        "|\n");
    put("|---|---|---|---|---|\n");
    for (const pk::DeviceInfo& d : pk::kDevices) {
        std::vector<std::string> switches;
        for (std::string_view s : d.switches) {
            if (!s.empty()) {
                switches.push_back(cat("`", s, "`"));
            }
        }
        const std::string eeprom =
            d.dataLastAddr < 0 ? std::string("—") : cat(std::to_string(d.eepromBytes), " bytes");
        put(cat("| ", d.listText, " | ", std::to_string(d.flashK), " k words | ", eeprom, " | ",
                volts(d.vpp.minCentivolts), " – ", volts(d.vpp.maxCentivolts), " V | ",
                join(switches, ", "), " |\n"));
    }
    return 0;
}

int readmePic18f() {
    put("| Part | Program memory | Data EEPROM | Write buffer | VPP at MCLR | `--type` |\n");
    put("|---|---|---|---|---|---|\n");
    for (const pk::P18Device& d : pk::kP18Devices) {
        put(cat("| ", d.name, " | ", std::to_string(d.programBytes / 1024), " KB | ",
                std::to_string(d.eepromBytes), " bytes | ", std::to_string(d.writeBuffer),
                " bytes | ", volts(d.family->vpp.minCentivolts), " – ",
                volts(d.family->vpp.maxCentivolts), " V | `", pk::typeName(d), "` |\n"));
    }
    return 0;
}

int readmeSim() {
    put("| Chips | Rules in | Commands accepted | VIHH | Entry |\n");
    put("|---|---|---|---|---|\n");
    // One row per family, in the order the model table first names it.
    std::vector<const pk::sim::FamilyBehaviour*> order;
    std::map<const pk::sim::FamilyBehaviour*, std::vector<std::string>> chips;
    for (const auto* table : {&pk::sim::chipModels(), &pk::sim::p18Models()}) {
        for (const pk::sim::ChipModel& m : *table) {
            if (chips.find(m.behaviour) == chips.end()) {
                order.push_back(m.behaviour);
            }
            chips[m.behaviour].emplace_back(m.name);
        }
    }
    for (const pk::sim::FamilyBehaviour* f : order) {
        std::vector<std::string> codes;
        for (int c = 0; c < 64; ++c) {
            if ((f->commands() >> c & 1) != 0) {
                codes.push_back(std::to_string(c));
            }
        }
        // A PIC18F takes every clock edge itself: 4-bit commands, no 6-bit ones.
        const std::string accepted =
            f->file() == "p18" ? std::string("4-bit: 0, 2, 8–15") : join(codes, ", ");
        const auto vihh = f->vihh();
        put(cat("| ", join(chips[f], ", "), " | `src/sim/families/", f->file(), ".cpp` | ",
                accepted, " | ", volts(vihh.minCentivolts), " – ", volts(vihh.maxCentivolts),
                " V | ", f->vppFirst() ? "VPP first" : "VDD first", " |\n"));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view what = argc > 1 ? argv[1] : "";
    if (what.empty()) {
        return types();
    }
    if (what == "faults") {
        return faults();
    }
    if (what == "description") {
        return description();
    }
    if (what == "readme-chips") {
        return readmeChips();
    }
    if (what == "readme-pic18f") {
        return readmePic18f();
    }
    if (what == "readme-sim") {
        return readmeSim();
    }
    std::fprintf(stderr, "list_facts: unknown list %s\n", argv[1]);
    return 2;
}
