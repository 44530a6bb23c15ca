#pragma once
// The user's commands for a PIC18F, on the same session as the 14-bit ones: the
// same link, counters, reporter and CommandResult, so a front end shows, counts
// and exits alike for both. What these add to P18Ops is the HEX file, the
// configuration bytes given instead of the file's, and the way from a command
// without a type to a PIC18F: the PIC18F is asked first, in frames every
// supported chip takes safely, and only when none answers does the 14-bit
// detection follow, whose frames a PIC18F would take for reads and commands
// it does not know.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/commands.h"
#include "device/p18_catalogue.h"
#include "device/p18_ops.h"
#include "image/byte_image.h"

namespace pk {

// Told when erase would take the EEPROM the user wants kept: the chip erase of
// a PIC18F always clears it.
inline constexpr const char* kP18EraseTakesDataText =
    "Beim PIC18F löscht das Löschen immer auch das Data-EEPROM. Ohne „incl. DataEEProm“ wird "
    "nichts gelöscht.";

// A configuration byte given instead of the file's (pkorvel-cli --config=ADDR:VALUE).
struct P18ConfigSetting {
    std::uint32_t address;  // 0x300000..0x30000D
    std::uint8_t value;
};

struct P18CommandOptions {
    bool includeData = true;  // "incl. DataEEProm"
    std::vector<P18ConfigSetting> config;
    // The ID bytes instead of the file's (the window's ID editor); AbsentByte:
    // that byte is not written.
    std::optional<std::array<std::uint16_t, p18addr::kIdBytes>> ids;
    // A file whose checksums do not add up goes on without asking (pkorvel-cli --force).
    bool acceptDoubtfulFile = false;
};

class P18Session {
  public:
    explicit P18Session(ChipSession& chip)
        : chip(chip),
          ops(chip.link, chip.ops.clock(), chip.ops.settings(), chip.ops.errors(), chip.report) {}

    ChipSession& chip;
    P18Ops ops;
    // The file burnt or compared, or what was read; laid out for the last part used.
    ByteImage image;
};

// Why a setting does not fit the part ("0x30000E: kein Konfigurationsbyte des
// 18F4550"), or nullopt.
std::optional<std::string> p18ConfigRefusal(const P18Device& d, const P18ConfigSetting& s);

// Passes the file through the gate, loads it for the part into s.image, then
// puts the settings over the file's configuration bytes and the IDs, where
// given, over its ID bytes. Ok, or FileUnusable after its message.
Outcome loadP18File(P18Session& s, const P18Device& d, const std::string& path,
                    const P18CommandOptions& options, FileUse use);

// Before anything without a type (Autodetect, pkorvel-cli without --type):
// checkDetectionVpp (outcome Cancelled when refused, nothing applied), then the
// PIC18F detection with P18IdRead::AnyFamily. NoChip: no PIC18F answered, the
// 14-bit detection is next; WrongType: a device ID no PIC18F row knows.
P18Detection detectPic18First(P18Session& s);

// "Autodetect" for both families: detectPic18First, then, where no PIC18F
// answered, the 14-bit detection (chip).
struct AnyDetection {
    P18Detection p18;
    DetectResult chip;  // only when p18.outcome is NoChip
    bool cancelled() const { return p18.outcome == Outcome::Cancelled; }
    bool pic18() const { return p18.outcome != Outcome::NoChip && !cancelled(); }
};
AnyDetection autodetect(P18Session& s);

CommandResult burn(P18Session& s, const P18Device& d, const std::string& path,
                   const P18CommandOptions& options);
CommandResult verify(P18Session& s, const P18Device& d, const std::string& path,
                     const P18CommandOptions& options);
// Twice; the first pass in s.image.ReadBack.
CommandResult read(P18Session& s, const P18Device& d);
// A PIC18F's chip erase clears the EEPROM too: without includeData nothing is done.
CommandResult erase(P18Session& s, const P18Device& d, bool includeData);
CommandResult removeProtection(P18Session& s, const P18Device& d);

}  // namespace pk
