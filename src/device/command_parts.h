#pragma once
// What the command files share beside commands.h: the type check every command
// starts with, together with what its detection read, and the parts of the
// messages a stopped burn puts together.

#include <cstdint>
#include <string>

#include "device/commands.h"

namespace pk {

// The type check and what its detection read, which the command goes on with.
struct TypeCheck {
    Outcome outcome = Outcome::Ok;
    Detection detection;  // the defaults where the circuit cannot read
};

// checkType, with the detection the command goes on with.
TypeCheck checkChip(ChipSession& chip, const ChipChoice& choice, bool readAlong = false,
                    bool programAlong = false);

// Whether the type check saw a chip drive the data line: a device ID, or (the old
// 16F84 has none) a configuration word that reads otherwise than the ID location
// beside it. A line that nothing drives reads both alike.
bool chipAnswered(const Detection& d);

// The value a silent data line reads in an area: all ones (pulled up), as the
// chip's erased cells do too.
inline std::uint16_t allOnes(Area area) {
    switch (area) {
        case Area::Data:
            return 0x00FF;
        case Area::Id:
            return 0x000F;
        default:
            return 0x3FFF;
    }
}

// "0x001B": a chip address as the messages name it.
std::string hexAddress(std::int32_t address);

// "Nicht gebrannt: 1987 Programmwörter, 64 EEPROM-Bytes und 5 ID-/Configuration-Wörter."
// ("" when nothing was left); the program words after a failure of a verify pass
// were written and only not checked.
std::string leftText(const ErrorCounters& left, bool writtenUnchecked);

// "Die Datei passt nicht zum erkannten PIC 16F628: Adresse 0x0800 liegt außerhalb
// seines Speichers."
std::string misfitMessage(const DeviceState& device, std::int32_t misfit, const char* which);

// The one message of a burn that stopped at a program or data word.
std::string abortMessage(const WordFailure& f, const ErrorCounters& left, bool isProtected,
                         const VppRange& vpp);

}  // namespace pk
